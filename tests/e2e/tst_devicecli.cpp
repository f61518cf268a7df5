// drelin-device as someone trying the uploader without hardware runs it: over a pseudo-terminal
// with drelin-upload on the other end, on TCP with clients of the test's own, on captured streams
// (whole and damaged), and with bad arguments. The pictures it writes are read back and compared with the frames that
// were sent.
#include "bmpwriter.h"
#include "programrun.h"

#include "base/appinfo.h"
#include "frame/framebitmap.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Run = ProgramRun;

struct Frame
{
    QString path;
    QVector<QRgb> palette;
    QByteArray pixels; // top row first
};

// Every bit plane changes within a pixel group and from row to row, so a swapped plane or a
// shifted group shows.
QByteArray pixels(int seed)
{
    QByteArray result(FrameBitmap::PixelCount, '\0');
    for (int y = 0; y < FrameBitmap::Height; ++y) {
        for (int x = 0; x < FrameBitmap::Width; ++x)
            result[y * FrameBitmap::Width + x] = char((x * (2 * seed + 3) + y * 7 + (x ^ y) * seed + seed * 41) & 0xFF);
    }
    return result;
}

// Components whose low two bits vary, so the cut to six bits matters.
QVector<QRgb> colours(int seed)
{
    QVector<QRgb> result;
    for (int e = 0; e < FrameBitmap::PaletteSize; ++e)
        result.append(qRgb((e * 5 + seed * 60) & 0xFF, (e * 11 + seed) & 0xFF, (255 - e + seed * 3) & 0xFF));
    return result;
}

// A colour as the device shows it: six bits a component, scaled back to eight.
QRgb shown(QRgb colour)
{
    const auto scale = [](int component) { return int(std::lround((component / 4) * 255.0 / 63.0)); };
    return qRgb(scale(qRed(colour)), scale(qGreen(colour)), scale(qBlue(colour)));
}

