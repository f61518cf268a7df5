#include "batchtiming.h"

#include "base/workerpool.h"
#include "import/core/pictureconverter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace BatchTiming {

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QList<Measured> measure(const QList<QImage> &pictures, int copies, QString *error)
{
    QTemporaryDir dir;
    QStringList paths;
    for (int copy = 0; copy < copies; ++copy) {
        for (int i = 0; i < pictures.size(); ++i) {
            paths << dir.filePath(QStringLiteral("p%1c%2.png").arg(i).arg(copy));
            if (!pictures[i].save(paths.last())) {
                *error = QStringLiteral("cannot write %1").arg(paths.last());
                return {};
            }
        }
    }
    QList<Measured> measured;
    QStringList firstFiles;
    QString firstFolder;
    for (const int threads : {1, WorkerPool::cores()}) {
        if (threads == 1 && !measured.isEmpty())
            break; // one core: measured already
        const QString folder = dir.filePath(QStringLiteral("frames%1").arg(threads));
        QDir().mkpath(folder);
        PictureConverter converter(ImportOptions(), folder);
        converter.setThreads(threads);
        QElapsedTimer timer;
        timer.start();
        QStringList files;
        for (const PictureConverter::Outcome &outcome : converter.convert(paths))
            files += outcome.written;
        Measured now{threads, double(timer.nsecsElapsed()) / 1e6 / std::max(int(files.size()), 1), true};
        if (measured.isEmpty()) {
            firstFiles = files;
            firstFolder = folder;
        } else {
            now.sameFiles = files.size() == firstFiles.size();
            for (int f = 0; now.sameFiles && f < files.size(); ++f)
                now.sameFiles =
                    QDir(folder).relativeFilePath(files[f]) == QDir(firstFolder).relativeFilePath(firstFiles[f])
                    && bytesOf(files[f]) == bytesOf(firstFiles[f]);
        }
        measured << now;
    }
    return measured;
}

} // namespace BatchTiming
