#include "frame/framebitmap.h"

#include "base/localpath.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <utility>

namespace {

// The frame, or why not: inside the reader, where every step may refuse.
struct Result
{
    std::optional<FrameBitmap> bitmap;
    QString error;
};

constexpr qint64 FileHeaderSize = 14;
constexpr qint64 CoreHeaderSize = 12;
constexpr qint64 InfoHeaderSize = 40;
constexpr qint64 MaskBytes = 12; // red, green and blue masks after a 40-byte header

constexpr quint32 BiRgb = 0;
constexpr quint32 BiRle8 = 1;
constexpr quint32 BiBitfields = 3;

// What the headers say, widened to 64 bits so no product or sum below can overflow.
struct Layout
{
    qint64 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0; // rows, always positive
    bool topDown = false;
    qint64 planes = 0;
    qint64 bitCount = 0;
    quint32 compression = BiRgb;
    qint64 colours = 0;
    qint64 entrySize = 4;
    qint64 tableOffset = 0;
    qint64 pixelOffset = 0;
};

// Callers check the bounds first.
quint32 readU16(const QByteArray &data, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8;
}

quint32 readU32(const QByteArray &data, qint64 at)
{
    return readU16(data, at) | readU16(data, at + 2) << 16;
}

Result refuse(const QString &why)
{
    return {std::nullopt, why};
}

bool isKnownHeaderSize(qint64 size)
{
    return size == CoreHeaderSize || size == InfoHeaderSize || size == 52 || size == 56 || size == 108 || size == 124;
}

QString compressionName(quint32 compression)
{
    switch (compression) {
    case 2:
        return QStringLiteral("RLE4");
    case 4:
        return QStringLiteral("JPEG");
    case 5:
        return QStringLiteral("PNG");
    case 6:
        return QStringLiteral("alpha bit fields");
    default:
        return QStringLiteral("an unknown method");
    }
}

// Reads the info or core header; returns why the picture is not a frame, or an empty string.
QString readLayout(const QByteArray &data, Layout &layout)
{
    if (layout.headerSize == CoreHeaderSize) {
        // Core headers hold unsigned 16-bit sizes (so never top-down) and 3-byte colour entries.
        layout.width = readU16(data, 18);
        layout.height = readU16(data, 20);
        layout.planes = readU16(data, 22);
        layout.bitCount = readU16(data, 24);
        layout.entrySize = 3;
    } else {
        layout.width = qint32(readU32(data, 18));
        const qint64 height = qint32(readU32(data, 22));
        layout.topDown = height < 0;
        layout.height = height < 0 ? -height : height;
        layout.planes = readU16(data, 26);
        layout.bitCount = readU16(data, 28);
        layout.compression = readU32(data, 30);
        layout.colours = readU32(data, 46);
    }

    if (layout.planes != 1)
        return QStringLiteral("the picture has %1 colour planes; a frame must have 1").arg(layout.planes);
    if (layout.width != FrameBitmap::Width || layout.height != FrameBitmap::Height)
        return QStringLiteral("the picture is %1 x %2 pixels; a frame must be %3 x %4")
            .arg(layout.width)
            .arg(layout.height)
            .arg(FrameBitmap::Width)
            .arg(FrameBitmap::Height);
    if (layout.bitCount != 8)
        return QStringLiteral("the picture has %1 bits per pixel; a frame must be 8-bit, 256 colours")
            .arg(layout.bitCount);
    if (layout.compression != BiRgb && layout.compression != BiRle8 && layout.compression != BiBitfields)
        return QStringLiteral("the picture is compressed with %1 (method %2); a frame must be "
                              "uncompressed or RLE8")
            .arg(compressionName(layout.compression))
            .arg(layout.compression);
    // Top-down rows have no defined meaning for RLE8 data.
    if (layout.compression == BiRle8 && layout.topDown)
        return QStringLiteral("the picture is RLE8-compressed with top-down rows, which bitmaps do not allow");
    if (layout.colours == 0)
        layout.colours = FrameBitmap::PaletteSize;
    if (layout.colours > FrameBitmap::PaletteSize)
        return QStringLiteral("the colour table has %1 entries; a frame has at most %2")
            .arg(layout.colours)
            .arg(FrameBitmap::PaletteSize);

    layout.tableOffset = FileHeaderSize + layout.headerSize;
    // Only the 40-byte header keeps its bit field masks outside the header.
    if (layout.headerSize == InfoHeaderSize && layout.compression == BiBitfields)
        layout.tableOffset += MaskBytes;
    return {};
}

// Decodes RLE8 data into rows in file order (bottom row first); returns why it is broken, or an
// empty string. Pixels the data skips stay at index 0.
QString decodeRle8(const QByteArray &data, qint64 at, QByteArray &rows)
{
    constexpr qint64 Width = FrameBitmap::Width;
    constexpr qint64 Height = FrameBitmap::Height;
    const QString pastRow = QStringLiteral("the RLE8 data runs past the end of a row");
    const QString pastPicture = QStringLiteral("the RLE8 data runs past the end of the picture");
    const QString endsEarly = QStringLiteral("the RLE8 data ends before its end-of-bitmap mark");
    const auto byteAt = [&data](qint64 i) { return qint64(quint8(data.at(i))); };
    const qint64 end = data.size();
    qint64 x = 0;
    qint64 y = 0;

    for (;;) {
        if (end - at < 2)
            return endsEarly;
        const qint64 count = byteAt(at);
        const qint64 code = byteAt(at + 1);
        at += 2;

        if (count > 0) { // a run of one index
            if (y >= Height)
                return pastPicture;
            if (x + count > Width)
                return pastRow;
            std::memset(rows.data() + y * Width + x, int(code), size_t(count));
            x += count;
            continue;
        }
        switch (code) {
        case 0: // end of line
            if (y >= Height)
                return pastPicture;
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return {};
        case 2: // delta: skip right and up
            if (end - at < 2)
                return endsEarly;
            x += byteAt(at);
            y += byteAt(at + 1);
            at += 2;
            if (x > Width || y > Height)
                return QStringLiteral("an RLE8 delta moves outside the picture");
            break;
        default: // absolute mode: `code` literal indices, padded to an even length
            if (y >= Height)
                return pastPicture;
            if (x + code > Width)
                return pastRow;
            if (end - at < code)
                return endsEarly;
            std::memcpy(rows.data() + y * Width + x, data.constData() + at, size_t(code));
            x += code;
            at += code + (code & 1);
            break;
        }
    }
}

Result parseChecked(const QByteArray &data);

Result readChecked(const QString &path)
{
    const LocalPath::Info info = LocalPath::stat(path);
    if (info.isFolder)
        return refuse(QStringLiteral("it is a folder, not a file"));
    // Opening a pipe or a device could block or never end.
    if (info.exists && !info.isFile)
        return refuse(QStringLiteral("it is not a regular file"));
    if (info.size > FrameBitmapReader::MaxFileSize)
        return refuse(QStringLiteral("the file is %1 bytes; a frame file is about 33 KB").arg(info.size));

    QFile file;
    QString error;
    if (!LocalPath::openForReading(file, path, &error))
        return refuse(QStringLiteral("the file cannot be read: %1").arg(error));
    const qint64 size = file.size();
    if (size > FrameBitmapReader::MaxFileSize)
        return refuse(QStringLiteral("the file is %1 bytes; a frame file is about 33 KB").arg(size));
    const QByteArray data = file.read(size);
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("the file cannot be read: %1").arg(file.errorString()));
    return parseChecked(data);
}

