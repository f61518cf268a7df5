// drelin-upload as an operator's script runs it: usage errors, capture files, ports by number and
// by path, and interrupts. Its refusals of broken frames are in tst_badbitmaps.
#include "bmpwriter.h"
#include "farend.h"
#include "programrun.h"
#include "ptypair.h"
#include "wireoracle.h"

#include "base/appinfo.h"
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

using Run = ProgramRun;

QByteArray pixels(int seed)
{
    QByteArray result(FrameBitmap::PixelCount, '\0');
    for (int i = 0; i < result.size(); ++i)
        result[i] = char((i / 3 + seed * 50) & 0xFF);
    return result;
}

QVector<QRgb> colours(int seed)
{
    QVector<QRgb> result;
    for (int e = 0; e < 256; ++e)
        result.append(qRgb(e, (e + seed) & 0xFF, 7));
    return result;
}

} // namespace

class TestUploadCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_logo;
    QString m_intro;

    QProcess *start(const QStringList &arguments)
    {
        auto *process = new QProcess(this);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(DRELIN_UPLOAD), arguments);
        process->waitForStarted();
        return process;
    }

    Run run(const QStringList &arguments, int timeoutMs = 30000)
    {
        std::unique_ptr<QProcess> process(start(arguments));
        return ProgramRun::finish(*process, timeoutMs);
    }

    void writeConfig(const QString &text)
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
        QFile config(m_dir.filePath(QStringLiteral("config/VELM Moving Logo Inserter - Image loader.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(text.toUtf8());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_logo = m_dir.filePath(QStringLiteral("logo.final.bmp"));
        m_intro = m_dir.filePath(QStringLiteral("my intro.bmp"));
        QFile logo(m_logo), intro(m_intro);
        QVERIFY(logo.open(QIODevice::WriteOnly) && intro.open(QIODevice::WriteOnly));
        logo.write(BmpWriter::standardFrame(colours(0), pixels(0)));
        intro.write(BmpWriter::standardFrame(colours(1), pixels(1)));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        QTest::newRow("no frames") << QStringList{"--quiet"} << "no frames";
        QTest::newRow("number out of range") << QStringList{"256=a.bmp"} << "not within 0-255";
        QTest::newRow("number given twice") << QStringList{"4=a.bmp", "4=b.bmp"} << "given twice";
        QTest::newRow("bare paths run past 255")
            << QStringList{"--offset", "255", "a.bmp", "b.bmp"} << "not within 0-255";
        QTest::newRow("bare path meets a given number") << QStringList{"1=a.bmp", "b.bmp", "c.bmp"} << "given twice";
        QTest::newRow("number too long for an int")
            << QStringList{"99999999999=a.bmp"} << "99999999999 of a.bmp is not within";
        QTest::newRow("unknown option") << QStringList{"--fast", "a.bmp"} << "unknown option 'fast'";
        QTest::newRow("a list and frames") << QStringList{"--list", "x.frames", "a.bmp"} << "not both";
        QTest::newRow("a list and an offset") << QStringList{"--list", "x.frames", "--offset", "3"} << "not a list";
        QTest::newRow("one target twice")
            << QStringList{"--device", "x", "--device", "x", "a.bmp"} << "--device x is given twice";
        QTest::newRow("from out of range") << QStringList{"--from", "256", "a.bmp"} << "0 to 255, not \"256\"";
        QTest::newRow("port out of range")
            << QStringList{"--port", "17", "a.bmp"} << "--port takes a number from 1 to 16, not \"17\"";
        QTest::newRow("offset not a number") << QStringList{"--offset", "x", "a.bmp"} << "0 to 255, not \"x\"";
        QTest::newRow("missing value") << QStringList{"a.bmp", "--capture"} << "missing value after '--capture'";
        QTest::newRow("empty capture name") << QStringList{"--capture=", "a.bmp"} << "--capture takes a file name";
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        const QString problem = run(arguments).usageErrorProblem(QStringLiteral("drelin-upload"), says);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArrayList>("says"); // each somewhere in the output
        QTest::addColumn<QByteArray>("whole"); // the whole output, when it is known
        const QByteArrayList help{"Usage: drelin-upload [options] FRAME...",
                                  "--port <N>",
                                  "--device <PATH>",
                                  "--capture <FILE>",
                                  "--offset <K>",
                                  "--list <FILE>",
                                  "--from <NUMBER>",
                                  "--quiet",
                                  "--version",
                                  "NUMBER=PATH (NUMBER 0-255) or a bare PATH",
                                  "Exit status: 0 every destination got every frame"};
        QTest::newRow("--help") << QStringList{"--help"} << help << QByteArray();
        QTest::newRow("-h") << QStringList{"-h"} << help << QByteArray();
        QTest::newRow("--help with a bad value") << QStringList{"--port", "17", "--help"} << help << QByteArray();
        const QByteArray version = "drelin-upload " + QByteArray(AppInfo::VersionString)
            + "\nLicence: GPL-3.0-or-later (the LICENSE file); it uses libimagequant (GPL-3.0-or-later) and Qt "
              "(LGPL-3.0).\n";
        QTest::newRow("--version") << QStringList{"--version"} << QByteArrayList() << version;
        QTest::newRow("-v") << QStringList{"-v", "a.bmp"} << QByteArrayList() << version;
    }

    void helpAndVersion()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArrayList, says);
        QFETCH(QByteArray, whole);
        const Run result = run(arguments);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.err.isEmpty(), result.err.constData());
        for (const QByteArray &text : says)
            QVERIFY2(result.out.contains(text), text.constData());
        if (!whole.isEmpty())
            QCOMPARE(result.out, whole);
    }

    void captureHoldsExactlyTheStream()
    {
        const QString capture = m_dir.filePath(QStringLiteral("both.cap"));
        const Run result = run({"--capture", capture, "--offset", "7", m_logo, "200=" + m_intro});
        QCOMPARE(result.exitCode, 0);
        const QList<QByteArray> lines = result.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains("0007") && lines[0].contains("logo"));
        QVERIFY(lines[1].contains("0200") && lines[1].contains("my intro"));
        QVERIFY(result.err.isEmpty()); // not a terminal: no progress line

        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray expected =
            WireOracle::frameText(7, QStringLiteral("logo"), *FrameBitmapReader::readFile(m_logo))
            + WireOracle::frameText(200, QStringLiteral("my intro"), *FrameBitmapReader::readFile(m_intro));
        QCOMPARE(file.readAll(), expected);

        const Run quiet = run({"--quiet", "--capture", capture, m_logo});
        QCOMPARE(quiet.exitCode, 0);
        QVERIFY(quiet.out.isEmpty());
    }

    void portFailureIsReported()
    {
        const Run result = run({"--device", "/dev/no-such-inserter", m_logo});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("/dev/no-such-inserter"), result.err.constData());
    }

    // The port by path and by its number in the settings, both at once: each takes three
    // real one-second pauses.
    void uploadsOverDeviceAndStoredPort()
    {
        PtyPair byPath, byNumber;
        FarEnd pathEnd(byPath), numberEnd(byNumber);
        writeConfig(QStringLiteral("[Ports]\nCom4=%1\n").arg(byNumber.devicePath()));
        QProcess *const uploads[] = {start({"--device", byPath.devicePath(), "9=" + m_intro}),
                                     start({"--port", "4", "9=" + m_intro})};
        FarEnd *ends[] = {&pathEnd, &numberEnd};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(uploads[i]->waitForFinished(30000));
            QVERIFY2(uploads[i]->exitCode() == 0, uploads[i]->readAllStandardError().constData());
            QTRY_COMPARE(ends[i]->receivedCount(), qint64(67090));
            WireDecoder decoder;
            decoder.feed(ends[i]->received());
            const QList<DecodedFrame> frames = decoder.takeFrames();
            QCOMPARE(frames.size(), 1);
            QVERIFY(frames[0].complete);
            QCOMPARE(frames[0].number, 9);
            QCOMPARE(frames[0].pixels, pixels(1));
        }
    }

    void interruptStopsAtTheNextStopCheck()
    {
        PtyPair pty;
        FarEnd device(pty);
        // Past the header's pauses, a hundred pixel groups in, the line fills and the pixels wait.
        const qint64 held = 2 + 2 + 2 + 2 + 8 + WireFormat::ColourTableCharacters + 100 * 8;
        device.setReadLimit(held);
        std::unique_ptr<QProcess> process(start({"--device", pty.devicePath(), m_logo, m_intro}));
        QTRY_COMPARE_WITH_TIMEOUT(device.receivedCount(), held, 10000);
        ::kill(pid_t(process->processId()), SIGINT);
        // The interrupt does not wait for the full line: the program ends while nothing is read.
        QVERIFY(process->waitForFinished(10000));
        QCOMPARE(process->exitCode(), 130);
        const QByteArray said = process->readAllStandardError();
        QVERIFY2(said.contains("Interrupted after 0 of 2 frames"), said.constData());
        device.setReadLimit(-1);
        QTRY_VERIFY(device.hungUp()); // all it sent has been read
        QVERIFY(!device.received().endsWith("] "));
        QVERIFY(device.received().size() < 67090);
        // What continues it: every frame, numbered, the name with a space quoted for the shell.
        QVERIFY2(said.contains("To continue: drelin-upload --device " + pty.devicePath().toUtf8()
                               + " 0=" + m_logo.toUtf8() + " '1=" + m_intro.toUtf8() + "'\n"),
                 said.constData());
    }

    void listsAndFrom()
    {
        const QString list = m_dir.filePath(QStringLiteral("show.frames"));
        const QString capture = m_dir.filePath(QStringLiteral("list.cap"));
        const auto writeList = [&](const QByteArray &text) {
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        writeList("# the show\n0200\tmy intro.bmp\n0005\tlogo.final.bmp\n0010\t" + m_logo.toUtf8() + "\n");
        const auto frame = [](int number, const QString &name, const QString &path) {
            return WireOracle::frameText(number, name, *FrameBitmapReader::readFile(path));
        };
        const QString logo = QStringLiteral("logo");
        const QString intro = QStringLiteral("my intro");
        const struct
        {
            QStringList arguments;
            QByteArray stream;
        } cases[] = {
            {{"--list", list}, frame(5, logo, m_logo) + frame(10, logo, m_logo) + frame(200, intro, m_intro)},
            {{"--list", list, "--from", "6"}, frame(10, logo, m_logo) + frame(200, intro, m_intro)},
            {{"--from", "9", "3=" + m_intro, "9=" + m_logo, "1=" + m_logo}, frame(9, logo, m_logo)},
        };
        for (const auto &each : cases) {
            const Run result = run(QStringList{"--quiet", "--capture", capture} + each.arguments);
            QVERIFY2(result.exitCode == 0, result.err.constData());
            QFile file(capture);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), each.stream);
        }

        // A number given twice goes out twice, in the list's order, and is named before anything is sent.
        writeList("0005\tlogo.final.bmp\n0005\tmy intro.bmp\n");
        const Run twice = run({"--quiet", "--capture", capture, "--list", list});
        QVERIFY2(twice.exitCode == 0, twice.err.constData());
        QVERIFY2(twice.err.contains("frame 0005 is given twice: the later one overwrites the earlier on the device"),
                 twice.err.constData());
        QFile both(capture);
        QVERIFY(both.open(QIODevice::ReadOnly));
        QCOMPARE(both.readAll(), frame(5, logo, m_logo) + frame(5, intro, m_intro));

        // A refused list sends nothing.
        QFile::remove(capture);
        writeList("0001\tlogo.final.bmp\n0300\tx.bmp\n");
        const Run refused = run({"--capture", capture, "--list", list});
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.err, list.toUtf8() + ": line 2: frame number 0300 is outside 0-255\n");
        QVERIFY(!QFile::exists(capture));
    }

    // Every destination gets the whole stream at its own pace; one that cannot be opened stops
    // none of the others.
    void severalDestinations()
    {
        PtyPair first, second;
        FarEnd firstEnd(first), secondEnd(second);
        const QString capture = m_dir.filePath(QStringLiteral("several.cap"));
        const Run result = run({"--device", first.devicePath(), "--device", "/dev/no-such-inserter", "--capture",
                                capture, "--device", second.devicePath(), "9=" + m_intro});
        QCOMPARE(result.exitCode, 1);
        const QList<QByteArray> lines = result.err.trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        // The failure is told when it happens, naming the port once; the others when all have ended.
        QVERIFY2(lines[0].startsWith("/dev/no-such-inserter: failed: there is no serial device at that path."),
                 lines[0].constData());
        QCOMPARE(lines[1], "To continue: drelin-upload --device /dev/no-such-inserter '9=" + m_intro.toUtf8() + "'");
        QCOMPARE(lines[2], first.devicePath().toUtf8() + ": sent 1 frame.");
        QCOMPARE(lines[3], capture.toUtf8() + ": sent 1 frame.");
        QCOMPARE(lines[4], second.devicePath().toUtf8() + ": sent 1 frame.");
        // Lines per frame name their destination.
        QCOMPARE(result.out.count("Frame 0009 (my intro) sent"), 3);
        QVERIFY(result.out.contains(capture.toUtf8() + ": Frame 0009"));

        const QByteArray expected =
            WireOracle::frameText(9, QStringLiteral("my intro"), *FrameBitmapReader::readFile(m_intro));
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
        for (FarEnd *end : {&firstEnd, &secondEnd}) {
            QTRY_COMPARE(end->receivedCount(), qint64(expected.size()));
            QCOMPARE(end->received(), expected);
        }
    }

    // On a terminal, a destination whose line is lost says so at once, in a line of its own and
    // on its progress line, in the command line's words, while another still sends.
    void failureIsToldAtOnce()
    {
        PtyPair held, lost, terminal;
        FarEnd device(held);
        device.setReadLimit(0); // the line takes nothing until the failure has been seen
        QProcess upload;
        upload.setStandardErrorFile(terminal.devicePath());
        upload.start(QStringLiteral(DRELIN_UPLOAD),
                     {"--device", held.devicePath(), "--device", lost.devicePath(), "9=" + m_intro});
        QVERIFY(upload.waitForStarted());
        QCOMPARE(lost.read(4, 10000).size(), 4); // open and sending
        lost.hangUp();
        const QByteArray label = lost.devicePath().toUtf8();
        QByteArray shown;
        const auto says = [&](const QByteArray &text) {
            shown += terminal.read(1 << 16, 20);
            return shown.contains(text);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(says(label + "  failed: the connection was lost"), shown.constData(), 10000);
        QVERIFY2(shown.contains(label + ": failed: the connection was lost: "), shown.constData());
        QVERIFY2(shown.contains("To continue: drelin-upload --device " + label), shown.constData());
        QVERIFY2(!shown.contains("Properties"), shown.constData());
        QCOMPARE(upload.state(), QProcess::Running);
        device.setReadLimit(-1);
        QVERIFY(upload.waitForFinished(30000));
        QCOMPARE(upload.exitCode(), 1);
        QTRY_VERIFY2(says(held.devicePath().toUtf8() + ": sent 1 frame."), shown.constData());
    }
};

QTEST_GUILESS_MAIN(TestUploadCli)
#include "tst_uploadcli.moc"
