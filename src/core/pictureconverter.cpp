#include "core/pictureconverter.h"

#include "core/framequantizer.h"
#include "core/framewriter.h"
#include "core/localpath.h"
#include "core/picturereader.h"

#include <QDir>
#include <QFileInfo>

PictureConverter::PictureConverter(const ImportOptions &options, const QString &folder)
    : m_options(options)
    , m_folder(folder)
{ }

QString PictureConverter::frameFileName(const QString &source, int index, bool animated)
{
    const QString base = QFileInfo(source).completeBaseName();
    if (!animated)
        return base + QStringLiteral(".bmp");
    // The device receives the name up to its first dot, 8 characters of it: 5 of the name and
    // the picture's number keep the frames of one animation apart.
    QString stem = base;
    stem.replace(QLatin1Char('.'), QLatin1Char('_'));
    return stem.left(5) + QStringLiteral("%1.bmp").arg(index, 3, 10, QLatin1Char('0'));
}

QStringList PictureConverter::plannedFiles(const QStringList &pictures) const
{
    QStringList files;
    int room = MostFrames;
    for (const QString &picture : pictures) {
        const int count = std::min(std::max(PictureReader::pictureCount(picture), 1), room);
        for (int i = 0; i < count; ++i)
            files << QDir(m_folder).filePath(frameFileName(picture, i, count > 1));
        room -= count;
    }
    return files;
}

QList<PictureConverter::Outcome> PictureConverter::convert(const QStringList &pictures)
{
    QList<Outcome> outcomes;
    int made = 0;
    for (const QString &picture : pictures) {
        Outcome outcome;
        outcome.source = picture;
        const int room = MostFrames - made;
        PictureReader::Read read;
        QString why;
        if (cancelled()) {
            outcome.problem = QStringLiteral("not converted: cancelled");
        } else if (room == 0) {
            outcome.problem = QStringLiteral("left out: %1 frames have been made already, as many as the device takes")
                                  .arg(MostFrames);
        } else if (!PictureReader::read(picture, m_options, room, &read, &why)) {
            outcome.problem = why;
        } else {
            QStringList refused;
            for (int i = 0; i < read.pictures.size() && !cancelled(); ++i) {
                const QString target = QDir(m_folder).filePath(frameFileName(picture, i, read.animated));
                if (!m_overwrite && LocalPath::stat(target).exists) {
                    outcome.kept << target;
                    continue;
                }
                const auto frame =
                    FrameQuantizer::quantize(read.pictures[i].frame, FrameQuantizer::Settings{m_options.dither}, &why);
                if (!frame || !FrameWriter::write(*frame, target, &why)) {
                    refused << QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(target), why);
                    continue;
                }
                outcome.written << target;
                ++made;
                if (m_progress)
                    m_progress(made);
            }
            if (read.leftOut > 0)
                refused << QStringLiteral("%1 of its pictures left out: the device takes %2 frames")
                               .arg(read.leftOut)
                               .arg(MostFrames);
            if (cancelled() && outcome.written.size() < read.pictures.size())
                refused << QStringLiteral("cancelled");
            outcome.problem = refused.join(QStringLiteral("; "));
        }
        outcomes << outcome;
    }
    return outcomes;
}
