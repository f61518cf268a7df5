#include "bmpwriter.h"
#include "wireoracle.h"
#include "core/framebitmap.h"
#include "core/wiredecoder.h"
#include "core/wireformat.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using Palette = QVector<QRgb>;

namespace {

// Red, green and blue differ in every entry, so swapped channels or shifted entries show.
Palette testPalette(int count = 256)
{
    Palette palette;
    for (int e = 0; e < count; ++e)
        palette.append(qRgb((e * 3 + 1) & 0xFF, (e * 5 + 2) & 0xFF, (e * 7 + 3) & 0xFF));
    return palette;
}

// Every row differs; rows mix repeats of odd and even lengths with changing indices, so RLE8
// files use both encoded runs and absolute mode.
QByteArray testPicture()
{
    QByteArray pixels;
    for (int r = 0; r < FrameBitmap::Height; ++r) {
        for (int c = 0; c < FrameBitmap::Width; ++c) {
            const int block = c / (3 + r % 5);
            if (r % 8 == 0)
                pixels.append(char(r));
            else
                pixels.append(char(block % 2 == 0 ? r + block : r * 31 + c * 7));
        }
    }
    return pixels;
}

BmpWriter testWriter()
{
    BmpWriter writer;
    writer.palette = testPalette();
    writer.pixels = testPicture();
    return writer;
}

template<typename Change>
QByteArray changed(Change change)
{
    BmpWriter writer = testWriter();
    change(writer);
    return writer.build();
}

QByteArray shape(int headerSize, quint32 compression = BmpWriter::Rgb, bool topDown = false)
{
    return changed([=](BmpWriter &w) {
        w.headerSize = headerSize;
        w.compression = compression;
        w.topDown = topDown;
    });
}

QByteArray rle8File(const QByteArray &hexStream)
{
    return changed([&hexStream](BmpWriter &w) {
        w.compression = BmpWriter::Rle8;
        w.pixelData = QByteArray::fromHex(hexStream);
    });
}

enum FileSetup { Folder, Missing, SymlinkLoop, TooLarge, AtSizeLimit, Fifo };

} // namespace

class TestFrameBitmap : public QObject
{
    Q_OBJECT

private slots:
    void acceptedShapes_data();
    void acceptedShapes();
    void standardPaletteOffsets_data();
    void standardPaletteOffsets();
    void standardPixelOffsets_data();
    void standardPixelOffsets();
    void refused_data();
    void refused();
    void readFileRefused_data();
    void readFileRefused();
    void readFileUnreadable();
    void readFileReadsWholeFile();
};

void TestFrameBitmap::acceptedShapes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Palette>("palette");
    QTest::addColumn<QByteArray>("pixels");

    const Palette palette = testPalette();
    const QByteArray picture = testPicture();
    QTest::newRow("standard") << BmpWriter::standardFrame(palette, picture) << palette << picture;

    for (const int size : {12, 40, 52, 56, 108, 124})
        QTest::addRow("header %d", size) << shape(size) << palette << picture;
    for (const int size : {40, 56, 124}) {
        QTest::addRow("bit fields, header %d", size) << shape(size, BmpWriter::Bitfields) << palette << picture;
        QTest::addRow("top-down, header %d", size) << shape(size, BmpWriter::Rgb, true) << palette << picture;
    }
    for (const int size : {40, 108})
        QTest::addRow("RLE8, header %d", size) << shape(size, BmpWriter::Rle8) << palette << picture;

    for (const int count : {1, 16, 255})
        QTest::addRow("%d colours", count) << changed([count](BmpWriter &w) {
            w.palette = testPalette(count);
            w.colorsUsed = quint32(count);
        }) << testPalette(count) << picture;
    QTest::newRow("256 colours stated") << changed([](BmpWriter &w) { w.colorsUsed = 256; }) << palette << picture;
    QTest::newRow("gap and trailing bytes") << changed([](BmpWriter &w) { w.gap = 100; w.trailing = 50; })
                                            << palette << picture;
    QTest::newRow("RLE8, odd gap and trailing bytes") << changed([](BmpWriter &w) {
        w.compression = BmpWriter::Rle8;
        w.gap = 7;
        w.trailing = 3;
    }) << palette << picture;
    // The reserved byte of a colour entry is not alpha.
    QTest::newRow("reserved bytes set") << changed([](BmpWriter &w) { w.patch(57, "\x80"); w.patch(1077, "\xFF"); })
                                        << palette << picture;

    // Runs, absolute mode with padding, a delta, early end of line and end of bitmap; the rest
    // stays at index 0. File row 0 is the bottom row, result row 127.
    QByteArray sparse(FrameBitmap::PixelCount, '\0');
    sparse.replace(127 * 256, 6, "\x09\x09\x09\x01\x02\x03");
    sparse.replace(125 * 256 + 16, 2, "\x07\x07");
    sparse.replace(0 * 256 + 250, 6, QByteArray(6, '\x05'));
    QTest::newRow("RLE8 with delta and skipped pixels")
        << rle8File("0309 0003 010203 00 0002 0a02 0207 0000 0002 007c 0002 fa00 0605 0001") << palette << sparse;

    QImage image(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_Indexed8);
    image.setColorTable(palette);
    for (int r = 0; r < FrameBitmap::Height; ++r)
        for (int c = 0; c < FrameBitmap::Width; ++c)
            image.setPixel(c, r, uint(quint8(picture.at(r * FrameBitmap::Width + c))));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "BMP"));
    QByteArray indices;
    for (int r = 0; r < FrameBitmap::Height; ++r)
        for (int c = 0; c < FrameBitmap::Width; ++c)
            indices.append(char(image.pixelIndex(c, r)));
    QTest::newRow("saved by Qt") << buffer.data() << image.colorTable() << indices;
}

