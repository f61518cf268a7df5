#include "badbitmaps.h"

#include "bmpwriter.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <functional>

#include <sys/stat.h>

namespace {

using Kind = BadBitmap::Kind;
using Preview = BadBitmap::Preview;

QVector<QRgb> palette(int count)
{
    QVector<QRgb> colours;
    for (int e = 0; e < count; ++e)
        colours.append(qRgb((e * 3 + 1) & 0xFF, (e * 5 + 2) & 0xFF, (e * 7 + 3) & 0xFF));
    return colours;
}

// Rows of `bytesPerRow` bytes that differ from each other, so a reader that mixes rows shows it.
QByteArray pattern(qint64 bytesPerRow, int rows)
{
    QByteArray pixels;
    for (int r = 0; r < rows; ++r) {
        for (qint64 c = 0; c < bytesPerRow; ++c)
            pixels.append(char((r * 7 + c / 3) & 0xFF));
    }
    return pixels;
}

BmpWriter frameWriter()
{
    BmpWriter writer;
    writer.palette = palette(256);
    writer.pixels = pattern(256, 128);
    return writer;
}

QByteArray changed(const std::function<void(BmpWriter &)> &change)
{
    BmpWriter writer = frameWriter();
    change(writer);
    return writer.build();
}

// An otherwise faithful picture of another depth, with the colour table that depth needs.
QByteArray depth(int bits)
{
    return changed([bits](BmpWriter &w) {
        w.bitCount = quint16(bits);
        w.palette = bits <= 8 ? palette(1 << bits) : QVector<QRgb>();
        w.pixels = pattern((256 * bits + 7) / 8, 128);
    });
}

QByteArray rle8(const QByteArray &stream, bool topDown = false)
{
    return changed([&](BmpWriter &w) {
        w.compression = BmpWriter::Rle8;
        w.topDown = topDown;
        if (!stream.isEmpty())
            w.pixelData = stream;
    });
}

QByteArray repeated(const QByteArray &piece, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

QByteArray goodFrameFile()
{
    return frameWriter().build();
}

QVector<BadBitmap> writeBadBitmaps(const QString &folder)
{
    QVector<BadBitmap> corpus;
    const QDir dir(folder);
    const QByteArray good = goodFrameFile();
    // Each file is numbered, so the names say nothing a reader could go by.
    const auto file = [&](const char *row, const QByteArray &bytes, const QString &phrase,
                          Preview preview = Preview::Refused) {
        const QString path = dir.filePath(QStringLiteral("%1.bmp").arg(corpus.size(), 2, 10, QLatin1Char('0')));
        if (writeFile(path, bytes))
            corpus.append({QString::fromLatin1(row), path, phrase, Kind::File, preview, false});
    };
    const auto size = [](qint64 w, qint64 h) {
        return QStringLiteral("the picture is %1 x %2 pixels; a frame must be 256 x 128").arg(w).arg(h);
    };
    const auto bits = [](int n) {
        return QStringLiteral("the picture has %1 bits per pixel; a frame must be 8-bit, 256 colours").arg(n);
    };
    const QString headerCut = QStringLiteral("the bitmap header is truncated");
    const QString pastRow = QStringLiteral("the RLE8 data runs past the end of a row");
    const QString pastPicture = QStringLiteral("the RLE8 data runs past the end of the picture");
    const QString badDelta = QStringLiteral("an RLE8 delta moves outside the picture");

    file("empty file", QByteArray(), QStringLiteral("the file is empty"));
    file("text, not a bitmap", "just some text\n", QStringLiteral("it does not start with \"BM\""));
    file("cut in the file header", good.left(9), QStringLiteral("the file header is truncated"));
    file("cut before the header size", good.left(16), headerCut);
    file("cut in the info header", good.left(40), headerCut);
    file("cut in the colour table", good.left(14 + 40 + 4 * 100 + 2), QStringLiteral("the colour table is truncated"));
    file("cut in the pixels", good.left(good.size() - 1000),
         QStringLiteral("the pixels are truncated (the file holds 31768 of the 32768 bytes)"), Preview::Either);
    file("last pixel byte missing", good.left(good.size() - 1),
         QStringLiteral("the pixels are truncated (the file holds 32767 of the 32768 bytes)"), Preview::Either);
    file("RLE8 without its end mark", rle8({}).chopped(2),
         QStringLiteral("the RLE8 data ends before its end-of-bitmap mark"), Preview::Either);

    for (const int headerSize : {0, 20, 64, 100, -1}) {
        const QByteArray row = "header size " + QByteArray::number(quint32(headerSize));
        // 64 bytes is the OS/2 2.x header, which Qt reads.
        file(row.constData(), changed([=](BmpWriter &w) { w.headerSize = headerSize; }),
             QStringLiteral("the bitmap header has an unknown size of %1 bytes").arg(quint32(headerSize)),
             headerSize == 64 ? Preview::Picture : Preview::Refused);
    }

    // Widths and heights as the header holds them; a negative height is top-down, so only its
    // size is wrong.
    // Pictures of another size are still pictures to Qt; impossible sizes are not.
    const struct { const char *row; qint32 width, height; qint64 shownWidth, shownHeight; Preview preview; } shapes[] = {
        {"width 255", 255, 128, 255, 128, Preview::Picture},
        {"width 257", 257, 128, 257, 128, Preview::Picture},
        {"width 0", 0, 128, 0, 128, Preview::Refused},
        {"width -256", -256, 128, -256, 128, Preview::Refused},
        {"huge width", INT_MAX, 128, INT_MAX, 128, Preview::Refused},
        {"height 127", 256, 127, 256, 127, Preview::Picture},
        {"height 0", 256, 0, 256, 0, Preview::Refused},
        {"top-down height -127", 256, -127, 256, 127, Preview::Picture},
        {"top-down height -129", 256, -129, 256, 129, Preview::Picture},
        {"huge height", 256, INT_MAX, 256, INT_MAX, Preview::Refused},
        {"most negative height", 256, INT_MIN, 256, -qint64(INT_MIN), Preview::Refused},
        {"width and height swapped", 128, 256, 128, 256, Preview::Picture},
    };
    for (const auto &shape : shapes) {
        file(shape.row, changed([&](BmpWriter &w) {
                 w.width = shape.width;
                 w.height = shape.height;
             }),
             size(shape.shownWidth, shape.shownHeight), shape.preview);
    }
    // The 12-byte core header keeps sizes in 16 bits. No pixels: the header alone is wrong.
    file("core header, width 65535", changed([](BmpWriter &w) {
             w.headerSize = 12;
             w.width = 65535;
             w.pixelData = QByteArray(64, '\0');
         }),
         size(65535, 128), Preview::Either);

    for (const int n : {1, 4, 16, 24, 32})
        file(qPrintable(QStringLiteral("%1 bits per pixel").arg(n)), depth(n), bits(n), Preview::Picture);
    file("0 bits per pixel", changed([](BmpWriter &w) { w.bitCount = 0; }), bits(0));

    for (const int planes : {0, 2, 8}) {
        file(qPrintable(QStringLiteral("%1 colour planes").arg(planes)),
             changed([=](BmpWriter &w) { w.planes = quint16(planes); }),
             QStringLiteral("the picture has %1 colour planes; a frame must have 1").arg(planes));
    }
    file("RLE4 compression", changed([](BmpWriter &w) { w.compression = BmpWriter::Rle4; }),
         QStringLiteral("compressed with RLE4 (method 2)"));
    file("PNG compression", changed([](BmpWriter &w) { w.compression = 5; }),
         QStringLiteral("compressed with PNG (method 5)"));
    file("RLE8 with top-down rows", rle8({}, true), QStringLiteral("RLE8-compressed with top-down rows"),
         Preview::Either);

    // Hand-made RLE8 streams: count, index pairs; 00 00 ends a line, 00 01 the bitmap, 00 02 dx dy
    // moves, 00 n starts n literal indices.
    file("RLE8 run past the row", rle8(QByteArray::fromHex("C805 6406 0001")), pastRow, Preview::Either);
    file("RLE8 literal past the row", rle8(QByteArray::fromHex("FA01 000A 0102030405060708090A 0001")), pastRow,
         Preview::Either);
    file("RLE8 run past the picture", rle8(repeated(QByteArray::fromHex("0000"), 128) + QByteArray::fromHex("0107 0001")),
         pastPicture, Preview::Either);
    file("RLE8 line end past the picture", rle8(repeated(QByteArray::fromHex("0000"), 129) + QByteArray::fromHex("0001")),
         pastPicture, Preview::Either);
    file("RLE8 delta below the picture", rle8(QByteArray::fromHex("0002 00C8 0001")), badDelta, Preview::Either);
    file("RLE8 delta right of the picture", rle8(QByteArray::fromHex("0002 FF00 0002 0A00 0001")), badDelta,
         Preview::Either);

    for (const quint32 colours : {257u, 0xFFFFFFFFu}) {
        file(qPrintable(QStringLiteral("%1 colours").arg(colours)), changed([=](BmpWriter &w) { w.colorsUsed = colours; }),
             QStringLiteral("the colour table has %1 entries; a frame has at most 256").arg(colours), Preview::Either);
    }
    for (const quint32 offset : {40000u, 0xFFFFFFFFu}) {
        file(qPrintable(QStringLiteral("pixel offset %1").arg(offset)),
             changed([=](BmpWriter &w) { w.pixelOffset = offset; }),
             QStringLiteral("the pixel offset %1 is outside the file of %2 bytes").arg(offset).arg(good.size()),
             Preview::Either);
    }
    file("pixel offset inside the colour table", changed([](BmpWriter &w) { w.pixelOffset = 100; }),
         QStringLiteral("the pixel offset 100 is inside the headers or colour table"), Preview::Either);

    // Not files at all.
    const QString folderPath = dir.filePath(QStringLiteral("x.bmp"));
    if (dir.mkdir(QStringLiteral("x.bmp")))
        corpus.append({QStringLiteral("folder named x.bmp"), folderPath, QStringLiteral("it is a folder, not a file"),
                       Kind::Folder, Preview::Refused, false});
    const QString loop = dir.filePath(QStringLiteral("loop.bmp"));
    if (QFile::link(dir.filePath(QStringLiteral("loop2.bmp")), loop)
        && QFile::link(loop, dir.filePath(QStringLiteral("loop2.bmp"))))
        corpus.append({QStringLiteral("link loop"), loop,
                       QStringLiteral("the file cannot be read: Too many levels of symbolic links"), Kind::Unlisted,
                       Preview::Refused, false});
    const QString dangling = dir.filePath(QStringLiteral("dangling.bmp"));
    if (QFile::link(dir.filePath(QStringLiteral("nothing-here.bmp")), dangling))
        corpus.append({QStringLiteral("link to nothing"), dangling,
                       QStringLiteral("the file cannot be read: No such file or directory"), Kind::Unlisted,
                       Preview::Refused, false});
    const QString pipe = dir.filePath(QStringLiteral("pipe.bmp"));
    if (::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0)
        corpus.append({QStringLiteral("named pipe"), pipe, QStringLiteral("it is not a regular file"), Kind::Pipe,
                       Preview::Refused, false});

    // A good frame grown past 4 GiB by exactly one frame file: a size cut to 32 bits would look
    // like a frame's. Sparse, so it costs no disk; reading it would take gigabytes of memory.
    const qint64 huge = (qint64(1) << 32) + good.size();
    const QString sparse = dir.filePath(QStringLiteral("huge.bmp"));
    QFile big(sparse);
    if (writeFile(sparse, good) && big.resize(huge))
        corpus.append({QStringLiteral("sparse file past 4 GiB"), sparse,
                       QStringLiteral("the file is %1 bytes; a frame file is about 33 KB").arg(huge), Kind::File,
                       Preview::Picture, false});

    // A good frame nobody may read: only a process without root's rights is refused.
    const QString locked = dir.filePath(QStringLiteral("locked.bmp"));
    if (writeFile(locked, good) && QFile::setPermissions(locked, QFileDevice::Permissions()))
        corpus.append({QStringLiteral("no read permission"), locked,
                       QStringLiteral("the file cannot be read: Permission denied"), Kind::File, Preview::Refused,
                       true});
    return corpus;
}
