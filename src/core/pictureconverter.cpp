#include "core/pictureconverter.h"

#include "core/framename.h"
#include "core/framequantizer.h"
#include "core/framewriter.h"
#include "core/localpath.h"
#include "core/picturereader.h"
#include "core/wireformat.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

PictureConverter::PictureConverter(const ImportOptions &options, const QString &folder)
    : m_options(options)
    , m_folder(folder)
{ }

namespace {

// The device receives the name up to its first dot, 8 characters of it: 5 of the name and the
// picture's number keep the frames of one animation apart.
QString numberedStem(const QString &source)
{
    QString stem = QFileInfo(source).completeBaseName();
    stem.replace(QLatin1Char('.'), QLatin1Char('_'));
    return stem.left(5);
}

} // namespace

QString PictureConverter::frameFileName(const QString &source, int index, bool animated)
{
    if (!animated)
        return QFileInfo(source).completeBaseName() + QStringLiteral(".bmp");
    return numberedStem(source) + QStringLiteral("%1.bmp").arg(index, 3, 10, QLatin1Char('0'));
}

QVector<int> PictureConverter::pictureCounts(const QStringList &pictures)
{
    QVector<int> counts;
    for (const QString &picture : pictures)
        counts.append(PictureReader::pictureCount(picture));
    return counts;
}

QVector<int> PictureConverter::sequenceNumbers(const QStringList &pictures, const QVector<int> &counts)
{
    // Stills grouped by the eight characters the device would receive as their name.
    const auto deviceName = [&](int i) {
        return frameNameFromPath(pictures[i]).left(WireFormat::NameLength).toLower();
    };
    QHash<QString, int> sharing;
    for (int i = 0; i < pictures.size(); ++i) {
        if (counts[i] == 1)
            ++sharing[deviceName(i)];
    }
    // Numbered on across groups whose numbered names would start alike: intro_0001 ... intro_0150
    // are two groups by their first eight characters, and one sequence intro000 ... intro149.
    QHash<QString, int> next;
    QVector<int> numbers(pictures.size(), -1);
    for (int i = 0; i < pictures.size(); ++i) {
        if (counts[i] == 1 && sharing.value(deviceName(i)) > 1)
            numbers[i] = next[numberedStem(pictures[i]).toLower()]++;
    }
    return numbers;
}

QString PictureConverter::fileName(const QString &picture, int sequenceNumber, int index, bool animated)
{
    return sequenceNumber >= 0 ? frameFileName(picture, sequenceNumber, true) : frameFileName(picture, index, animated);
}

QStringList PictureConverter::plannedFiles(const QStringList &pictures) const
{
    const QVector<int> counts = pictureCounts(pictures);
    const QVector<int> sequence = sequenceNumbers(pictures, counts);
    QStringList files;
    int room = MostFrames;
    for (int p = 0; p < pictures.size(); ++p) {
        const int pictureCount = std::max(counts[p], 1);
        const int count = std::min(pictureCount, room);
        for (int i = 0; i < count; ++i)
            files << QDir(m_folder).filePath(fileName(pictures[p], sequence[p], i, pictureCount > 1));
        room -= count;
    }
    return files;
}

QList<PictureConverter::Outcome> PictureConverter::convert(const QStringList &pictures)
{
    const QVector<int> sequence = sequenceNumbers(pictures, pictureCounts(pictures));
    QSet<QString> madeNow; // the frame files of this run, as the file system tells names apart
    QList<Outcome> outcomes;
    int made = 0;
    for (int p = 0; p < pictures.size(); ++p) {
        const QString &picture = pictures[p];
        Outcome outcome;
        outcome.source = picture;
        const int room = MostFrames - made;
        PictureReader::Read read;
        QString why;
        if (cancelled()) {
            outcome.cancelled = true;
            outcome.problem = QStringLiteral("not converted: cancelled");
        } else if (room == 0) {
            outcome.problem = QStringLiteral("left out: %1 frames have been made already, as many as the device takes")
                                  .arg(MostFrames);
        } else if (!PictureReader::read(picture, m_options, room, &read, &why)) {
            outcome.problem = why;
        } else {
            outcome.caveat = read.caveat;
            QStringList refused;
            QStringList clashes;
            for (int i = 0; i < read.pictures.size() && !cancelled(); ++i) {
                const QString target = QDir(m_folder).filePath(fileName(picture, sequence[p], i, read.animated));
                const QString key = LocalPath::namesIgnoreCase() ? target.toLower() : target;
                if (madeNow.contains(key)) {
                    clashes << QFileInfo(target).fileName();
                    continue;
                }
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
                madeNow.insert(key);
                ++made;
                if (m_progress)
                    m_progress(made);
            }
            if (!clashes.isEmpty())
                refused << QStringLiteral("%1 not written: %2 made from another picture of this import already; "
                                          "rename one of the two")
                               .arg(clashes.size() == 1 ? clashes.first()
                                                        : QStringLiteral("%1 frames").arg(clashes.size()),
                                    clashes.size() == 1 ? QStringLiteral("it was") : QStringLiteral("they were"));
            if (read.leftOut > 0)
                refused << QStringLiteral("%1 of its pictures left out: the device takes %2 frames")
                               .arg(read.leftOut)
                               .arg(MostFrames);
            outcome.cancelled = cancelled() && outcome.written.size() < read.pictures.size();
            if (outcome.cancelled)
                refused << QStringLiteral("cancelled");
            outcome.problem = refused.join(QStringLiteral("; "));
        }
        outcomes << outcome;
    }
    return outcomes;
}
