// The stream decoder against the encoder: round trips, any split of the stream, cut-off and
// damaged frames, garbage between frames, and random bytes.
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "wireoracle.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr int FrameOffset = 4; // frameText starts with the sync marker " [] "
constexpr int ColourStart = 12;
constexpr int PixelStart = ColourStart + 1536;
constexpr int FrameLength = 67086;

enum Picture { Random, Zeros, All255, Gradient, EveryIndex };

FrameBitmap makePicture(int kind, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    FrameBitmap bitmap;
    for (int e = 0; e < FrameBitmap::PaletteSize; ++e) {
        const int r = random.bounded(256), g = random.bounded(256), b = random.bounded(256);
        bitmap.palette[e] = kind == Random ? qRgb(r, g, b)
            : kind == Zeros                ? qRgb(0, 0, 0)
            : kind == All255               ? qRgb(255, 255, 255)
            : kind == Gradient             ? qRgb(e, 255 - e, (e * 7) & 0xFF)
                                           : qRgb(e ^ 0x5A, e, 255 - e);
    }
    bitmap.pixels = QByteArray(FrameBitmap::PixelCount, '\0');
    for (int y = 0; y < FrameBitmap::Height; ++y) {
        for (int x = 0; x < FrameBitmap::Width; ++x) {
            const int index = kind == Random ? random.bounded(256)
                : kind == Zeros              ? 0
                : kind == All255             ? 255
                : kind == Gradient           ? (x + y) & 0xFF
                                             : (x * 7 + y * 3) & 0xFF; // every row holds all 256
            bitmap.pixels[y * FrameBitmap::Width + x] = char(index);
        }
    }
    return bitmap;
}

// Where the received part of a frame differs from what was sent; empty when it matches. Colours
// after `colours` and pixels after `groups` groups must have stayed 0; `skipEntry` is not compared.
QString mismatch(const DecodedFrame &frame, const FrameBitmap &sent, int colours = 256, int groups = 8192,
                 int skipEntry = -1)
{
    if (frame.coloursReceived != colours || frame.groupsReceived != groups)
        return QStringLiteral("received %1 colours, %2 groups").arg(frame.coloursReceived).arg(frame.groupsReceived);
    for (int e = 0; e < 256; ++e) {
        const QRgb c = sent.palette[e];
        const std::array<quint8, 3> expected = e < colours
            ? std::array<quint8, 3>{quint8(qRed(c) / 4), quint8(qGreen(c) / 4), quint8(qBlue(c) / 4)}
            : std::array<quint8, 3>{};
        if (e != skipEntry && frame.sixBitPalette[e] != expected)
            return QStringLiteral("colour %1").arg(e);
    }
    if (frame.pixels.size() != FrameBitmap::PixelCount)
        return QStringLiteral("%1 pixels").arg(frame.pixels.size());
    for (int i = 0; i < FrameBitmap::PixelCount; ++i) {
        if (frame.pixels[i] != (i < groups * 4 ? sent.pixels[i] : '\0'))
            return QStringLiteral("pixel %1, %2").arg(i % 256).arg(i / 256);
    }
    return {};
}

// What keeps a frame from being the complete, exact copy of `sent` numbered `number`.
QString wholeFrame(const DecodedFrame &frame, int number, const FrameBitmap &sent)
{
    if (!frame.complete || !frame.problem.isEmpty() || frame.characters != FrameLength)
        return QStringLiteral("incomplete after %1 characters: %2").arg(frame.characters).arg(frame.problem);
    if (frame.number != number)
        return QStringLiteral("number %1, sent %2").arg(frame.number).arg(number);
    return mismatch(frame, sent);
}

bool same(const DecodedFrame &a, const DecodedFrame &b)
{
    return a.number == b.number && a.nameField == b.nameField && a.complete == b.complete
        && a.characters == b.characters && a.problem == b.problem && a.coloursReceived == b.coloursReceived
        && a.groupsReceived == b.groupsReceived && a.sixBitPalette == b.sixBitPalette && a.pixels == b.pixels;
}

