// The stop button pressed at 100 random moments of uploads over a pseudo-terminal (paced by a
// clock without pauses, so each upload takes milliseconds): never a hang or a crash, and every
// time the window the stop action promises and a stream that ends where the stop came.
#include "bmpwriter.h"
#include "farend.h"
#include "fastclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "framelist/core/framelistmodel.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"
#include "core/wiredecoder.h"

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
    void stopAtRandomMoments()
    {
        TestSettings store;
        PtyPair pty;
        FarEnd device(pty);
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        QTemporaryDir dir;
        ScriptedModals modals;
        FastClock clock;
        frmMain window;
        window.Form_Load();
        window.show();
        QVERIFY(window.MSComm1().PortOpen());
        window.upload()->setTransmitClock(&clock);
        for (int i = 0; i < 2; ++i) {
            const QString path = dir.filePath(QStringLiteral("f%1.bmp").arg(i));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(BmpWriter::standardFrame({qRgb(i * 90, 20, 30)}, QByteArray(32768, char(i + 1))));
            file.close();
            window.frameList()->add(QStringLiteral("000%1").arg(i + 1), path);
        }
        auto *upload = window.findChild<QPushButton *>(QStringLiteral("cmdSaljiSve"));
        auto *stop = window.findChild<QPushButton *>(QStringLiteral("cmdStopLoading"));
        auto *bar = window.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        QSignalSpy ended(window.upload(), &UploadController::uploadEnded);

        QRandomGenerator random(20261207);
        WireDecoder decoder;
        qint64 decodedUpTo = 0;
        int stops = 0;
        int inHeaderOrColours = 0;
        int inPixels = 0;
        for (int round = 0; round < 100; ++round) {
            modals.clear();
            const int endedBefore = int(ended.size());
            QVERIFY2(upload->isEnabled(), qPrintable(QStringLiteral("round %1").arg(round)));
            QTest::mouseClick(upload, Qt::LeftButton);
            QTest::qWait(int(random.bounded(25)));

            const bool stoppable = stop->isVisible() && stop->isEnabled();
            if (stoppable) {
                ++stops;
                modals.queueMessageAnswer(QMessageBox::Ok);
                QTest::mouseClick(stop, Qt::LeftButton);
                // What the stop action promises, at once.
                QVERIFY(window.upload()->state().StopRequested.load());
                QVERIFY(!stop->isEnabled());
                QCOMPARE(bar->value(), 0);
                for (int n = 1; n <= 5; ++n)
                    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Panel%1").arg(n))->text(), QStringLiteral(" "));
                for (const char *name : {"cmdCopy", "cmdCopyAll", "cmdRemove", "cmdRemoveAll", "ListView1", "File1"})
                    QVERIFY(window.findChild<QWidget *>(QString::fromLatin1(name))->isEnabled());
                QVERIFY(window.findChild<QAction *>(QStringLiteral("mnuProperties"))->isEnabled());
            }
            // No hang: the transmission returns, and only then may the next upload start.
            QTRY_VERIFY_WITH_TIMEOUT(ended.size() > endedBefore, 10000);
            QVERIFY(upload->isEnabled());
            QCOMPARE(window.frameList()->count(), 2);

            const QList<ShownModal> shown = modals.shown();
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].text == QLatin1String("Upload stopped!")
                         || shown[0].text.startsWith(QLatin1String("Upload finished!")),
                     qPrintable(shown[0].text));

            // The stream of this round: frames whole until the stop, then at most one cut short.
            // Everything sent has arrived once the far end has had nothing new for a while.
            for (qint64 before = -1; before != device.receivedCount();) {
                before = device.receivedCount();
                QTest::qWait(40);
            }
            const QByteArray received = device.received();
            decoder.feed(received.mid(decodedUpTo));
            decodedUpTo = received.size();
            // A frame cut by the previous round's stop shows itself when this round's marker arrives.
            QList<DecodedFrame> frames = decoder.takeFrames();
            if (!frames.isEmpty() && !frames.first().complete) {
                ++(frames.first().groupsReceived > 0 ? inPixels : inHeaderOrColours);
                frames.removeFirst();
            }
            if (shown[0].text.startsWith(QLatin1String("Upload finished!"))) {
                QCOMPARE(frames.size(), 2);
                QCOMPARE(frames[0].number, 1);
                QCOMPARE(frames[1].number, 2);
                for (const DecodedFrame &frame : frames)
                    QVERIFY2(frame.complete, qPrintable(frame.problem));
            } else {
                // The frames that went out whole before the stop, in order; the cut one is seen later.
                QVERIFY(frames.size() <= 2);
                for (int i = 0; i < frames.size(); ++i)
                    QVERIFY2(frames[i].complete && frames[i].number == i + 1, qPrintable(frames[i].problem));
            }
        }
        decoder.finish();
        for (const DecodedFrame &frame : decoder.takeFrames()) {
            if (!frame.complete)
                ++(frame.groupsReceived > 0 ? inPixels : inHeaderOrColours);
        }
        qInfo("%d of 100 rounds stopped: %d cut in the header or colour table, %d in the pixels", stops,
              inHeaderOrColours, inPixels);
        QVERIFY(stops > 20);
    }
};

QTEST_MAIN(TestRandomStops)
#include "tst_randomstops.moc"
