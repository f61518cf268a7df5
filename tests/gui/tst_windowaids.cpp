// What the window tells and where it stands: the port that is open (or that none is), an upload
// refused without a port, windows kept on the screen, Enter on a focused button, the focus during
// an upload, and a line that takes no characters.
#include "bmpwriter.h"
#include "farend.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "framelist/core/framelistmodel.h"
#include "serial/core/serialportcomponent.h"
#include "serial/widgets/frmproperties.h"
#include "upload/widgets/uploadcontroller.h"
#include "widgets/screenplacement.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

// The main window on a pseudo-terminal at Com2, with `frames` frames in its list.
struct Rig
{
    TestSettings store;
    PtyPair pty;
    QTemporaryDir dir;
    ScriptedModals modals;
    ManualClock clock; // the pauses, held where a test needs them
    std::unique_ptr<frmMain> window;

    explicit Rig(int frames = 2)
    {
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        store.setValue(QStringLiteral("Ports/Com3"), dir.filePath(QStringLiteral("no-such-port")));
        window = std::make_unique<frmMain>();
        window->upload()->setTransmitClock(&clock);
        window->Form_Load();
        window->show();
        for (int i = 0; i < frames; ++i) {
            QFile file(dir.filePath(QStringLiteral("f%1.bmp").arg(i)));
            file.open(QIODevice::WriteOnly);
            file.write(BmpWriter::standardFrame({qRgb(i, 40, 80)}, QByteArray(32768, char(i + 1))));
            file.close();
            window->frameList()->add(i, file.fileName());
        }
    }
    ~Rig() { clock.release(); } // a failed test may leave a pause held

    template<typename T = QWidget> T *get(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QString port() const { return get<QLabel>("lblPort")->text(); }
    QStringList texts() const
    {
        QStringList result;
        for (const ShownModal &box : modals.shown())
            result << (box.kind == ShownModal::Dialog ? box.dialogName : box.text);
        return result;
    }
    void activate() const
    {
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
};

} // namespace

class TestWindowAids : public QObject
{
    Q_OBJECT

private slots:
    // A failed port change leaves no port open: the window says so, and an upload says why it
    // cannot start instead of stopping an upload that never ran.
    void portStateAndUploadWithoutPort()
    {
        Rig rig;
        FarEnd device(rig.pty);
        QCOMPARE(rig.port(), QStringLiteral("Com2 open"));
        rig.modals.queueDialog([&rig](QDialog *dialog) {
            dialog->findChild<QComboBox *>(QStringLiteral("cboPort"))->setCurrentIndex(2); // Com3: not there
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        });
        rig.get<QAction>("mnuProperties")->trigger();
        QVERIFY(!rig.window->MSComm1().PortOpen());
        QTRY_COMPARE(rig.port(), QStringLiteral("No port open"));

        rig.modals.clear();
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        QTest::mouseClick(rig.get<QPushButton>("cmdSaljiSve"), Qt::LeftButton);
        QCOMPARE(rig.modals.shown().size(), 1);
        QVERIFY2(rig.texts().first().startsWith(QLatin1String("No serial port is open")),
                 qPrintable(rig.texts().first()));
        QVERIFY(!rig.window->upload()->isUploading());
        QVERIFY(rig.get("cmdSaljiSve")->isEnabled());
        QVERIFY(rig.get("ListView1")->isEnabled());
        QCOMPARE(device.receivedCount(), qint64(0));
    }

    void portStateFollowsALostLine()
    {
        Rig rig;
        QCOMPARE(rig.port(), QStringLiteral("Com2 open"));
        rig.pty.hangUp();
        QTRY_COMPARE(rig.port(), QStringLiteral("No port open"));
        QVERIFY(!rig.window->MSComm1().PortOpen());
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("fits: centred") << QSize(400, 200) << QRect(0, 0, 1000, 800) << QPoint(300, 300);
        QTest::newRow("below a top panel") << QSize(400, 200) << QRect(0, 30, 1000, 770) << QPoint(300, 315);
        QTest::newRow("wider than the screen") << QSize(2018, 200) << QRect(0, 0, 1280, 800) << QPoint(0, 300);
        QTest::newRow("taller") << QSize(400, 1104) << QRect(0, 24, 1280, 776) << QPoint(440, 24);
        QTest::newRow("both, on a second screen") << QSize(2018, 1104) << QRect(1280, 0, 1280, 800) << QPoint(1280, 0);
    }

    void placement()
    {
        QFETCH(QSize, outer);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        QCOMPARE(ScreenPlacement::centred(outer, available), expected);
    }

