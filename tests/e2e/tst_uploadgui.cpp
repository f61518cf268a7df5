// The upload from the main window over a pseudo-terminal, on a clock the test moves: what arrives,
// decoded and compared with the pictures; the window's lock, panels, durations and messages; a
// stop in the pixels; a stop and then a lost line; the window closed during an upload. The line
// lost on its own is in tst_serialfaults.
#include "bmpwriter.h"
#include "farend.h"
#include "heldtimer.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "app/module2.h"
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/widgets/frameentrydelegate.h"
#include "framelist/widgets/framelistfiles.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

QByteArray picture(int seed)
{
    QByteArray pixels(FrameBitmap::PixelCount, '\0');
    for (int i = 0; i < pixels.size(); ++i)
        pixels[i] = char((i * (seed + 3) + (i >> 8) * seed) & 0xFF);
    return pixels;
}

QVector<QRgb> palette(int seed)
{
    QVector<QRgb> colours;
    for (int e = 0; e < 256; ++e)
        colours.append(qRgb((e + seed * 40) & 0xFF, (e * 3) & 0xFF, (255 - e) & 0xFF));
    return colours;
}

constexpr qint64 Day = 24 * 3600 * 1000;

// The main window on a pseudo-terminal at Com2, with two frames in its list, its durations and
// pauses on a manual clock.
struct Rig
{
    TestSettings store;
    PtyPair pty;
    QTemporaryDir dir;
    ScriptedModals modals;
    ManualClock clock{7 * Day}; // durations are differences: the start is nothing special
    std::unique_ptr<frmMain> window;
    QStringList paths;

    Rig()
    {
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        window = std::make_unique<frmMain>(nullptr, &clock);
        window->upload()->setTransmitClock(&clock);
        window->Form_Load();
        window->show();
        for (int i = 0; i < 2; ++i) {
            paths << dir.filePath(QStringLiteral("frame%1.final.bmp").arg(i));
            QFile file(paths.last());
            file.open(QIODevice::WriteOnly);
            file.write(BmpWriter::standardFrame(palette(i), picture(i)));
        }
        window->frameList()->add(3, paths[0]);
        window->frameList()->add(10, paths[1]);
    }
    ~Rig() { clock.release(); } // a failed test may leave a pause held

    // Where each entry stands in the upload: '>' sending, 's' sent, '.' waiting, '-' none.
    QString marks() const
    {
        QString result;
        for (const FrameEntry &entry : window->frameList()->entries())
            result += QStringLiteral("-s>.").at(int(entry.mark));
        return result;
    }
    template<typename T = QWidget> T *get(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QString panel(int n) const { return get<QLabel>(QStringLiteral("Panel%1").arg(n).toLatin1().constData())->text(); }
    void click(const char *button) const { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }

    // True when everything the lock disables is usable again (the stop button aside).
    bool unlocked() const
    {
        for (const char *name :
             {"cmdCopy", "cmdCopyAll", "cmdRemove", "cmdRemoveAll", "Drive1", "Dir1", "File1", "ListView1"}) {
            if (!get(name)->isEnabled())
                return false;
        }
        for (const char *name : {"mnuFileExit", "mnuProperties", "mnuAbout", "actImport"}) {
            if (!get<QAction>(name)->isEnabled())
                return false;
        }
        return true;
    }
};

void compareFrame(const DecodedFrame &frame, int number, const char *name, int seed)
{
    QVERIFY2(frame.complete, qPrintable(frame.problem));
    QCOMPARE(frame.number, number);
    QCOMPARE(frame.nameField, QByteArray(name));
    const QVector<QRgb> colours = palette(seed);
    for (int e = 0; e < 256; ++e) {
        QCOMPARE(int(frame.sixBitPalette[e][0]), qRed(colours[e]) / 4);
        QCOMPARE(int(frame.sixBitPalette[e][1]), qGreen(colours[e]) / 4);
        QCOMPARE(int(frame.sixBitPalette[e][2]), qBlue(colours[e]) / 4);
    }
    QCOMPARE(frame.pixels, picture(seed));
}

} // namespace

