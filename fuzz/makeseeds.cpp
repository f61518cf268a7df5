// Writes the seed corpus of the fuzzers: makeseeds <bitmap folder> <stream folder>.
// Bitmap seeds are the shapes the reader takes and a few it refuses; stream seeds start with the
// byte that tells fuzz_wiredecoder how to cut the rest, followed by encoder output, whole or
// damaged.
#include "bmpwriter.h"
#include "frame/framebitmap.h"
#include "frame/wireformat.h"
#include "wireoracle.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using Seeds = QList<QPair<QString, QByteArray>>;

QVector<QRgb> seedPalette(int count = 256)
{
    QVector<QRgb> palette;
    for (int e = 0; e < count; ++e)
        palette.append(qRgb((e * 3 + 1) & 0xFF, (e * 5 + 2) & 0xFF, (e * 7 + 3) & 0xFF));
    return palette;
}

// Rows mix long repeats with changing indices, so RLE8 output holds runs and absolute mode.
QByteArray seedPicture()
{
    QByteArray pixels;
    for (int r = 0; r < FrameBitmap::Height; ++r) {
        for (int c = 0; c < FrameBitmap::Width; ++c)
            pixels.append(char(c / 16 % 2 == 0 ? r : (r * 31 + c * 7) & 0xFF));
    }
    return pixels;
}

QByteArray bitmap(const std::function<void(BmpWriter &)> &change = {})
{
    BmpWriter writer;
    writer.palette = seedPalette();
    writer.pixels = seedPicture();
    if (change)
        change(writer);
    return writer.build();
}

Seeds bitmapSeeds()
{
    Seeds seeds;
    const QByteArray standard = BmpWriter::standardFrame(seedPalette(), seedPicture());
    seeds.append({"standard", standard});
    for (const int size : {12, 40, 52, 56, 108, 124}) {
        seeds.append({QStringLiteral("header-%1").arg(size), bitmap([size](BmpWriter &w) { w.headerSize = size; })});
        if (size == 12)
            continue; // a core header has no compression field
        seeds.append({QStringLiteral("bitfields-%1").arg(size), bitmap([size](BmpWriter &w) {
                          w.headerSize = size;
                          w.compression = BmpWriter::Bitfields;
                      })});
        seeds.append({QStringLiteral("topdown-%1").arg(size), bitmap([size](BmpWriter &w) {
                          w.headerSize = size;
                          w.topDown = true;
                      })});
        seeds.append({QStringLiteral("rle8-%1").arg(size), bitmap([size](BmpWriter &w) {
                          w.headerSize = size;
                          w.compression = BmpWriter::Rle8;
                      })});
    }
    // Small RLE8 files with two colours: runs, absolute mode with and without padding, a delta,
    // end of line and end of bitmap. Small inputs let the fuzzer mutate many times a second.
    const auto rle8 = [](const char *hexStream, int gap = 0, int trailing = 0) {
        return bitmap([=](BmpWriter &w) {
            w.compression = BmpWriter::Rle8;
            w.palette = seedPalette(2);
            w.colorsUsed = 2;
            w.pixelData = QByteArray::fromHex(hexStream);
            w.gap = gap;
            w.trailing = trailing;
        });
    };
    seeds.append({"rle8-runs", rle8("ff01 0100 0000 0a01 0001")});
    seeds.append({"rle8-absolute", rle8("0003 010001 00 0004 00010001 0000 0001")});
    seeds.append({"rle8-delta", rle8("0501 0002 0a03 0301 0000 0002 0000 0101 0001")});
    seeds.append({"rle8-end-of-lines", rle8(QByteArray("0000").repeated(127).append("ff01 0001").constData())});
    seeds.append({"rle8-gap-trailing", rle8("0401 0001", 7, 3)});
    for (const int count : {1, 16, 255}) {
        seeds.append({QStringLiteral("colours-%1").arg(count), bitmap([count](BmpWriter &w) {
                          w.palette = seedPalette(count);
                          w.colorsUsed = quint32(count);
                      })});
    }
    seeds.append({"gap-trailing", bitmap([](BmpWriter &w) {
                      w.gap = 100;
                      w.trailing = 50;
                  })});

    // Refused shapes; without pixels, as the headers decide.
    const auto refused = [](const std::function<void(BmpWriter &)> &change) {
        return bitmap([&change](BmpWriter &w) {
            change(w);
            w.pixelData = QByteArray();
        });
    };
    seeds.append({"refused-24-bits", refused([](BmpWriter &w) { w.bitCount = 24; })});
    seeds.append({"refused-320x240", refused([](BmpWriter &w) {
                      w.width = 320;
                      w.height = 240;
                  })});
    seeds.append({"refused-rle4", refused([](BmpWriter &w) { w.compression = BmpWriter::Rle4; })});
    seeds.append({"refused-rle8-top-down", refused([](BmpWriter &w) {
                      w.compression = BmpWriter::Rle8;
                      w.topDown = true;
                  })});
    seeds.append({"refused-header-64", refused([](BmpWriter &w) { w.headerSize = 64; })});
    seeds.append({"refused-offset-in-table", refused([](BmpWriter &w) { w.pixelOffset = 100; })});
    seeds.append({"refused-truncated", standard.left(2000)});
    return seeds;
}