    // The offscreen screen is smaller than the main window: it opens at the screen's corner, and
    // Properties opens inside the screen.
    void windowsStayOnTheScreen()
    {
        Rig rig(0);
        const QRect available = rig.window->screen()->availableGeometry();
        QVERIFY(rig.window->frameGeometry().width() > available.width()); // what this test is about
        QCOMPARE(rig.window->pos().x(), available.left());
        QVERIFY(rig.window->pos().y() >= available.top());
        frmProperties dialog(&rig.window->MSComm1(), rig.window.get());
        QVERIFY(available.contains(dialog.frameGeometry().topLeft()));
    }

    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown"); // the box it brings, or "" when it only acts
        QTest::newRow("> Return") << "cmdCopy" << int(Qt::Key_Return) << "Ofset:";
        QTest::newRow(">> Enter") << "cmdCopyAll" << int(Qt::Key_Enter) << "Ofset:";
        QTest::newRow("<< Return") << "cmdRemoveAll" << int(Qt::Key_Return) << "Remove all frames from list?";
        QTest::newRow("upload Return") << "cmdSaljiSve" << int(Qt::Key_Return) << "Nothing to upload";
        QTest::newRow("< Enter") << "cmdRemove" << int(Qt::Key_Enter) << "";
    }

    void enterPressesTheFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, shown);
        Rig rig(button == QLatin1String("cmdRemove") ? 1 : 0);
        rig.activate();
        if (rig.window->frameList()->count() != 0) {
            auto *list = rig.get<QTreeView>("ListView1");
            list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
        }
        auto *target = rig.get<QPushButton>(button.toLatin1().constData());
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        if (shown.isEmpty()) {
            QCOMPARE(rig.window->frameList()->count(), 0);
            QVERIFY(rig.modals.shown().isEmpty());
        } else {
            QCOMPARE(rig.texts(), QStringList{shown});
        }
    }

    // While frames go out the focus is on the stop button, never in the pattern box; afterwards
    // it is back on the button the operator pressed.
    void focusDuringAnUpload()
    {
        Rig rig;
        FarEnd device(rig.pty);
        rig.clock.holdFrom(1);
        rig.activate();
        QStringList focused;
        QObject watching; // ends the connection with the test
        connect(qApp, &QApplication::focusChanged, &watching,
                [&focused](QWidget *, QWidget *now) { focused << (now ? now->objectName() : QString()); });
        auto *upload = rig.get<QPushButton>("cmdSaljiSve");
        upload->setFocus();
        QTest::keyClick(upload, Qt::Key_Return);
        QTRY_COMPARE(rig.clock.pauses(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), rig.get("cmdStopLoading"));

        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        QTest::keyClick(rig.get("cmdStopLoading"), Qt::Key_Return); // Enter stops too
        rig.clock.release();
        QVERIFY(ended.wait(10000));
        QCOMPARE(rig.texts(), QStringList{QStringLiteral("Upload stopped!")});
        QTRY_COMPARE(QApplication::focusWidget(), upload);
        QVERIFY2(!focused.contains(QStringLiteral("Text1")), qPrintable(focused.join(QLatin1Char(','))));
    }

    // A line that takes nothing is told in the status bar, and the telling goes when it moves
    // (seen while the second frame is held in its first pause).
    void stalledLineIsTold()
    {
        Rig rig;
        FarEnd device(rig.pty, false);
        rig.clock.holdFrom(4);
        rig.window->MSComm1().setStallAfterMs(300);
        auto *panel = rig.get<QLabel>("Panel1");
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        QTest::mouseClick(rig.get<QPushButton>("cmdSaljiSve"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            panel->text() != QLatin1String("Loading frame...") && !panel->text().trimmed().isEmpty(), 10000);
        const QString told = panel->text();
        QVERIFY2(panel->fontMetrics().horizontalAdvance(told) <= panel->contentsRect().width() - panel->indent(),
                 qPrintable(told));
        QVERIFY(!panel->toolTip().isEmpty());

        device.setReading(true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.clock.pauses(), 4, 10000);
        QTRY_COMPARE(panel->text(), QStringLiteral("Loading frame..."));
        QVERIFY(panel->toolTip().isEmpty());
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        QTest::mouseClick(rig.get<QPushButton>("cmdStopLoading"), Qt::LeftButton);
        rig.clock.release();
        QVERIFY(ended.wait(10000));
    }
};

QTEST_MAIN(TestWindowAids)
#include "tst_windowaids.moc"