void TestFrameBitmap::acceptedShapes()
{
    QFETCH(QByteArray, file);
    QFETCH(Palette, palette);
    QFETCH(QByteArray, pixels);

    const auto result = FrameBitmapReader::parse(file);
    QVERIFY2(result.bitmap, qPrintable(result.error));
    QCOMPARE(result.error, QString());
    QCOMPARE(result.bitmap->pixels, pixels);
    palette.resize(FrameBitmap::PaletteSize, qRgb(0, 0, 0));
    QCOMPARE(Palette(result.bitmap->palette.begin(), result.bitmap->palette.end()), palette);

    // Over the line and back: every pixel index exact, the colours cut to 6 bits.
    WireDecoder decoder;
    decoder.feed(WireOracle::frameText(42, QStringLiteral("shape"), *result.bitmap));
    const QList<DecodedFrame> frames = decoder.takeFrames();
    QCOMPARE(frames.size(), 1);
    QVERIFY2(frames[0].complete, qPrintable(frames[0].problem));
    QCOMPARE(frames[0].number, 42);
    QCOMPARE(frames[0].pixels, pixels);
    for (int e = 0; e < FrameBitmap::PaletteSize; ++e) {
        const std::array<quint8, 3> cut = {quint8(qRed(palette[e]) / 4), quint8(qGreen(palette[e]) / 4),
                                           quint8(qBlue(palette[e]) / 4)};
        QCOMPARE(frames[0].sixBitPalette[e], cut);
    }
}

void TestFrameBitmap::standardPaletteOffsets_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("offset");
    QTest::newRow("first entry") << 0 << 54;
    QTest::newRow("entry 100") << 100 << 454;
    QTest::newRow("last entry") << 255 << 1074;
}

void TestFrameBitmap::standardPaletteOffsets()
{
    QFETCH(int, entry);
    QFETCH(int, offset);

    const QByteArray file = BmpWriter::standardFrame(testPalette(), testPicture());
    QCOMPARE(file.size(), 33846);
    const auto byteAt = [&file](int i) { return int(quint8(file.at(i))); };
    const auto result = FrameBitmapReader::parse(file);
    QVERIFY2(result.bitmap, qPrintable(result.error));
    QCOMPARE(result.bitmap->palette[size_t(entry)], qRgb(byteAt(offset + 2), byteAt(offset + 1), byteAt(offset)));
}

void TestFrameBitmap::standardPixelOffsets_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("count");
    QTest::newRow("first transmitted group") << 33590 << 0 << 0 << 4;
    QTest::newRow("second row") << 33334 << 1 << 0 << 256;
    QTest::newRow("first pixel of the file") << 1078 << 127 << 0 << 1;
}

void TestFrameBitmap::standardPixelOffsets()
{
    QFETCH(int, offset);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, count);

    const QByteArray file = BmpWriter::standardFrame(testPalette(), testPicture());
    const auto result = FrameBitmapReader::parse(file);
    QVERIFY2(result.bitmap, qPrintable(result.error));
    QCOMPARE(result.bitmap->pixels.mid(row * FrameBitmap::Width + column, count), file.mid(offset, count));
}