class TestUploadGui : public QObject
{
    Q_OBJECT

private slots:
    // Durations to the second: frame 1 is held in its second pause while the time moves on by a
    // day and 01:01:01, then frame 2 takes just its three pauses.
    void twoFramesWithExactDurations()
    {
        Rig rig;
        FarEnd device(rig.pty);
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        HeldTimer ticker(rig.get<QTimer>("Timer1"));
        QString estimateAtFinish;
        bool tickingAtFinish = true;
        rig.modals.queueMessageAnswer(QMessageBox::Ok, [&] { // "Upload finished!"
            estimateAtFinish = rig.panel(5);
            tickingAtFinish = ticker->isActive();
        });
        rig.clock.holdFrom(2);

        rig.click("cmdSaljiSve");
        QVERIFY(!rig.get("cmdSaljiSve")->isEnabled());
        QVERIFY(rig.get("cmdStopLoading")->isEnabled());
        QVERIFY(!rig.get("ListView1")->isEnabled());
        QVERIFY(!rig.get<QAction>("mnuProperties")->isEnabled());
        QVERIFY(!rig.get<QAction>("actImport")->isEnabled()); // Ctrl+I is locked like the menus
        QCOMPARE(rig.get<QProgressBar>("ProgressBar1")->maximum(), 2 * 32768);

        QTRY_COMPARE(rig.clock.pauses(), 2);
        QTRY_VERIFY(ticker->isActive());
        QCOMPARE(ticker->interval(), 1000);
        QCOMPARE(rig.panel(1), QStringLiteral("Loading frame..."));
        QCOMPARE(rig.panel(2), QStringLiteral("Frame number: 0003   (1/2)"));
        QCOMPARE(rig.panel(3), QStringLiteral("Name: frame0"));
        QCOMPARE(rig.marks(), QStringLiteral(">."));
        QCOMPARE(FrameEntryDelegate::caption(rig.window->frameList()->index(1, 0)).upload, QStringLiteral("waiting"));
        QVERIFY(rig.get("cmdStopLoading")->isVisible());
        QVERIFY(!rig.get<QLabel>("Image2")->pixmap().isNull());
        QVERIFY(ticker.fire());
        QCOMPARE(rig.panel(4), QStringLiteral("Total loading time: 00:00:01"));
        rig.clock.advanceMs(Day + 3661000); // whole days drop out of what is shown
        QVERIFY(ticker.fire());
        QCOMPARE(rig.panel(4), QStringLiteral("Total loading time: 01:01:02"));

        // Frame 1 took 3 s + a day + 3661 s; two frames at that pace are 2 days and 7328 s.
        rig.clock.holdFrom(4);
        QTRY_COMPARE(rig.panel(2), QStringLiteral("Frame number: 0010   (2/2)"));
        QCOMPARE(rig.panel(5), QStringLiteral("Estimated: 02:02:08 in all, 01:01:04 left"));
        QCOMPARE(rig.marks(), QStringLiteral("s>"));
        QVERIFY(!ticker->isActive()); // between frames, until frame 2's first pause is over

        // Two frames took a day and 3667 s, and so does the estimate at their average.
        rig.clock.release();
        QVERIFY(ended.wait(15000));
        QVERIFY(rig.modals.unexpected().isEmpty());
        const ShownModal &box = rig.modals.shown().last();
        QCOMPARE(box.text, QStringLiteral("Upload finished!\r\n\r\nTotal upload time: 01:01:07"));
        QCOMPARE(box.title, QStringLiteral("Info"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(estimateAtFinish, QStringLiteral("Estimated: 01:01:07 in all, 00:00:00 left"));
        QCOMPARE(rig.marks(), QStringLiteral("--"));
        QVERIFY(!tickingAtFinish);
        QVERIFY(rig.unlocked());
        // Restore follows the list, not the lock: it never replaces a list that is there.
        QVERIFY(!rig.window->listFiles()->restoreAction()->isEnabled());
        QVERIFY(rig.get("cmdSaljiSve")->isEnabled());
        QVERIFY(rig.get("cmdStopLoading")->isHidden());
        QCOMPARE(rig.get<QProgressBar>("ProgressBar1")->value(), 2 * 32768);
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(rig.panel(n), QStringLiteral(" "));

        QTRY_COMPARE(device.receivedCount(), qint64(2 * 67090));
        WireDecoder decoder;
        decoder.feed(device.received());
        decoder.finish();
        const QList<DecodedFrame> frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 2);
        compareFrame(frames[0], 3, "frame0  ", 0);
        compareFrame(frames[1], 10, "frame1  ", 1);
    }

    void stopDuringPixels()
    {
        Rig rig;
        FarEnd device(rig.pty, false); // the line fills up and the pixels wait for room
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        rig.window->MSComm1().setStallAfterMs(100);
        rig.click("cmdSaljiSve");
        // Stopped once the pixels wait for room, not while they still go out.
        QTRY_COMPARE_WITH_TIMEOUT(rig.panel(1), QStringLiteral("The line takes nothing"), 10000);
        QVERIFY(rig.get<QProgressBar>("ProgressBar1")->value() > 0);

        // The transmission may return while the box is open; what it brings waits for the box, so
        // no second upload can start from behind it.
        bool uploadButtonWhileShown = true;
        rig.modals.queueMessageAnswer(QMessageBox::Ok, [&] { // "Upload stopped!"
            uploadButtonWhileShown = rig.get("cmdSaljiSve")->isEnabled();
        });
        rig.click("cmdStopLoading");
        QVERIFY(!uploadButtonWhileShown);
        const ShownModal &box = rig.modals.shown().last();
        QCOMPARE(box.text, QStringLiteral("Upload stopped!"));
        QCOMPARE(box.title, QStringLiteral("Info"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QVERIFY(rig.unlocked());
        QVERIFY(!rig.get("cmdStopLoading")->isEnabled());
        QCOMPARE(rig.get<QProgressBar>("ProgressBar1")->value(), 0);
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(rig.panel(n), QStringLiteral(" "));

        device.setReading(true);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QVERIFY(rig.get("cmdSaljiSve")->isEnabled());
        QVERIFY(rig.get("cmdStopLoading")->isVisible());
        QVERIFY(!rig.get("cmdStopLoading")->isEnabled());
        QCOMPARE(rig.window->frameList()->count(), 2);
        QCOMPARE(rig.modals.shown().size(), 1);

        const std::optional<QByteArray> sent = device.everythingSent(rig.window->MSComm1());
        QVERIFY(sent);
        const QByteArray &received = *sent;
        QVERIFY(received.size() < 67090);
        QVERIFY(!received.endsWith("] "));
        WireDecoder decoder;
        decoder.feed(received);
        decoder.finish();
        const QList<DecodedFrame> frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 1);
        QVERIFY(!frames[0].complete);
        QCOMPARE(frames[0].number, 3);
        QCOMPARE(frames[0].coloursReceived, 256);
        QVERIFY(frames[0].groupsReceived > 0 && frames[0].groupsReceived < 8192);
    }

    // The operator stops in the first pause and the line then fails: one stop box, then the
    // failure's error and Properties.
    void stopThenLineFailureShowsOneStopBox()
    {
        Rig rig;
        rig.clock.holdFrom(1);
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        rig.click("cmdSaljiSve");
        QTRY_COMPARE(rig.clock.pauses(), 1);
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // "Upload stopped!"
        rig.click("cmdStopLoading");
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // the error
        rig.modals.queueDialog([](QDialog *) {});
        rig.pty.hangUp();
        rig.clock.release();
        QVERIFY(ended.wait(10000));

        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join('\n')));
        QStringList shown;
        for (const ShownModal &box : rig.modals.shown()) {
            const bool error = box.icon == QMessageBox::Warning && box.text.contains(rig.pty.devicePath());
            shown << (box.kind == ShownModal::Dialog ? box.dialogName : error ? QStringLiteral("the error") : box.text);
        }
        QCOMPARE(shown, QStringList({"Upload stopped!", "the error", "frmProperties"}));
        QVERIFY(rig.unlocked());
        QVERIFY(rig.get("cmdSaljiSve")->isEnabled());
    }