FrameBitmap seedFrame()
{
    FrameBitmap frame;
    const QVector<QRgb> palette = seedPalette();
    std::copy(palette.cbegin(), palette.cend(), frame.palette.begin());
    frame.pixels = seedPicture();
    return frame;
}

QByteArray cutBy(char control, const QByteArray &stream)
{
    return control + stream;
}

Seeds streamSeeds()
{
    const FrameBitmap frame = seedFrame();
    const QByteArray whole = WireOracle::frameText(5, QStringLiteral("SEED"), frame);
    const int pixelsAt = 4 + 4 + WireFormat::NameLength + WireFormat::ColourTableCharacters;

    Seeds seeds;
    seeds.append({"frame", cutBy(0, whole)});
    seeds.append({"frame-in-pieces", cutBy(7, whole)});
    seeds.append({"two-frames", cutBy(2, whole + WireOracle::frameText(255, QStringLiteral("] [] [x"), frame))});
    seeds.append({"cut-frame", cutBy(1, whole.left(30000))});
    seeds.append({"cut-in-colours", cutBy(0, whole.left(400))});
    QByteArray bad = whole;
    bad[pixelsAt + 1001] = 'g';
    seeds.append({"bad-character", cutBy(0, bad)});
    QByteArray bright = whole;
    bright.replace(16, 2, "FF"); // red of colour 0, above six bits
    seeds.append({"colour-above-63", cutBy(0, bright)});
    QByteArray unclosed = whole;
    unclosed[unclosed.size() - 1] = 'X';
    seeds.append({"no-closing-space", cutBy(3, unclosed)});
    seeds.append({"sync-marker", cutBy(0, " [] ")});
    static const char garbage[] = "noise\0\xff ] [[ [0a [] x";
    seeds.append({"garbage-then-frame", cutBy(9, QByteArray(garbage, sizeof garbage - 1) + whole)});
    return seeds;
}

bool writeAll(const QString &folder, const Seeds &seeds)
{
    if (!QDir().mkpath(folder))
        return false;
    for (const auto &[name, bytes] : seeds) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "makeseeds: cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: makeseeds <bitmap folder> <stream folder>\n");
        return 2;
    }
    const Seeds bitmaps = bitmapSeeds();
    const Seeds streams = streamSeeds();
    if (!writeAll(QString::fromLocal8Bit(argv[1]), bitmaps) || !writeAll(QString::fromLocal8Bit(argv[2]), streams))
        return 1;
    std::printf("makeseeds: %lld bitmap and %lld stream seeds\n", qlonglong(bitmaps.size()), qlonglong(streams.size()));
    return 0;
}