void TestFrameBitmap::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("phrase");

    const QByteArray standard = testWriter().build();
    QTest::newRow("empty") << QByteArray() << "the file is empty";
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n") + standard.mid(8) << "does not start with \"BM\"";
    QTest::newRow("only B") << QByteArray("B") << "file header is truncated";
    QTest::newRow("cut in file header") << standard.left(13) << "file header is truncated";
    QTest::newRow("cut before header size") << standard.left(16) << "bitmap header is truncated";
    QTest::newRow("cut in info header") << standard.left(53) << "bitmap header is truncated";
    QTest::newRow("cut in core header") << shape(12).left(25) << "bitmap header is truncated";
    QTest::newRow("cut in colour table") << standard.left(1077) << "colour table is truncated";
    QTest::newRow("cut in bit field masks") << shape(40, BmpWriter::Bitfields).left(60) << "colour table is truncated";
    QTest::newRow("cut at pixels") << standard.left(1078) << "pixels are truncated";
    QTest::newRow("cut in last row") << standard.left(33845) << "holds 32767 of the 32768 bytes";
    QTest::newRow("pixels start late") << changed([](BmpWriter &w) { w.pixelOffset = 1079; }) << "pixels are truncated";

    for (const int size : {0, 16, 64})
        QTest::addRow("header size %d", size) << shape(size) << QStringLiteral("unknown size of %1 bytes").arg(size);
    QTest::newRow("huge header size") << changed([](BmpWriter &w) { w.patch32(14, 0xFFFFFFFF); }) << "unknown size";

    QTest::newRow("320 x 240") << changed([](BmpWriter &w) { w.width = 320; w.height = 240; })
                               << "the picture is 320 x 240 pixels; a frame must be 256 x 128";
    QTest::newRow("255 wide") << changed([](BmpWriter &w) { w.width = 255; }) << "255 x 128 pixels";
    QTest::newRow("127 high, top-down") << changed([](BmpWriter &w) { w.height = 127; w.topDown = true; })
                                        << "256 x 127 pixels";
    QTest::newRow("core, 129 high") << changed([](BmpWriter &w) { w.headerSize = 12; w.height = 129; })
                                    << "256 x 129 pixels";
    QTest::newRow("lowest height") << changed([](BmpWriter &w) { w.patch32(22, 0x80000000); })
                                   << "256 x 2147483648 pixels";
    for (const int bits : {1, 4, 16, 24, 32})
        QTest::addRow("%d bits", bits) << changed([bits](BmpWriter &w) { w.bitCount = quint16(bits); })
                                       << QStringLiteral("the picture has %1 bits per pixel; a frame must be 8-bit")
                                              .arg(bits);
    QTest::newRow("core, 24 bits") << changed([](BmpWriter &w) { w.headerSize = 12; w.bitCount = 24; })
                                   << "24 bits per pixel";
    for (const int planes : {0, 2})
        QTest::addRow("%d planes", planes) << changed([planes](BmpWriter &w) { w.planes = quint16(planes); })
                                           << QStringLiteral("%1 colour planes").arg(planes);
    for (const quint32 method : {2u, 4u, 5u, 6u, 0xFFFFFFFFu})
        QTest::addRow("compression %u", method) << changed([method](BmpWriter &w) { w.compression = method; })
                                                << QStringLiteral("(method %1); a frame must be uncompressed or RLE8")
                                                       .arg(method);
    QTest::newRow("RLE8 top-down") << shape(40, BmpWriter::Rle8, true) << "top-down";
    for (const quint32 colours : {257u, 0xFFFFFFFFu})
        QTest::addRow("%u colours", colours) << changed([colours](BmpWriter &w) { w.colorsUsed = colours; })
                                             << QStringLiteral("colour table has %1 entries").arg(colours);

    QTest::newRow("pixel offset past the end") << changed([](BmpWriter &w) { w.pixelOffset = 33847; })
                                               << "outside the file";
    QTest::newRow("highest pixel offset") << changed([](BmpWriter &w) { w.pixelOffset = 0xFFFFFFFF; })
                                          << "outside the file";
    QTest::newRow("pixel offset in colour table") << changed([](BmpWriter &w) { w.pixelOffset = 1077; })
                                                  << "inside the headers or colour table";

    const QString pastRow = QStringLiteral("runs past the end of a row");
    const QString pastPicture = QStringLiteral("runs past the end of the picture");
    const QString endsEarly = QStringLiteral("ends before its end-of-bitmap mark");
    const QByteArray allRows = QByteArray("0000").repeated(FrameBitmap::Height);
    QTest::newRow("RLE8 run past a row") << rle8File("ff00 0200 0001") << pastRow;
    QTest::newRow("RLE8 absolute past a row") << rle8File("ff00 0003 010203 00 0001") << pastRow;
    QTest::newRow("RLE8 delta past the right") << rle8File("0002 ff00 0002 0200 0001") << "delta moves outside";
    QTest::newRow("RLE8 delta past the top") << rle8File("0002 0081 0001") << "delta moves outside";
    QTest::newRow("RLE8 run after the last row") << rle8File(allRows + "0105 0001") << pastPicture;
    QTest::newRow("RLE8 absolute after the last row") << rle8File(allRows + "0003 010203 00 0001") << pastPicture;
    QTest::newRow("RLE8 end of line after the last row") << rle8File(allRows + "0000 0001") << pastPicture;
    QTest::newRow("RLE8 without end of bitmap") << rle8File(allRows) << endsEarly;
    QTest::newRow("RLE8 odd byte at the end") << rle8File("0105 00") << endsEarly;
    QTest::newRow("RLE8 absolute data cut") << rle8File("0005 0102") << endsEarly;
    QTest::newRow("RLE8 delta cut") << rle8File("0002 05") << endsEarly;
    QTest::newRow("RLE8 no data") << rle8File("") << endsEarly;
}

