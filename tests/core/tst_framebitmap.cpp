#include "badbitmaps.h"
#include "bmpwriter.h"
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "wireoracle.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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

template<typename Change> QByteArray changed(Change change)
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

} // namespace

class TestFrameBitmap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void acceptedShapes_data();
    void acceptedShapes();
    void standardPaletteOffsets_data();
    void standardPaletteOffsets();
    void standardPixelOffsets_data();
    void standardPixelOffsets();
    void refused_data();
    void refused();
    void readFileReadsWholeFile();

private:
    QTemporaryDir m_dir;
    QVector<BadBitmap> m_corpus;
};

void TestFrameBitmap::initTestCase()
{
    // Reachable by the unprivileged user: the permission entry must fail on itself alone.
    QVERIFY(m_dir.isValid() && ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
    m_corpus = writeBadBitmaps(m_dir.path());
    QVERIFY2(m_corpus.size() >= 65, qPrintable(QString::number(m_corpus.size()))); // fewer odd files on Windows
}

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
    QTest::newRow("gap and trailing bytes") << changed([](BmpWriter &w) {
        w.gap = 100;
        w.trailing = 50;
    }) << palette << picture;
    QTest::newRow("RLE8, odd gap and trailing bytes") << changed([](BmpWriter &w) {
        w.compression = BmpWriter::Rle8;
        w.gap = 7;
        w.trailing = 3;
    }) << palette << picture;
    // The reserved byte of a colour entry is not alpha.
    QTest::newRow("reserved bytes set") << changed([](BmpWriter &w) {
        w.patch(57, "\x80");
        w.patch(1077, "\xFF");
    }) << palette << picture;

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

    QString error;
    const auto bitmap = FrameBitmapReader::parse(file, &error);
    QVERIFY2(bitmap, qPrintable(error));
    QCOMPARE(error, QString());
    QCOMPARE(bitmap->pixels, pixels);
    palette.resize(FrameBitmap::PaletteSize, qRgb(0, 0, 0));
    QCOMPARE(Palette(bitmap->palette.begin(), bitmap->palette.end()), palette);

    // Over the line and back: every pixel index exact, the colours cut to 6 bits.
    WireDecoder decoder;
    decoder.feed(WireOracle::frameText(42, QStringLiteral("shape"), *bitmap));
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
    QString error;
    const auto bitmap = FrameBitmapReader::parse(file, &error);
    QVERIFY2(bitmap, qPrintable(error));
    QCOMPARE(bitmap->palette[size_t(entry)], qRgb(byteAt(offset + 2), byteAt(offset + 1), byteAt(offset)));
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
    QString error;
    const auto bitmap = FrameBitmapReader::parse(file, &error);
    QVERIFY2(bitmap, qPrintable(error));
    QCOMPARE(bitmap->pixels.mid(row * FrameBitmap::Width + column, count), file.mid(offset, count));
}

// Every entry of the one table of broken bitmaps, each read from its file.
void TestFrameBitmap::refused_data()
{
    addBadBitmapRows(m_corpus);
}

void TestFrameBitmap::refused()
{
    QFETCH(BadBitmap, entry);
    AS_USER_IF_NEEDED(entry, user);
    QString error;
    QVERIFY(!FrameBitmapReader::readFile(entry.path, &error));
    QVERIFY2(error.contains(entry.phrase), qPrintable(error));
}

void TestFrameBitmap::readFileReadsWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.bmp"));
    BmpWriter writer = testWriter();
    writer.trailing = 1000;
    QVERIFY(writer.save(path));

    QString error;
    const auto bitmap = FrameBitmapReader::readFile(path, &error);
    QVERIFY2(bitmap, qPrintable(error));
    QCOMPARE(bitmap->pixels, testPicture());
}

QTEST_GUILESS_MAIN(TestFrameBitmap)
#include "tst_framebitmap.moc"
