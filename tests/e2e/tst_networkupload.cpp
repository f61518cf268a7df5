// drelin-upload to serial device servers: through ser2net (RFC 2217 and raw) into a pseudo-terminal,
// timed where the device reads; three destinations at once; and each fault a server can show.
#include "bmpwriter.h"
#include "farend.h"
#include "programrun.h"
#include "ptypair.h"
#include "scriptedserver.h"
#include "ser2netserver.h"
#include "wireoracle.h"

#include "frame/framebitmap.h"
#include "frame/wireformat.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Timings are only asserted where the program runs at its own speed.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

struct Frames
{
    QTemporaryDir dir;
    QStringList arguments; // NUMBER=PATH
    QByteArray wire; // what the device must receive, in order

    explicit Frames(int count)
    {
        for (int n = 0; n < count; ++n) {
            QVector<QRgb> palette;
            for (int e = 0; e < 256; ++e)
                palette.append(qRgb((e * 7 + n) & 0xFF, (e * 3) & 0xFF, (255 - e) & 0xFF));
            QByteArray pixels(FrameBitmap::PixelCount, '\0');
            for (int i = 0; i < pixels.size(); ++i)
                pixels[i] = char((i * 5 + n * 11 + (i >> 8)) & 0xFF);
            const QString path = dir.filePath(QStringLiteral("net%1.bmp").arg(n));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(BmpWriter::standardFrame(palette, pixels));
            file.close();
            arguments << QStringLiteral("%1=%2").arg(n).arg(path);
            wire += WireOracle::frameText(n, QStringLiteral("net%1").arg(n), *FrameBitmapReader::readFile(path));
        }
    }
};

// Runs drelin-upload while the test's event loop goes on (the scripted server lives on it).
ProgramRun upload(const QStringList &arguments, qint64 *elapsedMs = nullptr, int timeoutMs = 120000)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(DRELIN_UPLOAD), arguments);
    ProgramRun run;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        return ProgramRun::finish(process, 0); // not in time: -1
    if (elapsedMs)
        *elapsedMs = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// The stretches of at least minMs in which the device received nothing.
QVector<qint64> quietStretches(const FarEnd &far, qint64 minMs)
{
    QVector<qint64> gaps;
    const auto arrivals = far.arrivals();
    for (int i = 1; i < arrivals.size(); ++i) {
        const qint64 gap = arrivals.at(i).second - arrivals.at(i - 1).second;
        if (gap >= minMs)
            gaps << gap;
    }
    return gaps;
}

// When the device received the character at `offset`.
qint64 arrivalOf(const FarEnd &far, qint64 offset)
{
    qint64 at = -1;
    for (const auto &arrival : far.arrivals()) {
        if (arrival.first > offset)
            break;
        at = arrival.second;
    }
    return at;
}

} // namespace

