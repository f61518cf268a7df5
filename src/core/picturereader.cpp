#include "core/picturereader.h"

#include "core/framegeometry.h"
#include "core/localpath.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace {

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

} // namespace

bool PictureReader::read(const QString &path, const ImportOptions &options, int limit, Read *out, QString *error)
{
    *out = Read();
    QFile file;
    QString why;
    if (!LocalPath::openForReading(file, path, &why))
        return refuse(error, QStringLiteral("cannot be read: %1").arg(why));
    if (file.size() == 0)
        return refuse(error, QStringLiteral("is empty"));
    QImageReader reader(&file);
    reader.setAutoTransform(true); // the orientation a camera wrote down
    if (!reader.canRead()) {
        return refuse(error,
                      reader.error() == QImageReader::UnsupportedFormatError
                          ? QStringLiteral("is not a picture in a format this program reads")
                          : QStringLiteral("is not a picture: %1").arg(reader.errorString()));
    }
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (size.isValid() && size.isEmpty())
        return refuse(error,
                      QStringLiteral("has no pixels (its size is %1 x %2)").arg(size.width()).arg(size.height()));

    const bool drawing = isDrawing(format) && size.isValid();
    QRect placement;
    if (drawing) {
        placement = FrameGeometry::placement(size, options.geometry);
        reader.setScaledSize(placement.size());
    }
    out->animated = reader.supportsAnimation() && reader.imageCount() != 1;
    // The pictures of an animation the options choose; a still picture is always taken.
    const auto chosen = [&](int index) { return !out->animated || options.takes(index); };
    int index = 0;
    for (; reader.canRead() && (!out->animated || options.last < 0 || index <= options.last); ++index) {
        if (out->pictures.size() >= limit) {
            // Counted, not drawn: a header that knows the number saves reading the rest.
            const int known = reader.imageCount();
            if (known > 0) {
                out->leftOut = (out->animated ? options.taken(known) : known) - int(out->pictures.size());
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
        if (image.isNull() || image.size().isEmpty())
            break;
        Picture picture;
        picture.frame = drawing ? FrameGeometry::composeDrawn(image, placement, options.background)
                                : FrameGeometry::compose(image, options);
        picture.delayMs = reader.nextImageDelay();
        picture.number = index;
        out->pictures.append(picture);
        if (!reader.supportsAnimation())
            break;
    }
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
    out->animated = out->animated || out->pictures.size() + out->leftOut > 1;
    return true;
}

int PictureReader::pictureCount(const QString &path)
{
    QFile file;
    if (!LocalPath::openForReading(file, path))
        return 0;
    QImageReader reader(&file);
    if (!reader.canRead())
        return 0;
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