// Feeds the stream in chunks of 1..maxChunk bytes (the whole at once for 0) and finishes it.
QList<DecodedFrame> decode(const QByteArray &stream, int maxChunk = 0, quint32 seed = 1)
{
    WireDecoder decoder;
    QRandomGenerator random(seed);
    QList<DecodedFrame> frames;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = maxChunk == 0 ? stream.size() : 1 + random.bounded(maxChunk);
        decoder.feed(stream.mid(at, size));
        frames += decoder.takeFrames();
        at += size;
    }
    decoder.finish();
    return frames + decoder.takeFrames();
}

} // namespace

// Fails with the helper's description of what differs.
#define VERIFY_NO_DIFFERENCE(text)                                                                                     \
    do {                                                                                                               \
        const QString found = (text);                                                                                  \
        QVERIFY2(found.isEmpty(), qPrintable(found));                                                                  \
    } while (false)

class TestWireDecoder : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<int>("picture");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("random, frame 0") << int(Random) << 0 << "SUNRISE";
        QTest::newRow("all zero, frame 5") << int(Zeros) << 5 << "";
        QTest::newRow("all 255, frame 255") << int(All255) << 255 << "LOGO-255";
        QTest::newRow("gradient, markers in the name") << int(Gradient) << 5 << "a] [b] [";
        QTest::newRow("every index, sync in the name") << int(EveryIndex) << 255 << " [] [] ";
    }

    void roundTrip()
    {
        QFETCH(int, picture);
        QFETCH(int, number);
        QFETCH(QString, name);
        const FrameBitmap sent = makePicture(picture);
        WireDecoder decoder;
        decoder.feed(WireOracle::frameText(number, name, sent));
        const auto frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 1);
        VERIFY_NO_DIFFERENCE(wholeFrame(frames.first(), number, sent));
        QCOMPARE(frames.first().nameField, WireFormat::nameField(name));
        // The sender's pauses: after the empty frame, the name and the close, whatever the name holds.
        QCOMPARE(decoder.pausesPassed(), 3);
        decoder.finish();
        QVERIFY(decoder.takeFrames().isEmpty());

        const QImage image = frames.first().toImage();
        QCOMPARE(image.size(), QSize(256, 128));
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QCOMPARE(image.colorCount(), 256);
        for (int y = 0; y < 128; ++y) { // pixelIndex(x, y) of a whole row at once
            const auto *line = reinterpret_cast<const char *>(image.constScanLine(y));
            QCOMPARE(QByteArray(line, 256), sent.pixels.mid(y * 256, 256));
        }
    }

    void sixToEightBits_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("six");
        QTest::addColumn<int>("eight");
        QTest::newRow("black") << 0 << 0 << 0;
        QTest::newRow("one step") << 17 << 1 << 4; // 4.05
        QTest::newRow("below half") << 100 << 31 << 125; // 125.48
        QTest::newRow("above half") << 128 << 32 << 130; // 129.52
        QTest::newRow("one below full") << 200 << 62 << 251; // 250.95
        QTest::newRow("full, last entry") << 255 << 63 << 255;
    }

    void sixToEightBits()
    {
        QFETCH(int, entry);
        QFETCH(int, six);
        QFETCH(int, eight);
        DecodedFrame frame;
        frame.sixBitPalette[entry] = {quint8(six), 0, quint8(63 - six)};
        frame.pixels[5] = char(entry);
        const QImage image = frame.toImage();
        QCOMPARE(image.color(entry), qRgb(eight, 0, 255 - eight));
        QCOMPARE(image.pixel(5, 0), qRgb(eight, 0, 255 - eight));
    }

    void chunkedFeeding_data()
    {
        QTest::addColumn<int>("maxChunk");
        QTest::newRow("one byte at a time") << 1;
        QTest::newRow("up to 7 bytes") << 7;
        QTest::newRow("up to 5000 bytes") << 5000;
        QTest::newRow("up to 100000 bytes") << 100000;
    }

    void chunkedFeeding()
    {
        QFETCH(int, maxChunk);
        // Complete frames among a damaged one, a cut-off one and garbage with false starts.
        QByteArray damaged = WireOracle::frameText(2, QStringLiteral("DAMAGED"), makePicture(Gradient));
        damaged[FrameOffset + PixelStart + 40] = 'x';
        const QByteArray stream = "noise ] [" + WireOracle::frameText(1, QStringLiteral("FIRST"), makePicture(Random))
            + damaged + QByteArray("\0\xff [", 4) + WireOracle::frameText(3, QString(), makePicture(EveryIndex))
            + WireOracle::frameText(4, QStringLiteral("CUT"), makePicture(Zeros)).left(5000);
        const auto whole = decode(stream);
        QString completeness;
        for (const DecodedFrame &frame : whole)
            completeness += frame.complete ? QLatin1Char('C') : QLatin1Char('-');
        QCOMPARE(completeness, QStringLiteral("-C--C-"));

        const auto pieces = decode(stream, maxChunk, quint32(maxChunk));
        QCOMPARE(pieces.size(), whole.size());
        for (int i = 0; i < whole.size(); ++i)
            QVERIFY2(same(pieces[i], whole[i]), qPrintable(QStringLiteral("frame %1 of the stream").arg(i)));
    }

    void cutOff_data()
    {
        QTest::addColumn<int>("cutAt");
        QTest::addColumn<QString>("section"); // empty: no frame had begun
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("groups");
        QTest::addColumn<bool>("nextDecodes"); // a cut in the name takes the next bytes as name
        QTest::newRow("after the space of \" [\"") << 1 << QString() << 0 << 0 << false;
        QTest::newRow("after \" [\"") << 2 << QString() << 0 << 0 << false;
        QTest::newRow("frame number") << 3 << "frame number" << 0 << 0 << true;
        QTest::newRow("after the number") << 4 << "name" << 0 << 0 << false;
        QTest::newRow("name") << 7 << "name" << 0 << 0 << false;
        QTest::newRow("start of the colours") << ColourStart << "colour table" << 0 << 0 << true;
        QTest::newRow("inside a colour") << ColourStart + 63 << "colour table" << 10 << 0 << true;
        QTest::newRow("last colour") << PixelStart - 1 << "colour table" << 255 << 0 << true;
        QTest::newRow("pixels") << PixelStart + 805 << "pixels" << 256 << 100 << true;
        QTest::newRow("last group") << PixelStart + 65535 << "pixels" << 256 << 8191 << true;
        QTest::newRow("before the close") << PixelStart + 65536 << "closing" << 256 << 8192 << true;
    }

    void cutOff()
    {
        QFETCH(int, cutAt);
        QFETCH(QString, section);
        QFETCH(int, colours);
        QFETCH(int, groups);
        QFETCH(bool, nextDecodes);
        const FrameBitmap sent = makePicture(Random);
        const FrameBitmap nextSent = makePicture(Gradient);
        const QByteArray text = WireOracle::frameText(0x2A, QStringLiteral("CUTCUTCU"), sent);
        const QByteArray cut = text.left(FrameOffset + cutAt);
        const QByteArray next = WireOracle::frameText(0x2B, QStringLiteral("NEXT"), nextSent);
        const auto checkPartial = [&](const DecodedFrame &frame) {
            QVERIFY(!frame.complete);
            QCOMPARE(frame.number, cutAt >= 4 ? 0x2A : -1);
            QCOMPARE(frame.nameField, QByteArray("CUTCUTCU").left(qMax(0, cutAt - 4)));
            QCOMPARE(frame.characters, cutAt);
            QVERIFY2(frame.problem.contains(section), qPrintable(frame.problem));
            VERIFY_NO_DIFFERENCE(mismatch(frame, sent, colours, groups));
        };

        WireDecoder decoder;
        decoder.feed(cut);
        QVERIFY(decoder.takeFrames().isEmpty());
        decoder.finish();
        auto frames = decoder.takeFrames();
        QCOMPARE(frames.size(), section.isEmpty() ? 0 : 1);
        if (!section.isEmpty()) {
            checkPartial(frames.first());
            QVERIFY2(frames.first().problem.contains(QStringLiteral("ended after %1 characters").arg(cutAt)),
                     qPrintable(frames.first().problem));
        }
        // A new stream starts clean: the rest of the cut frame is garbage to it.
        decoder.feed(text.mid(FrameOffset + cutAt));
        QVERIFY(decoder.takeFrames().isEmpty());
        decoder.feed(next);
        frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 1);
        VERIFY_NO_DIFFERENCE(wholeFrame(frames.first(), 0x2B, nextSent));

        // Sync marker lost or not, the next frame's " [" is what ends the cut one.
        for (const QByteArray &following : {next, next.mid(FrameOffset)}) {
            if (!nextDecodes)
                break;
            frames = decode(cut + following);
            QCOMPARE(frames.size(), 2);
            checkPartial(frames.first());
            VERIFY_NO_DIFFERENCE(wholeFrame(frames.last(), 0x2B, nextSent));
        }
    }

    void garbageBetweenFrames_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::addColumn<int>("falseStarts"); // " [" in the garbage that open broken frames
        QTest::addColumn<int>("lost"); // bytes lost before the second frame's '['
        QTest::newRow("nothing") << QByteArray() << 0 << 0;
        QTest::newRow("text") << QByteArray("hello, world") << 0 << 0;
        QTest::newRow("brackets") << QByteArray("x[[[ ]]] ][") << 0 << 0;
        QTest::newRow("spaces") << QByteArray("     ") << 0 << 0;
        QTest::newRow("sync markers") << QByteArray(" [] [] ") << 0 << 0;
        QTest::newRow("closing markers") << QByteArray("] ] ] ") << 0 << 0;
        QTest::newRow("control bytes") << QByteArray("\0\x01\xff\x7f\r\n", 6) << 0 << 0;
        QTest::newRow("false start") << QByteArray(" [ZZ") << 1 << 0;
        QTest::newRow("lowercase number") << QByteArray(" [0a") << 1 << 0;
        QTest::newRow("space in a sync marker") << QByteArray(" [ ] ") << 1 << 0;
        QTest::newRow("sync marker without its space") << QByteArray(" []Z") << 1 << 0;
        // The space of a "] " stands in for the lost one of the " [" after it.
        QTest::newRow("space lost after the sync") << QByteArray() << 0 << 1;
        QTest::newRow("sync and space lost") << QByteArray() << 0 << 5;
    }

    void garbageBetweenFrames()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(int, falseStarts);
        QFETCH(int, lost);
        const FrameBitmap a = makePicture(Random, 1);
        const FrameBitmap b = makePicture(Random, 2);
        QByteArray bText = WireOracle::frameText(2, QStringLiteral("B"), b);
        bText.remove(FrameOffset + 1 - lost, lost);
        const QByteArray aText = WireOracle::frameText(1, QStringLiteral("A"), a);
        const auto frames = decode(garbage + aText + garbage + bText + garbage);
        QCOMPARE(frames.size(), 2 + 3 * falseStarts);
        const int first = falseStarts, second = 2 * falseStarts + 1;
        for (int i = 0; i < frames.size(); ++i)
            QCOMPARE(frames[i].complete, i == first || i == second);
        VERIFY_NO_DIFFERENCE(wholeFrame(frames[first], 1, a));
        VERIFY_NO_DIFFERENCE(wholeFrame(frames[second], 2, b));
    }

    void damagedFrame_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("replacement");
        QTest::addColumn<int>("characters"); // of the damaged frame, up to where it ended
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("badEntry"); // the colour with a value above 63
        QTest::addColumn<QStringList>("mentions");
        const auto row = [](const char *name, int position, const QByteArray &replacement, int colours, int groups,
                            const QString &shown, const QString &section) {
            QTest::newRow(name) << position << 1 << replacement << position << colours << groups << -1
                                << QStringList{shown, QStringLiteral("character %1 ").arg(position + 1), section};
        };
        row("lowercase number", 3, "a", 0, 0, "'a'", "frame number");
        row("letter, first colour", ColourStart, "G", 0, 0, "'G'", "colour table");
        row("space in a colour", ColourStart + 31, " ", 5, 0, "' '", "colour table");
        row("bracket, last colour", PixelStart - 1, "[", 255, 0, "'['", "colour table");
        row("lowercase pixel", PixelStart, "f", 256, 0, "'f'", "pixels");
        row("NUL in the pixels", PixelStart + 2407, QByteArray(1, '\0'), 256, 300, "0x00", "pixels");
        row("last pixel character", PixelStart + 65535, "Z", 256, 8191, "'Z'", "pixels");

        const int close = FrameLength - 2;
        const auto noClose = [&](const char *name, const QByteArray &ending, int characters) {
            QTest::newRow(name) << close << 2 << ending << characters << 256 << 8192 << -1
                                << QStringList{QStringLiteral("no closing")};
        };
        noClose("no closing marker", QByteArray(), close);
        noClose("space only", " ", close);
        noClose("round bracket", ") ", close);
        noClose("extra digit", "0] ", close);
        noClose("bracket, no space", "]x", close + 1);

        // Out of range colours do not stop the frame: it is read to its end.
        const auto colour = [](const char *name, int entry, int component, const QByteArray &value, const char *shown) {
            QTest::newRow(name) << ColourStart + entry * 6 + component * 2 << int(value.size()) << value << FrameLength
                                << 256 << 8192 << entry << QStringList{QString::fromLatin1(shown)};
        };
        colour("64 in the first red", 0, 0, "40", "colour 0 red");
        colour("two in one entry, first told", 100, 1, "80C0", "colour 100 green");
        colour("FF in the last blue", 255, 2, "FF", "colour 255 blue");
    }

    // The damaged frame keeps what arrived before the damage; the frame after it is unharmed.
    void damagedFrame()
    {
        QFETCH(int, position);
        QFETCH(int, length);
        QFETCH(QByteArray, replacement);
        QFETCH(int, characters);
        QFETCH(int, colours);
        QFETCH(int, groups);
        QFETCH(int, badEntry);
        QFETCH(QStringList, mentions);
        const FrameBitmap sent = makePicture(EveryIndex);
        const FrameBitmap nextSent = makePicture(Random);
        QByteArray damaged = WireOracle::frameText(0x3C, QStringLiteral("DAMAGED"), sent);
        damaged.replace(FrameOffset + position, length, replacement);

        const auto frames = decode(damaged + WireOracle::frameText(0x3D, QStringLiteral("NEXT"), nextSent));
        QCOMPARE(frames.size(), 2);
        const DecodedFrame &broken = frames.first();
        QVERIFY(!broken.complete);
        QCOMPARE(broken.characters, characters);
        for (const QString &mention : mentions)
            QVERIFY2(broken.problem.contains(mention), qPrintable(broken.problem));
        QCOMPARE(broken.problem.count(QStringLiteral("above 63")), badEntry < 0 ? 0 : 1);
        VERIFY_NO_DIFFERENCE(mismatch(broken, sent, colours, groups, badEntry));
        VERIFY_NO_DIFFERENCE(wholeFrame(frames.last(), 0x3D, nextSent));
    }

    void randomBytes_data()
    {
        QTest::addColumn<int>("markerOdds"); // 1 in this many is a piece of a marker; 0: any byte
        QTest::addColumn<bool>("reachesPixels");
        QTest::newRow("any byte") << 0 << false;
        QTest::newRow("protocol characters") << 4 << false;
        QTest::newRow("long hexadecimal runs") << 20000 << true;
    }

    void randomBytes()
    {
        QFETCH(int, markerOdds);
        QFETCH(bool, reachesPixels);
        const char *const pieces[] = {" [", "] ", " [] ", " ", "[", "]"};
        QRandomGenerator random(99);
        QByteArray stream;
        while (stream.size() < (1 << 20)) {
            if (markerOdds == 0)
                stream += char(random.bounded(256));
            else if (random.bounded(markerOdds) == 0)
                stream += pieces[random.bounded(6)];
            else
                stream += "0123456789ABCDEF"[random.bounded(16)];
        }
        const auto frames = decode(stream, 65536, 5);
        QVERIFY(!frames.isEmpty());
        int mostGroups = 0;
        for (const DecodedFrame &frame : frames) {
            QVERIFY(frame.number >= -1 && frame.number <= 255 && frame.nameField.size() <= 8);
            QVERIFY(frame.coloursReceived >= 0 && frame.coloursReceived <= 256 && frame.groupsReceived >= 0
                    && frame.groupsReceived <= 8192 && frame.characters >= 2 && frame.characters <= FrameLength);
            QCOMPARE(frame.pixels.size(), FrameBitmap::PixelCount);
            QCOMPARE(frame.complete, frame.problem.isEmpty());
            for (const auto &rgb : frame.sixBitPalette)
                QVERIFY(rgb[0] <= 63 && rgb[1] <= 63 && rgb[2] <= 63);
            QCOMPARE(frame.toImage().size(), QSize(256, 128));
            mostGroups = qMax(mostGroups, frame.groupsReceived);
        }
        QCOMPARE(mostGroups > 0, reachesPixels);
    }
};

QTEST_GUILESS_MAIN(TestWireDecoder)
#include "tst_wiredecoder.moc"
