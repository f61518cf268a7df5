// The stop button pressed at 100 moments of uploads over a pseudo-terminal, each moment a count the
// test observes, drawn from a seeded generator so every run makes the same moves: a pause begun
// (held on a manual clock, so pauses cost no time), or the far end having read so many characters
// while it holds back the rest, so the upload cannot run far past them. Never a hang or a crash,
// and every time the window the stop action promises and a stream that ends where the stop came.
#include "bmpwriter.h"
#include "farend.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestRandomStops : public QObject
{
    Q_OBJECT

private slots:
    void stopAtCountedMoments()
    {
        TestSettings store;
        PtyPair pty;
        FarEnd device(pty);
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        QTemporaryDir dir;
        ScriptedModals modals;
        ManualClock clock;
        frmMain window(nullptr, &clock);
        struct Release // a failed round may leave a pause held or the far end holding back
        {
            ManualClock &clock;
            FarEnd &device;
            ~Release()
            {
                clock.release();
                device.setReadLimit(-1);
            }
        } release{clock, device};
        window.Form_Load();
        window.show();
        SerialPortComponent &port = window.MSComm1();
        QVERIFY(port.PortOpen());
        window.upload()->setTransmitClock(&clock);
        for (int i = 0; i < 2; ++i) {
            const QString path = dir.filePath(QStringLiteral("f%1.bmp").arg(i));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(BmpWriter::standardFrame({qRgb(i * 90, 20, 30)}, QByteArray(32768, char(i + 1))));
            file.close();
            window.frameList()->add(i + 1, path);
        }
        auto *upload = window.findChild<QPushButton *>(QStringLiteral("cmdSaljiSve"));
        auto *stop = window.findChild<QPushButton *>(QStringLiteral("cmdStopLoading"));
        auto *bar = window.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        QSignalSpy ended(window.upload(), &UploadController::uploadEnded);

        QRandomGenerator random(20261207);
        const qint64 uploadCharacters = 2 * WireFormat::FrameCharacters;
        qint64 sentBefore = 0;
        int stops = 0;
        int inHeaderOrColours = 0;
        int inPixels = 0;
        for (int round = 0; round < 100; ++round) {
            // One round in four stops in one of the six pauses, the rest once so much has been read.
            const bool inPause = random.bounded(4) == 0;
            const int pause = int(random.bounded(6)) + 1;
            const qint64 readLimit = sentBefore + random.bounded(uploadCharacters);
            const QByteArray moment = QStringLiteral("round %1, %2")
                                          .arg(round)
                                          .arg(inPause ? QStringLiteral("pause %1").arg(pause)
                                                       : QStringLiteral("%1 read").arg(readLimit - sentBefore))
                                          .toUtf8();
            modals.clear();
            const qsizetype endedBefore = ended.size();
            QVERIFY2(upload->isEnabled(), moment);
            if (inPause)
                clock.holdFrom(clock.pauses() + pause);
            else
                device.setReadLimit(readLimit);
            const int pausesBefore = clock.pauses();
            QTest::mouseClick(upload, Qt::LeftButton);

            // Waited for in small steps: a hundred rounds add up.
            if (inPause) {
                QVERIFY2(QTest::qWaitFor([&] { return clock.pauses() == pausesBefore + pause && stop->isVisible(); }),
                         moment);
            } else {
                // Or the upload is over first: the line held all that was left of it.
                QVERIFY2(
                    QTest::qWaitFor([&] { return device.receivedCount() == readLimit || ended.size() > endedBefore; }),
                    moment);
            }
            const bool stopped = ended.size() == endedBefore;
            if (stopped) {
                ++stops;
                modals.queueMessageAnswer(QMessageBox::Ok);
                QTest::mouseClick(stop, Qt::LeftButton);
                // What the stop action promises, at once.
                QVERIFY2(window.upload()->state().StopRequested.load(), moment);
                QVERIFY(!stop->isEnabled());
                QCOMPARE(bar->value(), 0);
                for (int n = 1; n <= 5; ++n)
                    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Panel%1").arg(n))->text(), QStringLiteral(" "));
                for (const char *name : {"cmdCopy", "cmdCopyAll", "cmdRemove", "cmdRemoveAll", "ListView1", "File1"})
                    QVERIFY(window.findChild<QWidget *>(QString::fromLatin1(name))->isEnabled());
                QVERIFY(window.findChild<QAction *>(QStringLiteral("mnuProperties"))->isEnabled());
            }
            clock.release();
            device.setReadLimit(-1);
            // No hang: the transmission returns, and only then may the next upload start.
            QVERIFY2(QTest::qWaitFor([&] { return ended.size() > endedBefore; }, 10000), moment);
            QVERIFY(upload->isEnabled());
            QCOMPARE(window.frameList()->count(), 2);
            QCOMPARE(modals.shown().size(), 1);
            if (stopped)
                QCOMPARE(modals.shown()[0].text, QStringLiteral("Upload stopped!"));
            else
                QVERIFY2(modals.shown()[0].text.startsWith(QLatin1String("Upload finished!")), moment);

            // This round's stream: frames whole until the stop, then at most one cut short.
            const std::optional<QByteArray> sent = device.everythingSent(port);
            QVERIFY2(sent && sent->size() > sentBefore, moment);
            const QByteArray &all = *sent;
            WireDecoder decoder;
            decoder.feed(all.mid(sentBefore));
            decoder.finish();
            sentBefore = all.size();
            QList<DecodedFrame> frames = decoder.takeFrames();
            QVERIFY2(!frames.isEmpty() && frames.size() <= 2, moment);
            // A stop in a pause ends that frame before its first colour.
            if (inPause)
                QVERIFY2(!frames.last().complete && frames.last().coloursReceived == 0
                             && frames.last().nameField.size() == 8 && frames.size() == (pause + 2) / 3,
                         moment);
            if (!frames.last().complete) {
                QVERIFY2(stopped && !all.endsWith("] "), moment); // a cut frame is never closed
                const DecodedFrame cut = frames.takeLast();
                QCOMPARE(cut.number, int(frames.size()) + 1); // the header goes whole, stop or not
                ++(cut.groupsReceived > 0 ? inPixels : inHeaderOrColours);
            }
            if (!stopped)
                QCOMPARE(frames.size(), 2);
            for (int i = 0; i < frames.size(); ++i)
                QVERIFY2(frames[i].complete && frames[i].number == i + 1, qPrintable(frames[i].problem));
        }
        qInfo("%d of 100 rounds stopped: %d cut in the header or colour table, %d in the pixels", stops,
              inHeaderOrColours, inPixels);
        QVERIFY(stops > 20);
        QVERIFY(inHeaderOrColours > 0 && inPixels > 0);
    }
};

QTEST_MAIN(TestRandomStops)
#include "tst_randomstops.moc"
