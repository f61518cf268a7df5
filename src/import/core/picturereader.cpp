#include "import/core/picturereader.h"

#include "base/boundedread.h"
#include "base/localpath.h"
#include "frame/framebitmap.h"
#include "import/core/framegeometry.h"
#include "import/core/picturedamage.h"
#include "import/core/readerlog.h"
#include "import/core/svgdrawing.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// The most a picture file may have: Qt reads no picture past 256 MB of pixels either.
constexpr qint64 MostBytes = qint64(256) << 20;

bool refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool isDrawing(const QByteArray &format)
{
    return format == "svg" || format == "svgz";
}

// Only a regular file is opened: a pipe or a device could keep the reading waiting for ever.
bool openRegular(QFile &file, const QString &path, qint64 *size, QString *error)
{
    QString why;
    const LocalPath::Info info = LocalPath::stat(path, &why);
    if (!info.exists)
        return refuse(error, QStringLiteral("cannot be read: %1").arg(why));
    if (!info.isFile)
        return refuse(error,
                      info.isFolder ? QStringLiteral("is a folder, not a picture")
                                    : QStringLiteral("is not a file but a pipe or a device, which is not read"));
    if (!LocalPath::openForReading(file, path, &why))
        return refuse(error, QStringLiteral("cannot be read: %1").arg(why));
    *size = info.size;
    return true;
}

// The whole file, read once, up to the limit.
bool load(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file;
    qint64 size = 0;
    if (!openRegular(file, path, &size, error))
        return false;
    if (size > MostBytes)
        return refuse(error,
                      QStringLiteral("is %1, more than the %2 a picture may have")
                          .arg(QLocale::c().formattedDataSize(size, 1), QLocale::c().formattedDataSize(MostBytes, 1)));
    *bytes = BoundedRead::read(file, MostBytes, size);
    if (file.error() != QFileDevice::NoError)
        return refuse(error, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    if (bytes->isEmpty())
        return refuse(error, QStringLiteral("is empty"));
    if (bytes->size() > MostBytes)
        return refuse(
            error, QStringLiteral("grew past %1 while it was read").arg(QLocale::c().formattedDataSize(MostBytes, 1)));
    return true;
}

// A drawing is drawn at the size it takes in the frame rather than scaled from a bitmap.
bool readDrawing(const QByteArray &bytes, const ImportOptions &options, PictureReader::Read *out, QString *error)
{
    SvgDrawing drawing;
    QString why;
    if (!drawing.load(bytes, &why))
        return refuse(error, why);
    const QSize own(std::max(1, int(std::ceil(drawing.size().width()))),
                    std::max(1, int(std::ceil(drawing.size().height()))));
    const QRect frame(0, 0, FrameBitmap::Width, FrameBitmap::Height);
    const QImage drawn = drawing.draw(FrameGeometry::placement(own, options.geometry), frame.size(), &why);
    if (drawn.isNull())
        return refuse(error, QStringLiteral("cannot be drawn: %1").arg(why));
    out->pictures.append({FrameGeometry::composeDrawn(drawn, frame, options.background), 0});
    out->caveat = drawing.caveat();
    return true;
}

} // namespace

bool PictureReader::read(const QString &path, const ImportOptions &options, int limit, Read *out, QString *error)
{
    *out = Read();
    QByteArray bytes;
    if (!load(path, &bytes, error))
        return false;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ReaderLog log;
    QImageReader reader(&buffer);
    reader.setAutoTransform(true); // the orientation a camera wrote down
    if (!reader.canRead()) {
        return refuse(error,
                      reader.error() == QImageReader::UnsupportedFormatError
                          ? QStringLiteral("is not a picture in a format this program reads")
                          : QStringLiteral("is not a picture: %1").arg(reader.errorString()));
    }
    const QByteArray format = reader.format();
    if (isDrawing(format))
        return readDrawing(bytes, options, out, error);
    const QString damage = PictureDamage::find(bytes, format);
    if (!damage.isEmpty())
        return refuse(error, QStringLiteral("is damaged: %1").arg(damage));
    const QSize size = reader.size();
    if (size.isValid() && size.isEmpty())
        return refuse(error,
                      QStringLiteral("has no pixels (its size is %1 x %2)").arg(size.width()).arg(size.height()));

    out->animated = reader.supportsAnimation() && reader.imageCount() != 1;
    // The pictures of an animation the options choose; a still picture is always taken.
    const auto chosen = [&](int index) { return !out->animated || options.takes(index); };
    int index = 0;
    bool stoppedOnPurpose = false; // before the file's end: past the limit or the chosen range
    for (; reader.canRead() && (!out->animated || options.last < 0 || index <= options.last); ++index) {
        if (out->pictures.size() >= limit) {
            // Counted, not drawn: a header that knows the number saves reading the rest.
            const int known = reader.imageCount();
            if (known > 0) {
                out->leftOut = (out->animated ? options.taken(known) : known) - int(out->pictures.size());
                stoppedOnPurpose = true;
                break;
            }
            if (reader.jumpToNextImage() || !reader.read().isNull()) {
                out->leftOut += chosen(index) ? 1 : 0;
                continue;
            }
            break;
        }
        if (!chosen(index)) {
            // Read all the same: a picture of an animation may be drawn over the one before.
            if (reader.read().isNull())
                break;
            continue;
        }
        const QImage image = reader.read();
        if (image.isNull() || image.size().isEmpty()) {
            if (!out->pictures.isEmpty()) // what came before it may be all there is, or not
                return refuse(error,
                              QStringLiteral("is damaged: its picture %1 cannot be read (%2)")
                                  .arg(index + 1)
                                  .arg(reader.errorString()));
            break;
        }
        Picture picture;
        picture.frame = FrameGeometry::compose(image, options);
        picture.delayMs = reader.nextImageDelay();
        picture.number = index;
        out->pictures.append(picture);
        if (!reader.supportsAnimation())
            break;
    }
    if (!log.damage().isEmpty())
        return refuse(error, QStringLiteral("is damaged: the reader says \"%1\"").arg(log.damage()));
    if (out->pictures.isEmpty() && out->animated && index > 0 && reader.error() == QImageReader::UnknownError) {
        return refuse(error,
                      QStringLiteral("holds %1 pictures, none of them among those chosen")
                          .arg(reader.imageCount() > 0 ? reader.imageCount() : index));
    }
    if (out->pictures.isEmpty()) {
        return refuse(error,
                      reader.error() == QImageReader::UnknownError
                          ? QStringLiteral("holds no picture")
                          : QStringLiteral("is not a picture: %1").arg(reader.errorString()));
    }
    stoppedOnPurpose = stoppedOnPurpose || (out->animated && options.last >= 0 && index > options.last);
    const int counted = reader.supportsAnimation() ? reader.imageCount() : 0;
    if (counted > 0 && !stoppedOnPurpose && index < counted)
        return refuse(
            error,
            QStringLiteral("is damaged: it holds %1 of the %2 pictures its header counts").arg(index).arg(counted));
    out->animated = out->animated || out->pictures.size() + out->leftOut > 1;
    return true;
}

int PictureReader::pictureCount(const QString &path)
{
    QFile file;
    qint64 size = 0;
    if (!openRegular(file, path, &size, nullptr))
        return 0;
    const ReaderLog quiet; // what it says counts when the picture is read
    QImageReader reader(&file);
    if (!reader.canRead())
        return 0;
    if (isDrawing(reader.format()))
        return 1;
    const int count = reader.imageCount();
    return reader.supportsAnimation() ? std::max(count, 0) : 1;
}

QStringList PictureReader::nameFilters()
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    return patterns;
}
