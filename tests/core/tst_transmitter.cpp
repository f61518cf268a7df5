// One frame on the line, and the list upload: the exact characters, drains and pauses in order,
// stops in each phase, failures, and what the window is told.
#include "bmpwriter.h"
#include "recordinglink.h"
#include "wireoracle.h"

#include "base/duration.h"
#include "frame/framebitmap.h"
#include "frame/framename.h"
#include "frame/wireformat.h"
#include "upload/core/frametransmitter.h"
#include "upload/core/listupload.h"
#include "upload/core/uploadcheck.h"
#include "upload/core/uploadstate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Kind = LineEvent::Kind;

LineEvent W(const QByteArray &text)
{
    return {Kind::Write, text, 0};
}
const LineEvent D{Kind::Drain, {}, 0};
const LineEvent P{Kind::Pause, {}, 1000};

// A picture whose every pixel tells where it came from: the row in the high bits, the column in the low.
QByteArray positionalPixels()
{
    QByteArray pixels(256 * 128, '\0');
    for (int row = 0; row < 128; ++row)
        for (int column = 0; column < 256; ++column)
            pixels[row * 256 + column] = char((row * 37 + column) & 0xFF);
    return pixels;
}

QVector<QRgb> rampPalette()
{
    QVector<QRgb> palette;
    for (int e = 0; e < 256; ++e)
        palette.append(qRgb(e, 255 - e, (e * 5) & 0xFF));
    return palette;
}

QString writeFrame(const QTemporaryDir &dir, const QString &name, const QVector<QRgb> &palette,
                   const QByteArray &pixels)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(BmpWriter::standardFrame(palette, pixels));
    return path;
}

// Records what the transmitter tells the window.
struct Notes : UploadObserver
{
    QStringList log;
    void frameBegun() override { log << "begun"; }
    void tickerStarted() override { log << "ticker"; }
    void progressed(int value) override { lastProgress = value; }
    void frameEnded() override { log << "ended"; }
    void frameCutShort() override { log << "cut"; }
    void frameStarting(int position, int count, const UploadJob &job, const QString &name) override
    {
        log << QStringLiteral("starting %1/%2 %3 %4")
                   .arg(position)
                   .arg(count)
                   .arg(job.number, 4, 10, QLatin1Char('0'))
                   .arg(name);
    }
    void frameFinished(int position, int, qint64 estimate) override
    {
        log << QStringLiteral("finished %1 estimate %2").arg(position).arg(estimate);
    }
    int lastProgress = 0;
};

} // namespace