    // The program as it starts: closed mid-upload, it ends once the line is let go, though no
    // window is left visible to close last.
    void closingMidUploadEndsTheProgram()
    {
        TestSettings store;
        PtyPair pty;
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        FarEnd device(pty);
        QTemporaryDir dir;
        const QString frame = dir.filePath(QStringLiteral("frame.bmp"));
        QFile file(frame);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(BmpWriter::standardFrame(palette(0), picture(0))) > 0);
        file.close();
        QPointer<frmMain> window = Module2::Main();
        window->frameList()->add(1, frame);
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdSaljiSve")), Qt::LeftButton);
        QVERIFY(window->upload()->isUploading());
        QVERIFY(!window->close());
        QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(1); }); // not ended: fail, not hang
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window); // gone with the program's end
        QVERIFY(device.received().startsWith(" [] "));
    }

    // Closing the window mid-frame leaves the device the bytes a stop leaves: the header to the
    // end of the name field, no colour.
    void closingMidFrameSendsWhatAStopSends()
    {
        Rig rig;
        FarEnd device(rig.pty);
        rig.clock.holdFrom(1);
        rig.click("cmdSaljiSve");
        QTRY_COMPARE(rig.clock.pauses(), 1);
        QVERIFY(!rig.window->close());
        QVERIFY(!rig.window->isVisible()); // at once, not when the line is let go
        rig.clock.release();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->MSComm1().PortOpen(), 10000);
        QVERIFY(rig.modals.shown().isEmpty());

        QTRY_VERIFY(device.hungUp()); // and the far end has read all it was sent
        QVERIFY(device.received().endsWith("frame0  "));
        WireDecoder decoder;
        decoder.feed(device.received());
        decoder.finish();
        const QList<DecodedFrame> frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0].number, 3);
        QCOMPARE(frames[0].nameField, QByteArray("frame0  "));
        QCOMPARE(frames[0].coloursReceived, 0);
        QVERIFY(!frames[0].complete);
    }

    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("change"); // to the list of two frames
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::newRow("empty list") << "empty"
                                    << "Nothing to upload" << int(QMessageBox::Warning);
        QTest::newRow("a missing file") << "gone"
                                        << "gone.bmp" << int(QMessageBox::Critical);
        QTest::newRow("a number given twice, not sent anyway")
            << "twice"
            << "frame 0003 is given twice: the later one overwrites the earlier on the device"
            << int(QMessageBox::Question);
    }

    void refusedBeforeAnythingIsSent()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QFETCH(int, icon);
        Rig rig;
        FarEnd device(rig.pty);
        if (change == QLatin1String("empty"))
            rig.window->frameList()->clear();
        else if (change == QLatin1String("gone"))
            rig.window->frameList()->add(20, rig.dir.filePath(QStringLiteral("gone.bmp")));
        else
            rig.window->frameList()->add(3, rig.paths[1]);
        rig.get<QProgressBar>("ProgressBar1")->setValue(7);
        rig.modals.queueMessageAnswer(change == QLatin1String("twice") ? QMessageBox::No : QMessageBox::Ok);
        rig.click("cmdSaljiSve");

        QCOMPARE(rig.modals.shown().size(), 1);
        QVERIFY(rig.modals.shown()[0].text.contains(message));
        QCOMPARE(int(rig.modals.shown()[0].icon), icon);
        QCOMPARE(rig.modals.shown()[0].title, QStringLiteral("VELM Moving Logo Inserter - Image loader"));
        QVERIFY(!rig.window->upload()->isUploading());
        QVERIFY(rig.unlocked());
        QCOMPARE(rig.get<QProgressBar>("ProgressBar1")->value(), 7);
        QCOMPARE(device.everythingSent(rig.window->MSComm1()).value_or("no marker"), QByteArray());
    }

    void closingDuringUploadStopsQuietly()
    {
        Rig rig;
        FarEnd device(rig.pty, false);
        rig.click("cmdSaljiSve");
        QTRY_VERIFY_WITH_TIMEOUT(rig.get<QProgressBar>("ProgressBar1")->value() > 0, 10000);
        QVERIFY(!rig.window->close()); // waits for the transmission first, out of sight
        QVERIFY(!rig.window->isVisible());
        // The line takes nothing, yet the stop ends the frame and the port is let go.
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->MSComm1().PortOpen(), 10000);
        QVERIFY(rig.modals.shown().isEmpty());
    }

    // From the list's context menu: part of the list, with the button's checks, lock and end.
    void uploadPartOfTheList_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<int>>("rows"); // current first, then the rest of the selection
        QTest::addColumn<QList<int>>("sent"); // numbers, in order
        QTest::newRow("from the second") << "Upload from this frame" << QList<int>{1} << QList<int>{10, 12};
        QTest::newRow("from the first, one selected")
            << "Upload from this frame" << QList<int>{0} << QList<int>{3, 10, 12};
        QTest::newRow("selected") << "Upload selected frames" << QList<int>{2, 0} << QList<int>{3, 12};
    }

    void uploadPartOfTheList()
    {
        QFETCH(QString, action);
        QFETCH(QList<int>, rows);
        QFETCH(QList<int>, sent);
        Rig rig;
        rig.window->frameList()->add(12, rig.paths[0]);
        FarEnd device(rig.pty);
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        auto *view = rig.get<QTreeView>("ListView1");
        view->setCurrentIndex(rig.window->frameList()->index(rows[0], 0));
        for (const int row : rows.mid(1))
            view->selectionModel()->select(rig.window->frameList()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QAction *command = nullptr;
        for (QAction *each : view->actions())
            command = each->text() == action ? each : command;
        QVERIFY(command && command->isEnabled());
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"
        command->trigger();
        QCOMPARE(rig.get<QProgressBar>("ProgressBar1")->maximum(), int(sent.size()) * 32768);
        QVERIFY(ended.wait(15000));
        QVERIFY(rig.modals.unexpected().isEmpty());

        QTRY_COMPARE(device.receivedCount(), qint64(sent.size()) * 67090);
        WireDecoder decoder;
        decoder.feed(device.received());
        QList<int> numbers;
        for (const DecodedFrame &frame : decoder.takeFrames())
            numbers << (frame.complete ? frame.number : -1);
        QCOMPARE(numbers, sent);
    }

    // After a stop the entry that did not go out whole is the current one, selected alone, so the
    // upload continues from it with one right-click: stopped in the second frame's first pause,
    // that is the second entry.
    void theUnsentEntryIsCurrentAfterAStop()
    {
        Rig rig;
        FarEnd device(rig.pty);
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        auto *view = rig.get<QTreeView>("ListView1");
        view->selectAll();
        rig.clock.holdFrom(4);
        rig.click("cmdSaljiSve");
        QTRY_COMPARE_WITH_TIMEOUT(rig.clock.pauses(), 4, 10000);
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // "Upload stopped!"
        rig.click("cmdStopLoading");
        rig.clock.release();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(view->currentIndex().row(), 1);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
        QVERIFY(view->selectionModel()->isRowSelected(1, {}));
    }
};

QTEST_MAIN(TestUploadGui)
#include "tst_uploadgui.moc"