Result parseChecked(const QByteArray &data)
{
    const qint64 size = data.size();
    if (size == 0)
        return refuse(QStringLiteral("the file is empty"));
    if (data.at(0) != 'B' || (size > 1 && data.at(1) != 'M'))
        return refuse(QStringLiteral("it is not a Windows bitmap (it does not start with \"BM\")"));
    if (size < FileHeaderSize)
        return refuse(QStringLiteral("the file header is truncated"));

    Layout layout;
    layout.pixelOffset = readU32(data, 10);
    if (size < FileHeaderSize + 4)
        return refuse(QStringLiteral("the bitmap header is truncated"));
    layout.headerSize = readU32(data, FileHeaderSize);
    if (!isKnownHeaderSize(layout.headerSize))
        return refuse(QStringLiteral("the bitmap header has an unknown size of %1 bytes").arg(layout.headerSize));
    if (size < FileHeaderSize + layout.headerSize)
        return refuse(QStringLiteral("the bitmap header is truncated"));

    const QString why = readLayout(data, layout);
    if (!why.isEmpty())
        return refuse(why);

    const qint64 tableEnd = layout.tableOffset + layout.colours * layout.entrySize;
    if (tableEnd > size)
        return refuse(QStringLiteral("the colour table is truncated"));
    if (layout.pixelOffset > size)
        return refuse(
            QStringLiteral("the pixel offset %1 is outside the file of %2 bytes").arg(layout.pixelOffset).arg(size));
    if (layout.pixelOffset < tableEnd)
        return refuse(
            QStringLiteral("the pixel offset %1 is inside the headers or colour table").arg(layout.pixelOffset));

    FrameBitmap frame;
    frame.palette.fill(qRgb(0, 0, 0));
    for (qint64 e = 0; e < layout.colours; ++e) {
        const qint64 at = layout.tableOffset + e * layout.entrySize;
        frame.palette[size_t(e)] = qRgb(quint8(data.at(at + 2)), quint8(data.at(at + 1)), quint8(data.at(at)));
    }

    constexpr qint64 Width = FrameBitmap::Width;
    constexpr qint64 Height = FrameBitmap::Height;
    // Rows as the file orders them; uncompressed rows are read in place.
    const char *fileRows = nullptr;
    qint64 stride = Width;
    QByteArray decoded;
    if (layout.compression == BiRle8) {
        decoded = QByteArray(FrameBitmap::PixelCount, '\0');
        const QString rleError = decodeRle8(data, layout.pixelOffset, decoded);
        if (!rleError.isEmpty())
            return refuse(rleError);
        fileRows = decoded.constData();
    } else {
        stride = (layout.width * layout.bitCount + 31) / 32 * 4;
        if (layout.pixelOffset + stride * Height > size)
            return refuse(QStringLiteral("the pixels are truncated (the file holds %1 of the %2 bytes)")
                              .arg(size - layout.pixelOffset)
                              .arg(stride * Height));
        fileRows = data.constData() + layout.pixelOffset;
    }

    frame.pixels.resize(FrameBitmap::PixelCount);
    for (qint64 row = 0; row < Height; ++row) {
        const qint64 fileRow = layout.topDown ? row : Height - 1 - row;
        std::memcpy(frame.pixels.data() + row * Width, fileRows + fileRow * stride, size_t(Width));
    }
    return {std::move(frame), QString()};
}

std::optional<FrameBitmap> handOut(Result result, QString *error)
{
    if (error)
        *error = result.error;
    return std::move(result.bitmap);
}

} // namespace

std::optional<FrameBitmap> FrameBitmapReader::readFile(const QString &path, QString *error)
{
    return handOut(readChecked(path), error);
}

std::optional<FrameBitmap> FrameBitmapReader::parse(const QByteArray &data, QString *error)
{
    return handOut(parseChecked(data), error);
}

QString FrameBitmapReader::problemWith(const QString &path)
{
    return readChecked(path).error;
}