class TestNetworkUpload : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!Ser2netServer::available())
            QSKIP("ser2net is not installed");
    }

    void throughSer2net_data()
    {
        QTest::addColumn<bool>("rfc2217");
        QTest::newRow("rfc2217") << true;
        QTest::newRow("raw") << false;
    }

    void throughSer2net()
    {
        QFETCH(bool, rfc2217);
        PtyPair pty;
        FarEnd far(pty);
        Ser2netServer server;
        QString error;
        QVERIFY2(server.start(pty.devicePath(), &error), qPrintable(error));
        const Frames frames(2);

        const ProgramRun run =
            upload(QStringList{"--device", rfc2217 ? server.rfc2217Url() : server.rawUrl()} + frames.arguments);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        // Said once: ser2net leaves RTS on a pseudo-terminal unanswered; a raw port's settings are its own.
        QCOMPARE(run.err.count(rfc2217 ? "request to turn RTS off" : "is a raw TCP port"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(far.received().size(), frames.wire.size(), 5000);
        QVERIFY(far.received() == frames.wire);

        // Three pauses a frame: two inside each, and the next frame's first between them. The pseudo-
        // terminal takes what arrives at once, so a frame's last second of line comes a second early
        // here and the pause after it looks that much longer; a UART would send it at its pace.
        const QVector<qint64> pauses = quietStretches(far, 500);
        QCOMPARE(pauses.size(), 5);
        const qint64 frameMs = arrivalOf(far, frames.wire.size() / 2) - arrivalOf(far, 0);
        const qint64 expectedMs = expectedUploadMs(1, 38400, 11);
        qInfo("frame at the device: %lld ms (line model %lld ms); pauses %s ms", frameMs, expectedMs,
              qPrintable(QStringList([&] {
                             QStringList list;
                             for (const qint64 p : pauses)
                                 list << QString::number(p);
                             return list;
                         }())
                             .join(QLatin1Char(' '))));
        if (Sanitized)
            return;
        QVERIFY(qAbs(frameMs - expectedMs) <= expectedMs / 50);
        for (const qint64 pause : pauses)
            QVERIFY2(pause >= 900, qPrintable(QString::number(pause)));
    }

    void threeDestinationsAtOnce()
    {
        PtyPair ptys[3];
        FarEnd far0(ptys[0]), far1(ptys[1]), far2(ptys[2]);
        Ser2netServer rfc, raw;
        QString error;
        QVERIFY2(rfc.start(ptys[0].devicePath(), &error) && raw.start(ptys[1].devicePath(), &error), qPrintable(error));
        const Frames frames(1);
        qint64 elapsedMs = 0;
        const ProgramRun run =
            upload(QStringList{"--device", rfc.rfc2217Url(), "--device", raw.rawUrl(), "--device", ptys[2].devicePath()}
                       + frames.arguments,
                   &elapsedMs);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        for (const FarEnd *far : {&far0, &far1, &far2})
            QTRY_VERIFY_WITH_TIMEOUT(far->received() == frames.wire, 5000);
        // The destinations go side by side: about one frame's time, plus connecting.
        const qint64 oneMs = expectedUploadMs(1, 38400, 11);
        qInfo("three destinations: %lld ms; one frame on the line: %lld ms", elapsedMs, oneMs);
        if (!Sanitized)
            QVERIFY(elapsedMs <= oneMs * 105 / 100 + 1500);
    }

    void faults_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("characters");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("says");

        const QStringList none;
        QTest::newRow("option declined") << int(ScriptedServer::RefuseOption) << 0 << "rfc2217" << none << 1
                                         << QStringList{"declined the COM-PORT-OPTION", "tcp://"};
        QTest::newRow("speed refused") << int(ScriptedServer::RefuseSpeed) << 0 << "rfc2217" << none << 1
                                       << QStringList{"refused the speed: asked for 38400 bit/s, it answered 0 bit/s"};
        QTest::newRow("another speed") << int(ScriptedServer::OtherSpeed) << 0 << "rfc2217" << none << 1
                                       << QStringList{"asked for 38400 bit/s, it answered 9600 bit/s"};
        QTest::newRow("silence") << int(ScriptedServer::NeverAnswer) << 0 << "rfc2217" << none << 1
                                 << QStringList{"did not answer within 5 s"};
        QTest::newRow("busy") << int(ScriptedServer::Busy) << 0 << "rfc2217" << none << 1
                              << QStringList{"is busy", "Port already in use"};
        QTest::newRow("hung up mid-frame") << int(ScriptedServer::CloseAfter) << 3000 << "tcp" << none << 1
                                           << QStringList{"lost after", "of frame 0000", "To continue:"};
        QTest::newRow("hung up, called again")
            << int(ScriptedServer::CloseAfter) << 3000 << "rfc2217" << QStringList{"--reconnect", "10"} << 0
            << QStringList{"Called again: frame 0000 goes out again whole"};
        QTest::newRow("held for two seconds")
            << int(ScriptedServer::Suspend) << 500 << "rfc2217" << none << 0 << QStringList{};
    }

    void faults()
    {
        QFETCH(int, mode);
        QFETCH(int, characters);
        QFETCH(QString, scheme);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QStringList, says);

        ScriptedServer server(ScriptedServer::Mode(mode), characters);
        QVERIFY(server.port() != 0);
        QTcpSocket first; // the client a busy server has already
        if (mode == ScriptedServer::Busy) {
            first.connectToHost(QStringLiteral("127.0.0.1"), server.port());
            QVERIFY(first.waitForConnected(5000));
            QTRY_COMPARE(server.connections(), 1);
        }
        const Frames frames(1);
        const ProgramRun run =
            upload(QStringList{"--device", QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server.port())} + options
                   + frames.arguments);
        const QString printed = QString::fromUtf8(run.out + run.err);
        QCOMPARE(run.exitCode, exitCode);
        for (const QString &words : says)
            QVERIFY2(printed.contains(words), qPrintable(printed));
        if (exitCode == 0) // the last whole copy is the frame, byte for byte
            QVERIFY(server.received().endsWith(frames.wire));
        else if (characters == 0) // refused before anything of the frame went
            QCOMPARE(server.received(), QByteArray());
        if (mode == ScriptedServer::Suspend) // held: at most what was under way when it said so
            QVERIFY2(server.charactersWhileSuspended() < 64,
                     qPrintable(QString::number(server.charactersWhileSuspended())));
    }

    void cannotReach_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("says");
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QTest::newRow("nothing listening") << QStringLiteral("tcp://127.0.0.1:%1").arg(port)
                                           << "refused the connection: the server is not running, or the port is wrong";
        QTest::newRow("no such host") << "rfc2217://no-such-host.invalid:4001"
                                      << "cannot be found";
        QTest::newRow("bad port") << "rfc2217://127.0.0.1:70000"
                                  << "needs a TCP port from 1 to 65535";
    }

    void cannotReach()
    {
        QFETCH(QString, url);
        QFETCH(QString, says);
        const Frames frames(1);
        const ProgramRun run = upload(QStringList{"--device", url} + frames.arguments, nullptr, 30000);
        QVERIFY2(run.exitCode == 1 || run.exitCode == 2, run.err.constData());
        QVERIFY2(QString::fromUtf8(run.err).contains(says), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestNetworkUpload)
#include "tst_networkupload.moc"
