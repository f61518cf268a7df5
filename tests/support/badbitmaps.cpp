#include "badbitmaps.h"

#include "bmpwriter.h"

#include "frame/framebitmap.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <climits>
#include <functional>

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

} // namespace

bool writeBadBitmapFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray goodFrameFile()
{
    return frameWriter().build();
}

void addBadBitmapRows(const QVector<BadBitmap> &corpus, bool samplesOnly)
{
    QTest::addColumn<BadBitmap>("entry");
    for (const BadBitmap &entry : corpus) {
        if (entry.sample || !samplesOnly)
            QTest::newRow(qPrintable(entry.row)) << entry;
    }
}

QVector<BadBitmap> writeBadBitmaps(const QString &folder)
{
    QVector<BadBitmap> corpus;
    const QDir dir(folder);
    const QByteArray good = goodFrameFile();
    constexpr bool Sample = true;
    const BadBitmapAdder add = [&](const QString &row, const QString &path, const QString &phrase, Kind kind,
                                   Preview preview, bool sample, bool asUser) {
        corpus.append({row, path, phrase, kind, preview, asUser, sample});
    };
    // Each file is numbered, so the names say nothing a reader could go by.
    const auto file = [&](const QString &row, const QByteArray &bytes, const QString &phrase,
                          Preview preview = Preview::Refused, bool sample = false) {
        const QString path = dir.filePath(QStringLiteral("%1.bmp").arg(corpus.size(), 2, 10, QLatin1Char('0')));
        if (writeBadBitmapFile(path, bytes))
            add(row, path, phrase, Kind::File, preview, sample, false);
    };
    const auto size = [](qint64 w, qint64 h) {
        return QStringLiteral("the picture is %1 x %2 pixels; a frame must be 256 x 128").arg(w).arg(h);
    };
    const auto bits = [](int n) {
        return QStringLiteral("the picture has %1 bits per pixel; a frame must be 8-bit, 256 colours").arg(n);
    };
    const auto truncated = [](int held) {
        return QStringLiteral("the pixels are truncated (the file holds %1 of the 32768 bytes)").arg(held);
    };
    const QString notBitmap = QStringLiteral("it is not a Windows bitmap (it does not start with \"BM\")");
    const QString fileHeaderCut = QStringLiteral("the file header is truncated");
    const QString headerCut = QStringLiteral("the bitmap header is truncated");
    const QString tableCut = QStringLiteral("the colour table is truncated");
    const QString pastRow = QStringLiteral("the RLE8 data runs past the end of a row");
    const QString pastPicture = QStringLiteral("the RLE8 data runs past the end of the picture");
    const QString endsEarly = QStringLiteral("the RLE8 data ends before its end-of-bitmap mark");
    const QString badDelta = QStringLiteral("an RLE8 delta moves outside the picture");

    // Cut short, each just before the part it cuts would be whole.
    file("empty file", QByteArray(), QStringLiteral("the file is empty"), Preview::Refused, Sample);
    file("PNG, not a bitmap", QByteArray("\x89PNG\r\n\x1a\n") + good.mid(8), notBitmap);
    file("only B", "B", fileHeaderCut);
    file("cut in the file header", good.left(13), fileHeaderCut);
    file("cut before the header size", good.left(16), headerCut);
    file("cut in the info header", good.left(53), headerCut);
    file("cut in the core header", changed([](BmpWriter &w) { w.headerSize = 12; }).left(25), headerCut);
    file("cut in the colour table", good.left(1077), tableCut, Preview::Refused, Sample);
    file("cut in the bit field masks", changed([](BmpWriter &w) { w.compression = BmpWriter::Bitfields; }).left(60),
         tableCut, Preview::Either);
    file("cut at the pixels", good.left(1078), truncated(0), Preview::Either);
    file("last pixel byte missing", good.left(good.size() - 1), truncated(32767), Preview::Either);
    file("pixels start a byte late", changed([](BmpWriter &w) { w.pixelOffset = 1079; }), truncated(32767),
         Preview::Either);

    for (const int headerSize : {0, 16, 64, 100, -1}) {
        // 64 bytes is the OS/2 2.x header, which Qt reads.
        file(QStringLiteral("header size %1").arg(quint32(headerSize)),
             changed([=](BmpWriter &w) { w.headerSize = headerSize; }),
             QStringLiteral("the bitmap header has an unknown size of %1 bytes").arg(quint32(headerSize)),
             headerSize == 64 ? Preview::Picture : Preview::Refused);
    }

    // Widths and heights as the header holds them; a negative height is top-down, so only its
    // size is wrong. Pictures of another size are still pictures to Qt; impossible sizes are not.
    const struct
    {
        const char *row;
        qint32 width, height;
        qint64 shownWidth, shownHeight;
        Preview preview;
        bool sample = false;
    } shapes[] = {
        {"width 255", 255, 128, 255, 128, Preview::Picture},
        {"width 257", 257, 128, 257, 128, Preview::Picture, Sample},
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
        {"320 x 240", 320, 240, 320, 240, Preview::Picture},
    };
    for (const auto &shape : shapes) {
        file(QString::fromLatin1(shape.row), changed([&](BmpWriter &w) {
                 w.width = shape.width;
                 w.height = shape.height;
             }),
             size(shape.shownWidth, shape.shownHeight), shape.preview, shape.sample);
    }
    // The 12-byte core header keeps sizes in 16 bits. No pixels: the header alone is wrong.
    file("core header, width 65535", changed([](BmpWriter &w) {
             w.headerSize = 12;
             w.width = 65535;
             w.pixelData = QByteArray(64, '\0');
         }),
         size(65535, 128), Preview::Either);
    file("core header, height 129", changed([](BmpWriter &w) {
             w.headerSize = 12;
             w.height = 129;
         }),
         size(256, 129), Preview::Either);

    for (const int n : {1, 4, 16, 24, 32})
        file(QStringLiteral("%1 bits per pixel").arg(n), depth(n), bits(n), Preview::Picture, n == 24);
    file("0 bits per pixel", changed([](BmpWriter &w) { w.bitCount = 0; }), bits(0));
    file("core header, 24 bits per pixel", changed([](BmpWriter &w) {
             w.headerSize = 12;
             w.bitCount = 24;
         }),
         bits(24), Preview::Either);

    for (const int planes : {0, 2, 8}) {
        file(QStringLiteral("%1 colour planes").arg(planes), changed([=](BmpWriter &w) { w.planes = quint16(planes); }),
             QStringLiteral("the picture has %1 colour planes; a frame must have 1").arg(planes));
    }
    const struct
    {
        quint32 method;
        const char *name;
        bool sample = false;
    } methods[] = {
        {2, "RLE4", Sample}, {4, "JPEG"}, {5, "PNG"}, {6, "alpha bit fields"}, {0xFFFFFFFF, "an unknown method"}};
    for (const auto &method : methods) {
        file(QStringLiteral("%1 compression (method %2)").arg(QString::fromLatin1(method.name)).arg(method.method),
             changed([&](BmpWriter &w) { w.compression = method.method; }),
             QStringLiteral("the picture is compressed with %1 (method %2); a frame must be uncompressed or RLE8")
                 .arg(QString::fromLatin1(method.name))
                 .arg(method.method),
             Preview::Either, method.sample);
    }
    file("RLE8 with top-down rows", rle8({}, true), QStringLiteral("RLE8-compressed with top-down rows"),
         Preview::Either);

    // Hand-made RLE8 streams: count, index pairs; 00 00 ends a line, 00 01 the bitmap, 00 02 dx dy
    // moves, 00 n starts n literal indices.
    const QByteArray allRows = repeated(QByteArray::fromHex("0000"), 128);
    const struct
    {
        const char *row;
        QByteArray stream;
        QString phrase;
        bool sample = false;
    } streams[] = {
        {"RLE8 run past the row", QByteArray::fromHex("C805 6406 0001"), pastRow},
        {"RLE8 literal past the row", QByteArray::fromHex("FA01 000A 0102030405060708090A 0001"), pastRow},
        {"RLE8 run past the picture", allRows + QByteArray::fromHex("0107 0001"), pastPicture},
        {"RLE8 literal past the picture", allRows + QByteArray::fromHex("0003 010203 00 0001"), pastPicture},
        {"RLE8 line end past the picture", allRows + QByteArray::fromHex("0000 0001"), pastPicture},
        {"RLE8 delta below the picture", QByteArray::fromHex("0002 00C8 0001"), badDelta, Sample},
        {"RLE8 delta right of the picture", QByteArray::fromHex("0002 FF00 0002 0A00 0001"), badDelta},
        {"RLE8 odd byte at the end", QByteArray::fromHex("0105 00"), endsEarly},
        {"RLE8 literal cut", QByteArray::fromHex("0005 0102"), endsEarly},
        {"RLE8 delta cut", QByteArray::fromHex("0002 05"), endsEarly},
    };
    for (const auto &stream : streams) {
        file(QString::fromLatin1(stream.row), rle8(stream.stream), stream.phrase, Preview::Either, stream.sample);
    }
    file("RLE8 without its end mark", rle8({}).chopped(2), endsEarly, Preview::Either);
    file("RLE8 without data", changed([](BmpWriter &w) {
             w.compression = BmpWriter::Rle8;
             w.pixelData = QByteArray();
         }),
         endsEarly, Preview::Either);

    for (const quint32 colours : {257u, 0xFFFFFFFFu}) {
        file(QStringLiteral("%1 colours").arg(colours), changed([=](BmpWriter &w) { w.colorsUsed = colours; }),
             QStringLiteral("the colour table has %1 entries; a frame has at most 256").arg(colours), Preview::Either);
    }
    for (const quint32 offset : {quint32(good.size()) + 1, 0xFFFFFFFFu}) {
        file(QStringLiteral("pixel offset %1").arg(offset), changed([=](BmpWriter &w) { w.pixelOffset = offset; }),
             QStringLiteral("the pixel offset %1 is outside the file of %2 bytes").arg(offset).arg(good.size()),
             Preview::Either, offset != 0xFFFFFFFFu);
    }
    file("pixel offset inside the colour table", changed([](BmpWriter &w) { w.pixelOffset = 1077; }),
         QStringLiteral("the pixel offset 1077 is inside the headers or colour table"), Preview::Either);

    // What the file system makes of a name, beyond the bytes a file holds.
    addFileSystemBadBitmaps(dir, good, add);
    return corpus;
}