QStringList lines(const QByteArray &out)
{
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList pictures(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// Each frame of a capture takes this many bytes: " [] " and then the frame itself.
constexpr int CapturedFrameBytes = 67090;
// Offsets inside one captured frame.
constexpr int ColourTableAt = 4 + 2 + 2 + 8;
constexpr int PixelsAt = ColourTableAt + 1536;
constexpr int RowCharacters = 64 * 8;

enum Damage { Intact, CutInPixels, GarbageBetween, BadColourDigit, Empty, Missing };

// Where the cut in the second frame falls: 40 rows, 10 groups and half a group in.
constexpr int CutGroups = 40 * 64 + 10;
constexpr int CutAt = CapturedFrameBytes + PixelsAt + CutGroups * 8 + 3;

} // namespace

class TestDeviceCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QTemporaryDir>> m_configs;
    Frame m_logo;
    Frame m_intro;
    Frame m_background;
    QByteArray m_capture; // the logo as frame 3 and the intro as frame 4

    std::unique_ptr<QProcess> start(const QString &program, const QStringList &arguments)
    {
        // A fresh settings folder for every child: the user's own settings stay untouched.
        m_configs.push_back(std::make_unique<QTemporaryDir>());
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_configs.back()->path());
        process->setProcessEnvironment(environment);
        process->start(program, arguments);
        process->waitForStarted();
        return process;
    }

    Run run(const QString &program, const QStringList &arguments, int timeoutMs = 30000)
    {
        const std::unique_ptr<QProcess> process = start(program, arguments);
        return ProgramRun::finish(*process, timeoutMs);
    }

    // drelin-device listening on TCP, and the port it printed on its first line.
    std::unique_ptr<QProcess> listen(const QStringList &arguments, quint16 *port)
    {
        std::unique_ptr<QProcess> device =
            start(QStringLiteral(DRELIN_DEVICE), QStringList{"--listen", "0"} + arguments);
        if (!QTest::qWaitFor([&] { return device->canReadLine(); }, 10000))
            return device;
        const QString address = QString::fromLatin1(device->readLine()).trimmed();
        if (address.startsWith(QLatin1String("127.0.0.1:")))
            *port = quint16(address.mid(10).toUInt());
        return device;
    }

    static void connectTo(QTcpSocket &client, quint16 port)
    {
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY2(client.waitForConnected(10000), qPrintable(client.errorString()));
    }

    // Interrupted, the device ends with 0 and no complaint.
    static void interrupt(QProcess &device)
    {
        ::kill(pid_t(device.processId()), SIGINT);
        QVERIFY(device.waitForFinished(10000));
        QCOMPARE(device.exitStatus(), QProcess::NormalExit);
        QCOMPARE(device.exitCode(), 0);
        QVERIFY2(device.readAllStandardError().isEmpty(), "the device complained");
    }

    Frame makeFrame(const QString &fileName, int seed)
    {
        Frame frame{m_dir.filePath(fileName), colours(seed), pixels(seed)};
        QFile file(frame.path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(BmpWriter::standardFrame(frame.palette, frame.pixels)) != 33846)
            qFatal("cannot write %s", qPrintable(frame.path));
        return frame;
    }

    QString newFolder(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QDir(path).removeRecursively();
        return path;
    }

    // The picture shows the first pixelsReceived pixels of the frame and index 0 after them.
    void comparePicture(const QString &path, const Frame &frame, int pixelsReceived)
    {
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(FrameBitmap::Width, FrameBitmap::Height));
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        for (int y = 0; y < FrameBitmap::Height; ++y) {
            for (int x = 0; x < FrameBitmap::Width; ++x) {
                const int i = y * FrameBitmap::Width + x;
                const int expected = i < pixelsReceived ? quint8(frame.pixels.at(i)) : 0;
                if (image.pixelIndex(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("%1: pixel (%2, %3) is %4, not %5")
                                         .arg(path)
                                         .arg(x)
                                         .arg(y)
                                         .arg(image.pixelIndex(x, y))
                                         .arg(expected)));
            }
        }
        // Pixels follow the colour table, so any pixel means the whole table arrived.
        if (pixelsReceived == 0)
            return;
        QCOMPARE(image.colorCount(), FrameBitmap::PaletteSize);
        for (int e = 0; e < FrameBitmap::PaletteSize; ++e) {
            if (image.color(e) != shown(frame.palette.at(e)))
                QFAIL(qPrintable(QStringLiteral("%1: colour %2 is %3, not %4")
                                     .arg(path)
                                     .arg(e)
                                     .arg(image.color(e), 8, 16)
                                     .arg(shown(frame.palette.at(e)), 8, 16)));
        }
    }

    QString writeCapture(int damage)
    {
        const QString path = m_dir.filePath(QStringLiteral("damaged.cap"));
        QFile::remove(path);
        if (damage == Missing)
            return path;
        QByteArray bytes = m_capture;
        switch (damage) {
        case CutInPixels:
            bytes.truncate(CutAt);
            break;
        case GarbageBetween: {
            // Line noise with no " [" in it, so it cannot pass for the start of a frame.
            static const char noise[] = "\0\xFF line noise ]\r\n";
            bytes.insert(CapturedFrameBytes, QByteArray(noise, sizeof noise - 1));
            break;
        }
        case BadColourDigit:
            bytes[ColourTableAt + 100] = 'g'; // the blue of colour 16
            break;
        case Empty:
            bytes.clear();
            break;
        default:
            break;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_logo = makeFrame(QStringLiteral("logo.final.bmp"), 0);
        m_intro = makeFrame(QStringLiteral("my intro.bmp"), 1);
        m_background = makeFrame(QStringLiteral("background.bmp"), 2);

        const QString capture = m_dir.filePath(QStringLiteral("intact.cap"));
        const Run made = run(QStringLiteral(DRELIN_UPLOAD),
                             {"--quiet", "--capture", capture, "--offset", "3", m_logo.path, m_intro.path});
        QCOMPARE(made.exitCode, 0);
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_capture = file.readAll();
        QCOMPARE(m_capture.size(), 2 * CapturedFrameBytes);
    }

    void uploadOverPseudoTerminal()
    {
        const QString out = newFolder(QStringLiteral("pty-pictures"));
        const std::unique_ptr<QProcess> device = start(QStringLiteral(DRELIN_DEVICE), {"--pty", "--out", out});
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 10000);
        const QString path = QString::fromLocal8Bit(device->readLine()).trimmed();
        QVERIFY2(path.startsWith(QLatin1String("/dev/")), qPrintable(path));

        const Run upload =
            run(QStringLiteral(DRELIN_UPLOAD),
                {"--quiet", "--device", path, "7=" + m_logo.path, "--offset", "200", m_intro.path, m_background.path},
                60000);
        QVERIFY2(upload.exitCode == 0, upload.err.constData());

        // The last frame's line appears once its closing "] " has been read off the line.
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += device->readAllStandardOutput(), lines(said).size() >= 3), 10000);
        ::kill(pid_t(device->processId()), SIGINT);
        QVERIFY(device->waitForFinished(10000));
        QCOMPARE(device->exitStatus(), QProcess::NormalExit);
        QCOMPARE(device->exitCode(), 0);
        said += device->readAllStandardOutput();
        QVERIFY2(device->readAllStandardError().isEmpty(), "the device complained");

        const QStringList expected{
            QStringLiteral("frame 7 (0007) \"logo    \": complete, 67086 characters"),
            QStringLiteral("frame 200 (0200) \"my intro\": complete, 67086 characters"),
            QStringLiteral("frame 201 (0201) \"backgrou\": complete, 67086 characters"),
        };
        QCOMPARE(lines(said), expected);
        QCOMPARE(pictures(out), (QStringList{"007-logo.png", "200-my_intro.png", "201-backgrou.png"}));
        comparePicture(out + "/007-logo.png", m_logo, FrameBitmap::PixelCount);
        if (QTest::currentTestFailed())
            return;
        comparePicture(out + "/200-my_intro.png", m_intro, FrameBitmap::PixelCount);
        if (QTest::currentTestFailed())
            return;
        comparePicture(out + "/201-backgrou.png", m_background, FrameBitmap::PixelCount);
    }

    void decodesCaptures_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<int>("exitCode");
        // One pattern per line printed, each matching its whole line.
        QTest::addColumn<QStringList>("patterns");
        // The pictures written, and how many pixels of each arrived.
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QList<int>>("received");

        const QString logo = QStringLiteral(R"(frame 3 \(0003\) "logo    ": complete, 67086 characters)");
        const QString intro = QStringLiteral(R"(frame 4 \(0004\) "my intro": complete, 67086 characters)");
        const QStringList both{"003-logo.png", "004-my_intro.png"};
        const int all = FrameBitmap::PixelCount;

        QTest::newRow("intact") << int(Intact) << 0 << QStringList{logo, intro} << both << QList<int>{all, all};
        QTest::newRow("cut in the second frame's pixels")
            << int(CutInPixels) << 0
            << QStringList{logo,
                           QStringLiteral(R"(frame 4 \(0004\) "my intro": partial, %1 characters )"
                                          R"(\(256 colours, %2 of 8192 pixel groups\): .*ended.*in the pixels)")
                               .arg(CutAt - CapturedFrameBytes - 4)
                               .arg(CutGroups)}
            << both << QList<int>{all, CutGroups * 4};
        QTest::newRow("garbage between the frames")
            << int(GarbageBetween) << 0 << QStringList{logo, intro} << both << QList<int>{all, all};
        QTest::newRow("bad digit in the first colour table")
            << int(BadColourDigit) << 0
            << QStringList{QStringLiteral(R"(frame 3 \(0003\) "logo    ": partial, \d+ characters )"
                                          R"(\(16 colours, 0 of 8192 pixel groups\): .*'g'.*in the colour table)"),
                           intro}
            << both << QList<int>{0, all};
        QTest::newRow("empty") << int(Empty) << 0 << QStringList{} << QStringList{} << QList<int>{};
        QTest::newRow("missing") << int(Missing) << 1 << QStringList{} << QStringList{} << QList<int>{};
    }

    void decodesCaptures()
    {
        QFETCH(int, damage);
        QFETCH(int, exitCode);
        QFETCH(QStringList, patterns);
        QFETCH(QStringList, pictures);
        QFETCH(QList<int>, received);

        const QString capture = writeCapture(damage);
        const QString out = newFolder(QStringLiteral("capture-pictures"));
        const Run result = run(QStringLiteral(DRELIN_DEVICE), {"--capture", capture, "--out", out});
        QCOMPARE(result.exitCode, exitCode);
        if (exitCode != 0)
            QVERIFY2(result.err.contains(capture.toUtf8()), result.err.constData());
        else
            QVERIFY2(result.err.isEmpty(), result.err.constData());

        const QStringList said = lines(result.out);
        QCOMPARE(said.size(), patterns.size());
        for (int i = 0; i < said.size(); ++i) {
            const QRegularExpression pattern(QRegularExpression::anchoredPattern(patterns.at(i)));
            QVERIFY2(pattern.match(said.at(i)).hasMatch(), qPrintable(said.at(i)));
        }

        QCOMPARE(::pictures(out), pictures);
        for (int i = 0; i < pictures.size(); ++i) {
            comparePicture(out + QLatin1Char('/') + pictures.at(i), i == 0 ? m_logo : m_intro, received.at(i));
            if (QTest::currentTestFailed())
                return;
        }
    }

    void quietStillWritesPictures()
    {
        const QString out = newFolder(QStringLiteral("quiet-pictures"));
        const Run result =
            run(QStringLiteral(DRELIN_DEVICE), {"--quiet", "--capture", writeCapture(Intact), "--out", out});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.out.isEmpty(), result.out.constData());
        QCOMPARE(pictures(out), (QStringList{"003-logo.png", "004-my_intro.png"}));
        comparePicture(out + "/004-my_intro.png", m_intro, FrameBitmap::PixelCount);
    }

    // As fast as the sender writes, the frame takes the line's time: 11 bits a character, and the
    // line idle for the sender's pauses after the empty frame and after the name.
    void lineRateTakesTheLinesTime()
    {
        constexpr int Baud = 230400;
        const std::unique_ptr<QProcess> device =
            start(QStringLiteral(DRELIN_DEVICE), {"--pty", "--line-rate", QString::number(Baud)});
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 10000);
        const QByteArray path = device->readLine().trimmed();
        const int line = ::open(path.constData(), O_WRONLY | O_NOCTTY);
        QVERIFY(line >= 0);
        termios raw{};
        ::tcgetattr(line, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(line, TCSANOW, &raw);
        const QByteArray frame = m_capture.left(CapturedFrameBytes);
        QElapsedTimer timer;
        timer.start();
        std::thread writer([&] {
            for (qsizetype sent = 0; sent < frame.size();) {
                const ssize_t wrote = ::write(line, frame.constData() + sent, size_t(frame.size() - sent));
                if (wrote <= 0)
                    break;
                sent += wrote;
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 20000);
        const qint64 tookMs = timer.elapsed();
        writer.join();
        ::close(line);
        ::kill(pid_t(device->processId()), SIGINT);
        QVERIFY(device->waitForFinished(10000));
        QVERIFY(device->readLine().contains("complete"));
        const double lineMs = CapturedFrameBytes * 11 * 1000.0 / Baud + 2 * 1000;
        QVERIFY2(std::abs(tookMs - lineMs) < lineMs * 0.05,
                 qPrintable(QStringLiteral("%1 ms for a line time of %2 ms").arg(tookMs).arg(lineMs)));
    }

    // At the device's rate a client that writes a whole frame at once is held up by the line: its
    // last characters leave it long after the first, and the frame takes the line's time (11 bits a
    // character and the two pauses inside the frame). Lower bounds only: they cannot flake.
    void listensOnTcpAtTheLinesPace()
    {
        constexpr int Baud = 38400;
        const QString out = newFolder(QStringLiteral("tcp-pictures"));
        quint16 port = 0;
        const std::unique_ptr<QProcess> device = listen({"--line-rate", QString::number(Baud), "--out", out}, &port);
        QVERIFY(port != 0);
        QTcpSocket client;
        connectTo(client, port);
        if (QTest::currentTestFailed())
            return;
        // The client's own system buffer kept small, so what the device does not take shows here.
        client.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
        QElapsedTimer timer;
        timer.start();
        qint64 handedOverMs = -1;
        connect(&client, &QTcpSocket::bytesWritten, [&] {
            if (client.bytesToWrite() == 0 && handedOverMs < 0)
                handedOverMs = timer.elapsed();
        });
        client.write(m_capture.left(CapturedFrameBytes));
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 60000);
        const qint64 tookMs = timer.elapsed();
        QCOMPARE(QString::fromUtf8(device->readLine()).trimmed(),
                 QStringLiteral("frame 3 (0003) \"logo    \": complete, 67086 characters"));
        const double lineMs = CapturedFrameBytes * 11 * 1000.0 / Baud + 2 * 1000;
        QVERIFY2(tookMs >= lineMs - 200,
                 qPrintable(QStringLiteral("%1 ms for a line time of %2 ms").arg(tookMs).arg(lineMs)));
        QVERIFY2(handedOverMs >= lineMs / 4,
                 qPrintable(QStringLiteral("all handed over after %1 ms of %2 ms").arg(handedOverMs).arg(lineMs)));
        // The picture is written after the line is printed: whole once the device has ended.
        interrupt(*device);
        comparePicture(out + "/003-logo.png", m_logo, FrameBitmap::PixelCount);
    }

    // One client at a time: a second is told the port is busy and closed; a frame the client left
    // unfinished is reported when it goes, and the next client is heard.
    void tcpTakesOneClientAtATime()
    {
        quint16 port = 0;
        const std::unique_ptr<QProcess> device = listen({}, &port);
        QVERIFY(port != 0);
        QTcpSocket first;
        QTcpSocket second;
        connectTo(first, port);
        connectTo(second, port);
        if (QTest::currentTestFailed())
            return;
        QByteArray told;
        QTRY_VERIFY_WITH_TIMEOUT((told += second.readAll(), second.state() == QAbstractSocket::UnconnectedState),
                                 10000);
        told += second.readAll();
        QCOMPARE(told, QByteArray("Port already in use\r\n"));

        first.write(m_capture.left(CutAt - CapturedFrameBytes));
        first.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 10000);
        const QString partial = QString::fromUtf8(device->readLine()).trimmed();
        const QRegularExpression cut(QRegularExpression::anchoredPattern(
            QStringLiteral(R"(frame 3 \(0003\) "logo    ": partial, %1 characters \(256 colours, %2 of 8192 pixel )"
                           R"(groups\): the stream ended .*in the pixels)")
                .arg(CutAt - CapturedFrameBytes - 4)
                .arg(CutGroups)));
        QVERIFY2(cut.match(partial).hasMatch(), qPrintable(partial));

        QTcpSocket next;
        connectTo(next, port);
        if (QTest::currentTestFailed())
            return;
        next.write(m_capture.mid(CapturedFrameBytes));
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 10000);
        QCOMPARE(QString::fromUtf8(device->readLine()).trimmed(),
                 QStringLiteral("frame 4 (0004) \"my intro\": complete, 67086 characters"));
        interrupt(*device);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        QTest::newRow("no source") << QStringList{"--out", "pictures"} << "give one of";
        QTest::newRow("two sources") << QStringList{"--pty", "--capture", "x.cap"} << "give one of";
        QTest::newRow("one source twice") << QStringList{"--pty", "--pty"} << "give one of";
        QTest::newRow("unknown option") << QStringList{"--capture", "x.cap", "--fast"} << "unknown option 'fast'";
        QTest::newRow("stray argument") << QStringList{"--capture", "x.cap", "y.cap"} << "unknown argument y.cap";
        QTest::newRow("--out without a value")
            << QStringList{"--capture", "x.cap", "--out"} << "missing value after '--out'";
        QTest::newRow("--out empty") << QStringList{"--capture", "x.cap", "--out="} << "--out takes a folder";
        QTest::newRow("a capture is not paced")
            << QStringList{"--capture", "x.cap", "--line-rate", "9600"} << "give it with --pty, --device or --listen";
        QTest::newRow("rate not a number")
            << QStringList{"--pty", "--line-rate", "fast"} << "from 110 to 4000000 baud, not \"fast\"";
        QTest::newRow("--listen without a port")
            << QStringList{"--listen", "127.0.0.1:"} << "--listen needs a TCP port";
        QTest::newRow("--listen past the last port")
            << QStringList{"--listen", "65536"} << "a TCP port from 0 to 65535, not \"65536\"";
        QTest::newRow("--listen on no number") << QStringList{"--listen", "[::1]:http"} << "not \"http\"";
        QTest::newRow("--listen on a host name") << QStringList{"--listen", "localhost:4001"}
                                                 << "an IP address such as 127.0.0.1 or [::1], not \"localhost\"";
        QTest::newRow("--listen on IPv6 without brackets") << QStringList{"--listen", "::1:4001"} << "in brackets";
        QTest::newRow("--listen and --pty") << QStringList{"--listen", "0", "--pty"} << "give one of";
        QTest::newRow("--listen and --device")
            << QStringList{"--device", "/dev/null", "--listen", "0"} << "give one of";
        QTest::newRow("--listen and --capture") << QStringList{"--listen", "0", "--capture", "x.cap"} << "give one of";
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        // Nothing on stdout: no pseudo-terminal was made.
        const QString problem = run(QStringLiteral(DRELIN_DEVICE), arguments, 10000)
                                    .usageErrorProblem(QStringLiteral("drelin-device"), says);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QByteArrayList>("says"); // each somewhere in the output
        QTest::addColumn<QByteArray>("whole"); // the whole output, when it is known
        const QByteArrayList help{"Usage: drelin-device [options]",
                                  "--pty",
                                  "--device <PATH>",
                                  "--listen <[ADDRESS:]PORT>",
                                  "--capture <FILE>",
                                  "--out <DIR>",
                                  "--quiet",
                                  "--version",
                                  "Exit status: 0 done"};
        QTest::newRow("--help") << "--help" << help << QByteArray();
        QTest::newRow("-h") << "-h" << help << QByteArray();
        QTest::newRow("--version") << "--version" << QByteArrayList()
                                   << "drelin-device " + QByteArray(AppInfo::VersionString)
                + "\nLicence: GPL-3.0-or-later (the LICENSE file); it uses libimagequant (GPL-3.0-or-later) and Qt "
                  "(LGPL-3.0).\n";
    }

    void helpAndVersion()
    {
        QFETCH(QString, argument);
        QFETCH(QByteArrayList, says);
        QFETCH(QByteArray, whole);
        const Run result = run(QStringLiteral(DRELIN_DEVICE), {argument}, 10000);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.err.isEmpty(), result.err.constData());
        for (const QByteArray &text : says)
            QVERIFY2(result.out.contains(text), text.constData());
        if (!whole.isEmpty())
            QCOMPARE(result.out, whole);
    }

    void missingDeviceIsReported()
    {
        const Run result = run(QStringLiteral(DRELIN_DEVICE), {"--device", "/dev/no-such-device"}, 10000);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("/dev/no-such-device"), result.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestDeviceCli)
#include "tst_devicecli.moc"