class TestTransmitter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_frame;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_frame = writeFrame(m_dir, QStringLiteral("logo.bmp"), rampPalette(), positionalPixels());
        QVERIFY(!m_frame.isEmpty());
    }

    void colourComponents_data()
    {
        QTest::addColumn<QRgb>("entry");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("255 252 128") << qRgb(255, 252, 128) << QByteArray("3F3F20");
        QTest::newRow("4 3 0") << qRgb(4, 3, 0) << QByteArray("010000");
        QTest::newRow("blue 10h green 20h red FFh") << qRgb(0xFF, 0x20, 0x10) << QByteArray("3F0804");
    }

    void colourComponents()
    {
        QFETCH(QRgb, entry);
        QFETCH(QByteArray, text);
        QVector<QRgb> palette(256, qRgb(0, 0, 0));
        palette[0] = entry;
        const QString path = writeFrame(m_dir, QStringLiteral("colour.bmp"), palette, QByteArray(32768, '\0'));
        RecordingLine line;
        UploadState state;
        FrameTransmitter transmitter(line, line, state);
        QCOMPARE(transmitter.SendFrame(1, path, QStringLiteral("c")), FrameTransmitter::Result::Sent);
        QCOMPARE(line.written().mid(16, 6), text);
    }

    // The whole frame: every write, drain and pause in order.
    void wholeFrame()
    {
        RecordingLine line;
        UploadState state;
        Notes notes;
        FrameTransmitter transmitter(line, line, state, &notes);
        QCOMPARE(transmitter.SendFrame(5, m_frame, QStringLiteral("logo")), FrameTransmitter::Result::Sent);

        QVector<LineEvent> expected = {P,       W(" ["), D,       W("] "), D,       P, W(" ["), D, W("05"), D,
                                       W("lo"), D,       W("go"), D,       W("  "), D, W("  "), D, P};
        const QVector<QRgb> palette = rampPalette();
        for (const QRgb entry : palette) {
            for (const int component : {qRed(entry), qGreen(entry), qBlue(entry)})
                expected << W(WireFormat::FormatHex2(component / 4).toLatin1()) << D;
        }
        // Top row of the picture first: the last 256 bytes of the file.
        const QByteArray pixels = positionalPixels();
        for (int row = 0; row < 128; ++row) {
            for (int c = 0; c < 256; c += 4) {
                const auto bytes =
                    WireFormat::encodePixelGroup(quint8(pixels[row * 256 + c]), quint8(pixels[row * 256 + c + 1]),
                                                 quint8(pixels[row * 256 + c + 2]), quint8(pixels[row * 256 + c + 3]));
                QByteArray group;
                for (const quint8 b : bytes)
                    group += WireFormat::FormatHex2(b).toLatin1();
                expected << W(group);
            }
        }
        expected << W("] ") << D;

        QCOMPARE(line.events.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(line.events[i] == expected[i], qPrintable(QStringLiteral("event %1 differs").arg(i)));
        QCOMPARE(line.written().size(), 67090);
        QCOMPARE(line.written(),
                 WireOracle::frameText(5, QStringLiteral("logo"), *FrameBitmapReader::readFile(m_frame)));
        QCOMPARE(state.ProgressValue.load(), 32768);
        QCOMPARE(notes.lastProgress, 32768);
        QCOMPARE(notes.log, QStringList({"begun", "ticker", "ended"}));
    }

    // A stop at a given moment: where the stream ends and what goes out before it.
    void stops_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("afterEventIndex"); // stop requested right after this event
        QTest::addColumn<int>("charactersSent");
        const int header = 2 + 2 + 2 + 2 + 8;
        // Events: 0 pause, 1 " [", 2 drain, 3 "] ", 4 drain, 5 pause, 6 " [", ... 18 pause.
        QTest::newRow("first pause") << "header" << 0 << header;
        QTest::newRow("second pause") << "header" << 5 << header;
        QTest::newRow("name field") << "header" << 12 << header;
        // Entry 10's green component (event 19 + 10*6 + 2): its blue still goes out.
        QTest::newRow("colour table") << "colours" << (19 + 10 * 6 + 2) << header + 11 * 6;
        // After the 100th pixel group.
        QTest::newRow("pixels") << "pixels" << (19 + 256 * 6 + 99) << header + 1536 + 100 * 8;
    }

    void stops()
    {
        QFETCH(int, afterEventIndex);
        QFETCH(int, charactersSent);
        RecordingLine line;
        UploadState state;
        Notes notes;
        line.afterEvent = [&](int index, const LineEvent &) {
            if (index == afterEventIndex)
                state.StopRequested = true;
        };
        FrameTransmitter transmitter(line, line, state, &notes);
        QCOMPARE(transmitter.SendFrame(7, m_frame, QStringLiteral("logo")), FrameTransmitter::Result::Stopped);
        QCOMPARE(line.written().size(), charactersSent);
        const FrameBitmap frame = *FrameBitmapReader::readFile(m_frame);
        QCOMPARE(line.written(), WireOracle::frameText(7, QStringLiteral("logo"), frame).left(charactersSent));
        QCOMPARE(notes.log.last(), QStringLiteral("cut"));
        QVERIFY(!notes.log.contains(QStringLiteral("ended")));
    }

    void failures_data()
    {
        QTest::addColumn<int>("failWritesFrom");
        QTest::addColumn<bool>("missingFile");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("errorContains");
        QTest::newRow("port closed: only the first marker is tried") << 0 << false << QByteArray() << "line is gone";
        QTest::newRow("missing file: marker, then the file's error") << -1 << true << QByteArray(" [") << "missing.bmp";
        QTest::newRow("second marker refused") << 2 << false << QByteArray(" [] ") << "line is gone";
        // A failure in the pixels ends the frame too; the rest is not written into a dead line.
        QTest::newRow("line lost in the pixels") << (9 + 768 + 500) << false << QByteArray() << "line is gone";
    }

    void failures()
    {
        QFETCH(int, failWritesFrom);
        QFETCH(bool, missingFile);
        QFETCH(QByteArray, sent);
        QFETCH(QString, errorContains);
        RecordingLine line;
        line.failWritesFrom = failWritesFrom;
        UploadState state;
        Notes notes;
        FrameTransmitter transmitter(line, line, state, &notes);
        const QString path = missingFile ? m_dir.filePath(QStringLiteral("missing.bmp")) : m_frame;
        QCOMPARE(transmitter.SendFrame(1, path, QStringLiteral("x")), FrameTransmitter::Result::Failed);
        QVERIFY2(transmitter.errorDescription().contains(errorContains), qPrintable(transmitter.errorDescription()));
        if (!sent.isEmpty())
            QCOMPARE(line.written(), sent);
        QCOMPARE(line.writeCount(), failWritesFrom >= 0 ? failWritesFrom + 1 : 1);
        QCOMPARE(notes.log.last(), QStringLiteral("cut"));
    }

    void listUploadSendsEveryEntryAndEstimates()
    {
        const QString other =
            writeFrame(m_dir, QStringLiteral("logo.final.bmp"), rampPalette(), QByteArray(32768, '\x11'));
        RecordingLine line;
        line.afterEvent = [&](int, const LineEvent &event) {
            if (event.kind == Kind::Write)
                line.advance(1); // a millisecond a write
        };
        UploadState state;
        Notes notes;
        ListUpload upload(line, line, state, &notes);
        const auto outcome = upload.run({{3, m_frame}, {10, other}});
        QCOMPARE(outcome.result, UploadOutcome::Finished);
        QCOMPARE(outcome.framesSent, 2);
        const QByteArray all = line.written();
        QCOMPARE(all.size(), 2 * 67090);
        QCOMPARE(all.mid(6, 10), QByteArray("03logo    "));
        QCOMPARE(all.mid(67090 + 6, 10), QByteArray("0Alogo    "));
        // A frame takes 3 pauses (3000 ms) and 4 + 4 + 768 + 8192 + 1 = 8969 writes.
        const qint64 frameMs = 3000 + 8969;
        QCOMPARE(notes.log.filter(QStringLiteral("starting")),
                 QStringList({"starting 1/2 0003 logo", "starting 2/2 0010 logo"}));
        QCOMPARE(notes.log.filter(QStringLiteral("finished")),
                 QStringList({QStringLiteral("finished 1 estimate %1").arg(2 * frameMs),
                              QStringLiteral("finished 2 estimate %1").arg(2 * frameMs)}));
    }

    void listUploadEndsOnStopAndFailure_data()
    {
        QTest::addColumn<bool>("fail");
        QTest::addColumn<int>("result");
        QTest::newRow("stop during the second frame") << false << int(UploadOutcome::Stopped);
        QTest::newRow("line lost during the second frame") << true << int(UploadOutcome::Failed);
    }

    void listUploadEndsOnStopAndFailure()
    {
        QFETCH(bool, fail);
        QFETCH(int, result);
        RecordingLine line;
        UploadState state;
        const int secondFramePixels = 8969 + 8 + 768 + 10;
        if (fail)
            line.failWritesFrom = secondFramePixels;
        else
            line.afterEvent = [&](int, const LineEvent &) {
                if (line.writeCount() == secondFramePixels)
                    state.StopRequested = true;
            };
        Notes notes;
        ListUpload upload(line, line, state, &notes);
        const auto outcome = upload.run({{1, m_frame}, {2, m_frame}, {3, m_frame}});
        QCOMPARE(int(outcome.result), result);
        QCOMPARE(outcome.framesSent, 1);
        QCOMPARE(notes.log.filter(QStringLiteral("starting")).size(), 2);
        QCOMPARE(notes.log.filter(QStringLiteral("finished")).size(), 1);
        QCOMPARE(outcome.error.isEmpty(), !fail);
    }

    void checkRefusesBadEntriesUpFront()
    {
        QFile broken(m_dir.filePath(QStringLiteral("broken.bmp")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("BM not really");
        broken.close();
        const auto problems =
            UploadCheck::check({{0, m_frame}, {1, m_dir.filePath(QStringLiteral("gone.bmp"))}, {2, broken.fileName()}});
        QCOMPARE(problems.size(), 2);
        QCOMPARE(problems[0].position, 2);
        QCOMPARE(problems[1].position, 3);
        const QString message = UploadCheck::describe(problems);
        QVERIFY(message.contains(QLatin1String("0001  ") + m_dir.filePath(QStringLiteral("gone.bmp"))));
        QVERIFY(message.contains(broken.fileName()));
        QVERIFY(message.contains(QLatin1String("nothing was sent")));
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("fraction dropped") << qint64(59999) << "00:00:59";
        QTest::newRow("an hour and a bit") << qint64(3723000) << "01:02:03";
        QTest::newRow("whole days dropped") << qint64(25 * 3600000LL) << "01:00:00";
        QTest::newRow("never negative") << qint64(-5000) << "00:00:00";
    }

    void durations()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(formatDuration(ms), text);
    }

    // What the history keys a frame by is what the transmitter writes, character for character.
    void frameTextIsWhatGoesOut_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("seed"); // 0: the ramp and positional pixels
        QTest::newRow("ramp, short name") << 5 << "logo" << 0;
        QTest::newRow("number 0, empty name") << 0 << "" << 1;
        QTest::newRow("number 255, long name cut") << 255 << "abcdefghijkl" << 2;
        QTest::newRow("name outside ASCII") << 17 << QString::fromUtf8("čup€") << 3;
    }

    void frameTextIsWhatGoesOut()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(int, seed);
        FrameBitmap frame = *FrameBitmapReader::readFile(m_frame);
        QRandomGenerator noise{quint32(seed)};
        for (int i = 0; seed && i < FrameBitmap::PixelCount; ++i)
            frame.pixels[i] = char(noise.bounded(256));
        for (int e = 0; seed && e < FrameBitmap::PaletteSize; ++e)
            frame.palette[size_t(e)] = 0xFF000000 | noise.bounded(0x1000000);
        RecordingLine line;
        UploadState state;
        FrameTransmitter transmitter(line, line, state);
        QCOMPARE(transmitter.SendFrame(number, QString(), name, &frame), FrameTransmitter::Result::Sent);
        QCOMPARE(WireFormat::frameText(number, name, frame), line.written());
        QCOMPARE(WireFormat::frameSha256(number, name, frame),
                 QCryptographicHash::hash(line.written(), QCryptographicHash::Sha256));
    }

    void frameNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("first dot") << "/frames/logo.final.bmp"
                                   << "logo";
        QTest::newRow("no dot") << "/frames/logo"
                                << "logo";
        QTest::newRow("leading dot") << "/frames/.hidden.bmp"
                                     << "";
        QTest::newRow("root folder, two separators") << "//logo.bmp"
                                                     << "logo";
        QTest::newRow("spaces kept") << "/a b/my logo.bmp"
                                     << "my logo";
    }

    void frameNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(frameNameFromPath(path), name);
    }
};

QTEST_GUILESS_MAIN(TestTransmitter)
#include "tst_transmitter.moc"
