// drelin-upload with the load history, over pseudo-terminals as a device sees it: --changed sends
// what changed and what may not have arrived, per destination, whatever stopped the last load.
#include "bmpwriter.h"
#include "farend.h"
#include "programrun.h"
#include "ptypair.h"

#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QByteArray pixels(int seed)
{
    QByteArray result(FrameBitmap::PixelCount, '\0');
    for (int i = 0; i < result.size(); ++i)
        result[i] = char((i / 5 + seed * 37) & 0xFF);
    return result;
}

QVector<QRgb> colours()
{
    QVector<QRgb> result;
    for (int e = 0; e < 256; ++e)
        result.append(qRgb(e, 255 - e, 9));
    return result;
}

// The frames the device got whole, by number, with their pixels.
QMap<int, QByteArray> completeFrames(const QByteArray &received)
{
    WireDecoder decoder;
    decoder.feed(received);
    QMap<int, QByteArray> frames;
    for (const DecodedFrame &frame : decoder.takeFrames()) {
        if (frame.complete)
            frames.insert(frame.number, frame.pixels);
    }
    return frames;
}

} // namespace

class TestHistoryCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_history;

    QString frameFile(int number) const { return m_dir.filePath(QStringLiteral("frame%1.bmp").arg(number)); }

    void writeFrame(int number, int seed)
    {
        QFile file(frameFile(number));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(BmpWriter::standardFrame(colours(), pixels(seed)));
    }

    QStringList frameArguments(int count) const
    {
        QStringList arguments;
        for (int n = 0; n < count; ++n)
            arguments << QStringLiteral("%1=%2").arg(n).arg(frameFile(n));
        return arguments;
    }

    QProcess *start(const QStringList &arguments)
    {
        auto *process = new QProcess(this);
        process->start(QStringLiteral(DRELIN_UPLOAD), QStringList{"--history-file", m_history} + arguments);
        process->waitForStarted();
        return process;
    }

    // What --changed would send to the device: started, interrupted before its first frame is
    // whole, and read from the command that continues it.
    QSet<int> changedSet(const QString &device, int count)
    {
        std::unique_ptr<QProcess> process(start(QStringList{"--changed", "--device", device} + frameArguments(count)));
        QByteArray said;
        // The line that says what goes, printed before the first frame starts.
        for (QDeadlineTimer deadline(10000); !said.contains('\n') && !deadline.hasExpired();) {
            process->waitForReadyRead(100);
            said += process->readAllStandardError();
        }
        ::kill(pid_t(process->processId()), SIGINT);
        const ProgramRun run = ProgramRun::finish(*process, 10000);
        said += run.err;
        QSet<int> numbers;
        static const QRegularExpression frame(QStringLiteral("'?(\\d+)=[^ ]+"));
        const int at = int(said.indexOf("To continue: "));
        if (at < 0) {
            qWarning("%s", said.constData());
            return {-1};
        }
        const QString line = QString::fromUtf8(said.mid(at, said.indexOf('\n', at) - at));
        for (auto match = frame.globalMatch(line); match.hasNext();)
            numbers.insert(match.next().captured(1).toInt());
        return numbers;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (int n = 0; n < 20; ++n)
            writeFrame(n, n);
    }

    // A history of its own for each case: the system hands pseudo-terminal paths out again, and a
    // path is a device's identity.
    void init()
    {
        static int next = 0;
        m_history = m_dir.filePath(QStringLiteral("history%1.sqlite").arg(++next));
    }

    // Reading or forgetting a history that does not exist says so and makes no file.
    void readingMakesNoHistory_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("show all") << QStringList{"--show-history"} << 0 << "no load has been recorded in it yet";
        QTest::newRow("show one") << QStringList{"--show-history", "/dev/ttyS0"} << 1 << "knows no destination";
        QTest::newRow("forget") << QStringList{"--forget", "/dev/ttyS0"} << 1 << "knows no destination";
    }

    void readingMakesNoHistory()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const QString missing = m_dir.filePath(QStringLiteral("not/made.sqlite"));
        const ProgramRun run =
            ProgramRun::of(QStringLiteral(DRELIN_UPLOAD), QStringList{"--history-file", missing} + arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((run.out + run.err).contains(says.toUtf8()), (run.out + run.err).constData());
        QVERIFY(!QFileInfo::exists(QFileInfo(missing).absolutePath()));
    }

    // Two full loads at once into one file, by two programs; then two bitmaps change and one
    // --changed to both sends each exactly those two.
    void changedSendsOnlyWhatDiffers()
    {
        PtyPair first, second;
        FarEnd firstEnd(first), secondEnd(second);
        const QStringList frames = frameArguments(3);
        std::unique_ptr<QProcess> loads[] = {
            std::unique_ptr<QProcess>(start(QStringList{"--device", first.devicePath(), "--quiet"} + frames)),
            std::unique_ptr<QProcess>(start(QStringList{"--device", second.devicePath(), "--quiet"} + frames))};
        for (auto &load : loads) {
            const ProgramRun run = ProgramRun::finish(*load, 60000);
            QVERIFY2(run.exitCode == 0, run.err.constData());
        }
        FarEnd *ends[] = {&firstEnd, &secondEnd};
        QVector<qint64> before;
        for (FarEnd *end : ends) {
            QTRY_COMPARE(completeFrames(end->received()).size(), 3);
            before << end->receivedCount();
        }

        writeFrame(1, 101);
        writeFrame(2, 102);
        const ProgramRun changed = ProgramRun::finish(
            *start(QStringList{"--changed", "--device", first.devicePath(), "--device", second.devicePath()}
                   + frameArguments(3)),
            60000);
        QVERIFY2(changed.exitCode == 0, changed.err.constData());
        QVERIFY2(changed.err.contains("2 of 3 frames differ from what " + first.devicePath().toUtf8() + " holds"),
                 changed.err.constData());
        for (int i = 0; i < 2; ++i) {
            QTRY_VERIFY(ends[i]->receivedCount() > before[i]);
            QTRY_COMPARE(completeFrames(ends[i]->received().mid(before[i])).size(), 2);
            const QMap<int, QByteArray> sent = completeFrames(ends[i]->received().mid(before[i]));
            QCOMPARE(sent.keys(), QList<int>({1, 2}));
            QCOMPARE(sent.value(1), pixels(101));
            QCOMPARE(sent.value(2), pixels(102));
        }
        const ProgramRun shown = ProgramRun::of(QStringLiteral(DRELIN_UPLOAD),
                                                {"--history-file", m_history, "--show-history", second.devicePath()});
        QCOMPARE(shown.exitCode, 0);
        QCOMPARE(shown.out.count(" complete\n"), 3);
        writeFrame(1, 1);
        writeFrame(2, 2);
    }

    // Stopped in frame 10 of 20 to a device the history did not know: frame 10 and everything
    // after it are still to send, nothing before it.
    void stoppedLoadLeavesTheRestToSend()
    {
        PtyPair pty;
        FarEnd device(pty);
        const qint64 frame = WireFormat::FrameCharacters;
        device.setReadLimit(10 * frame + 3000);
        std::unique_ptr<QProcess> load(
            start(QStringList{"--device", pty.devicePath(), "--quiet"} + frameArguments(20)));
        QTRY_COMPARE_WITH_TIMEOUT(device.receivedCount(), 10 * frame + 3000, 90000);
        ::kill(pid_t(load->processId()), SIGINT);
        QCOMPARE(ProgramRun::finish(*load, 20000).exitCode, 130);
        device.setReadLimit(-1);
        QTRY_VERIFY(device.hungUp());
        QCOMPARE(completeFrames(device.received()).size(), 10);

        QSet<int> rest;
        for (int n = 10; n < 20; ++n)
            rest.insert(n);
        QCOMPARE(changedSet(pty.devicePath(), 20), rest);
    }

    // A kill -9 wherever it falls: --changed then sends at least every frame the device did not
    // get whole, and the history shows none complete that it did not get.
    void killedAtAnyMoment_data()
    {
        QTest::addColumn<qint64>("heldAt");
        const qint64 frame = WireFormat::FrameCharacters;
        QTest::newRow("in the first frame's header") << qint64(10);
        QTest::newRow("in the second frame's colours") << frame + 400;
        QTest::newRow("in the second frame's pixels") << frame + 30000;
        QTest::newRow("at the second frame's end") << 2 * frame;
    }

    void killedAtAnyMoment()
    {
        QFETCH(qint64, heldAt);
        PtyPair pty;
        FarEnd device(pty);
        device.setReadLimit(heldAt);
        std::unique_ptr<QProcess> load(start(QStringList{"--device", pty.devicePath(), "--quiet"} + frameArguments(3)));
        QTRY_COMPARE_WITH_TIMEOUT(device.receivedCount(), heldAt, 30000);
        load->kill();
        QVERIFY(load->waitForFinished(10000));
        device.setReadLimit(-1);
        QTRY_VERIFY(device.hungUp());
        const QList<int> whole = completeFrames(device.received()).keys();

        const QSet<int> changed = changedSet(pty.devicePath(), 3);
        for (int n = 0; n < 3; ++n)
            QVERIFY2(whole.contains(n) || changed.contains(n), qPrintable(QStringLiteral("frame %1").arg(n)));
        const ProgramRun shown = ProgramRun::of(QStringLiteral(DRELIN_UPLOAD),
                                                {"--history-file", m_history, "--show-history", pty.devicePath()});
        QCOMPARE(shown.exitCode, 0);
        for (int n = 0; n < 3; ++n) {
            const QRegularExpression shownComplete(QStringLiteral("^%1 .* complete$").arg(n, 4, 10, QLatin1Char('0')),
                                                   QRegularExpression::MultilineOption);
            QVERIFY2(whole.contains(n) || !shownComplete.match(QString::fromUtf8(shown.out)).hasMatch(),
                     shown.out.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestHistoryCli)
#include "tst_historycli.moc"
