#include "import/core/pictureconverter.h"

#include "base/workerpool.h"
#include "frame/framename.h"
#include "frame/wireformat.h"
#include "import/core/conversionrun.h"
#include "import/core/picturereader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

PictureConverter::PictureConverter(const ImportOptions &options, const QString &folder)
    : m_options(options)
    , m_folder(folder)
    , m_threads(WorkerPool::cores())
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
        const bool animated = counts[p] > 1;
        const int count = std::min(animated ? m_options.taken(counts[p]) : 1, room);
        for (int i = 0; i < count; ++i)
            files << QDir(m_folder).filePath(fileName(pictures[p], sequence[p], i, animated));
        room -= count;
    }
    return files;
}

QList<PictureConverter::Outcome> PictureConverter::convert(const QStringList &pictures)
{
    ConversionRun::Setup setup;
    setup.pictures = pictures;
    setup.options = m_options;
    setup.counts = pictureCounts(pictures);
    const QVector<int> sequence = sequenceNumbers(pictures, setup.counts);
    setup.target = [this, pictures, sequence](int picture, int index, bool animated) {
        return QDir(m_folder).filePath(fileName(pictures[picture], sequence[picture], index, animated));
    };
    setup.overwrite = m_overwrite;
    setup.cancel = m_cancel;
    setup.progress = m_progress;
    setup.threads = m_threads;
    return ConversionRun(std::move(setup)).run();
}