void TestFrameBitmap::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, phrase);

    const auto result = FrameBitmapReader::parse(file);
    QVERIFY(!result.bitmap);
    QVERIFY2(result.error.contains(phrase), qPrintable(result.error));
}

void TestFrameBitmap::readFileRefused_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("folder named x.bmp") << int(Folder) << "it is a folder, not a file";
    QTest::newRow("missing") << int(Missing) << "the file cannot be read: ";
    QTest::newRow("symlink loop") << int(SymlinkLoop) << "the file cannot be read: ";
    QTest::newRow("over the size limit") << int(TooLarge)
                                         << QStringLiteral("the file is %1 bytes; a frame file is about 33 KB")
                                                .arg(FrameBitmapReader::MaxFileSize + 1);
    // Read whole and refused by its contents, not by its size.
    QTest::newRow("at the size limit") << int(AtSizeLimit) << "does not start with \"BM\"";
    QTest::newRow("named pipe") << int(Fifo) << "not a regular file";
}

void TestFrameBitmap::readFileRefused()
{
    QFETCH(int, setup);
    QFETCH(QString, phrase);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.bmp"));
    const QString other = dir.filePath(QStringLiteral("y.bmp"));
    QFile file(path);
    switch (setup) {
    case Folder:
        QVERIFY(QDir().mkdir(path));
        break;
    case SymlinkLoop:
        QVERIFY(QFile::link(other, path));
        QVERIFY(QFile::link(path, other));
        break;
    case TooLarge:
    case AtSizeLimit: // sparse: no need to write megabytes
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(FrameBitmapReader::MaxFileSize + (setup == TooLarge ? 1 : 0)));
        file.close();
        break;
    case Fifo:
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    default:
        break;
    }

    const auto result = FrameBitmapReader::readFile(path);
    QVERIFY(!result.bitmap);
    QVERIFY2(result.error.contains(phrase), qPrintable(result.error));
}

void TestFrameBitmap::readFileUnreadable()
{
    if (geteuid() == 0)
        QSKIP("running as root, which reads a file whatever its permissions");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.bmp"));
    QVERIFY(testWriter().save(path));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));

    const auto result = FrameBitmapReader::readFile(path);
    QVERIFY(!result.bitmap);
    QVERIFY2(result.error.startsWith(QStringLiteral("the file cannot be read: ")), qPrintable(result.error));
}

void TestFrameBitmap::readFileReadsWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.bmp"));
    BmpWriter writer = testWriter();
    writer.trailing = 1000;
    QVERIFY(writer.save(path));

    const auto result = FrameBitmapReader::readFile(path);
    QVERIFY2(result.bitmap, qPrintable(result.error));
    QCOMPARE(result.bitmap->pixels, testPicture());
}

QTEST_GUILESS_MAIN(TestFrameBitmap)
#include "tst_framebitmap.moc"
