// The Properties dialog over pseudo-terminals mapped with "Ports/ComN": switching, storing,
// refusing a failing port, cancelling, and what the dialog shows.
#include "heldtimer.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"
#include "serial/widgets/frmproperties.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QComboBox *portList(QDialog *dialog)
{
    return dialog->findChild<QComboBox *>(QStringLiteral("cboPort"));
}

void click(QDialog *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
}

} // namespace

class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndEntries()
    {
        TestSettings store;
        SerialPortComponent port;
        QVERIFY(port.setCommPort(7));
        frmProperties dialog(&port);

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Program Properties"));
        QCOMPARE(dialog.size(), QSize(Twips::toPixels(7350), Twips::toPixels(3375)));
        auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabSettings"));
        QCOMPARE(tabs->geometry(), Twips::rect(375, 240, 6585, 2595));
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Properties"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Port:"));
        QCOMPARE(portList(&dialog)->geometry(), Twips::rect(750, 225, 1425, 315));
        QVERIFY(!portList(&dialog)->isEditable());
        auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QCOMPARE(ok->geometry(), Twips::rect(3960, 375, 1080, 300));
        QVERIFY(ok->isDefault());
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->geometry(),
                 Twips::rect(3975, 840, 1080, 300));
        QCOMPARE(portList(&dialog)->nextInFocusChain(), ok);
        // The device line may take several lines, but stays inside its frame and clear of the buttons.
        const QRect device = dialog.findChild<QLabel *>(QStringLiteral("lblDevice"))->geometry();
        const QSize frame = dialog.findChild<QFrame *>(QStringLiteral("fraSettings"))->size();
        QVERIFY(QRect(QPoint(0, 0), frame).contains(device));
        QVERIFY(!device.intersects(ok->geometry()));
        QVERIFY(!device.intersects(dialog.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->geometry()));

        QComboBox *list = portList(&dialog);
        QCOMPARE(list->count(), 16);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(list->itemText(i), QStringLiteral("Com%1").arg(i + 1));
        QCOMPARE(list->currentIndex(), 6);
    }

    void everyShowingListsSixteen()
    {
        TestSettings store;
        SerialPortComponent port;
        for (int showing = 0; showing < 2; ++showing) {
            frmProperties dialog(&port);
            QCOMPARE(portList(&dialog)->count(), 16);
        }
    }

    void deviceLineFollowsSelection()
    {
        TestSettings store;
        PtyPair pty;
        store.setValue(QStringLiteral("Ports/Com9"), pty.devicePath());
        SerialPortComponent port;
        frmProperties dialog(&port);
        auto *device = dialog.findChild<QLabel *>(QStringLiteral("lblDevice"));

        portList(&dialog)->setCurrentIndex(8);
        QCOMPARE(device->text(), QStringLiteral("Device: %1 (present, a pseudo-terminal)").arg(pty.devicePath()));
        portList(&dialog)->setCurrentIndex(15);
        QVERIFY2(device->text().startsWith(QLatin1String("Device: /dev/ttyACM3 (")), qPrintable(device->text()));
        if (!QFile::exists(QStringLiteral("/dev/ttyACM3")))
            QCOMPARE(device->text(), QStringLiteral("Device: /dev/ttyACM3 (not present)"));
        QCOMPARE(portList(&dialog)->itemText(8), QStringLiteral("Com9")); // entry texts stay exact
    }

    void longDeviceNamesFitTheLabel()
    {
        TestSettings store;
        PtyPair pty;
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A5028-if00-port0-inserter-rack-2"));
        QVERIFY(QFile::link(pty.devicePath(), link));
        store.setValue(QStringLiteral("Ports/Com10"), link);
        SerialPortComponent port;
        QVERIFY(port.setCommPort(10));
        frmProperties dialog(&port);
        auto *device = dialog.findChild<QLabel *>(QStringLiteral("lblDevice"));
        QVERIFY2(device->heightForWidth(device->width()) <= device->height(), qPrintable(device->text()));
        const QString status = QStringLiteral(" (present, the pseudo-terminal %1)").arg(pty.devicePath());
        QVERIFY2(device->text().endsWith(status), qPrintable(device->text())); // the path is what gives way
        QCOMPARE(device->toolTip(),
                 QStringLiteral("Device: %1 (present, the pseudo-terminal %2)").arg(link, pty.devicePath()));
    }

    // A device that comes or goes while the dialog is open shows up without reselecting the port.
    void deviceLineFollowsThePlugging()
    {
        TestSettings store;
        PtyPair pty;
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("inserter"));
        store.setValue(QStringLiteral("Ports/Com9"), link);
        SerialPortComponent port;
        QVERIFY(port.setCommPort(9));
        frmProperties dialog(&port);
        const QList<QTimer *> timers = dialog.findChildren<QTimer *>();
        QCOMPARE(timers.size(), 1);
        HeldTimer poll(timers.first()); // fired by the test, not waited for
        dialog.show();
        QVERIFY(poll->isActive());
        QCOMPARE(poll->interval(), 1500);
        auto *device = dialog.findChild<QLabel *>(QStringLiteral("lblDevice"));
        QCOMPARE(device->text(), QStringLiteral("Device: %1 (not present)").arg(link));

        QVERIFY(QFile::link(pty.devicePath(), link));
        QVERIFY(poll.fire());
        QCOMPARE(device->text(),
                 QStringLiteral("Device: %1 (present, the pseudo-terminal %2)").arg(link, pty.devicePath()));
        QVERIFY(QFile::remove(link));
        QVERIFY(poll.fire());
        QCOMPARE(device->text(), QStringLiteral("Device: %1 (not present)").arg(link));
        dialog.close();
        QVERIFY(!poll->isActive()); // no looking at the disk behind a closed dialog
    }

    void okSwitchesToWorkingPortAndStoresIt_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::newRow("port open on a working line") << true;
        QTest::newRow("port closed after a failed start") << false;
    }

    void okSwitchesToWorkingPortAndStoresIt()
    {
        QFETCH(bool, openBefore);
        TestSettings store;
        PtyPair first, second;
        store.setValue(QStringLiteral("Ports/Com3"), first.devicePath());
        store.setValue(QStringLiteral("Ports/Com4"), second.devicePath());
        SerialPortComponent port;
        QVERIFY(port.setCommPort(3));
        if (openBefore)
            QVERIFY(port.setPortOpen(true));

        ScriptedModals modals;
        frmProperties dialog(&port);
        portList(&dialog)->setCurrentIndex(3);
        click(&dialog, "cmdOK");

        QVERIFY(modals.shown().isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(port.CommPort(), 4);
        QVERIFY(port.PortOpen());
        QCOMPARE(port.devicePath(), second.devicePath());
        QCOMPARE(store.value(QStringLiteral("Properties/CommPort")), QStringLiteral("4"));
        // The first device is free again: another program may open it.
        QSerialPort other(first.devicePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
    }

    void okOnFailingPortRestoresOldNumber()
    {
        TestSettings store;
        PtyPair working;
        store.setValue(QStringLiteral("Ports/Com3"), working.devicePath());
        store.setValue(QStringLiteral("Ports/Com6"), QStringLiteral("/dev/no-such-serial-device"));
        SerialPortComponent port;
        QVERIFY(port.setCommPort(3));
        QVERIFY(port.setPortOpen(true));

        ScriptedModals modals;
        modals.queueMessageAnswer(QMessageBox::Ok);
        frmProperties dialog(&port);
        dialog.show();
        portList(&dialog)->setCurrentIndex(5);
        click(&dialog, "cmdOK");

        QCOMPARE(modals.shown().size(), 1);
        const ShownModal &box = modals.shown().first();
        QCOMPARE(box.title, QStringLiteral("VELM Moving Logo Inserter - Image loader"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY2(box.text.contains(QLatin1String("/dev/no-such-serial-device")), qPrintable(box.text));
        QVERIFY(dialog.isVisible()); // the operator can pick another port or cancel
        QCOMPARE(portList(&dialog)->currentIndex(), 5);
        QCOMPARE(port.CommPort(), 3);
        QVERIFY(!port.PortOpen());
        QVERIFY(!store.contains(QStringLiteral("Properties/CommPort")));
    }

    void okWithSameNumberKeepsOpenPortAndStores()
    {
        TestSettings store;
        PtyPair working;
        store.setValue(QStringLiteral("Ports/Com2"), working.devicePath());
        SerialPortComponent port;
        SerialSetup::configure(port, PortSettings());
        QVERIFY(port.setPortOpen(true));

        ScriptedModals modals;
        frmProperties dialog(&port);
        click(&dialog, "cmdOK");
        QVERIFY(modals.shown().isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(port.PortOpen());
        QCOMPARE(store.value(QStringLiteral("Properties/CommPort")), QStringLiteral("2"));
    }

    void okWithSameNumberOpensClosedPort()
    {
        TestSettings store;
        PtyPair device;
        store.setValue(QStringLiteral("Ports/Com2"), device.devicePath());
        SerialPortComponent port;
        QVERIFY(port.setCommPort(2));

        ScriptedModals modals;
        frmProperties dialog(&port);
        click(&dialog, "cmdOK");
        QVERIFY(modals.shown().isEmpty());
        QVERIFY(port.PortOpen());
        QCOMPARE(store.value(QStringLiteral("Properties/CommPort")), QStringLiteral("2"));
    }

    void cancelAndCloseBoxChangeNothing_data()
    {
        QTest::addColumn<bool>("useCloseBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }

    void cancelAndCloseBoxChangeNothing()
    {
        QFETCH(bool, useCloseBox);
        TestSettings store;
        PtyPair first, second;
        store.setValue(QStringLiteral("Ports/Com3"), first.devicePath());
        store.setValue(QStringLiteral("Ports/Com4"), second.devicePath());
        SerialPortComponent port;
        QVERIFY(port.setCommPort(3));
        QVERIFY(port.setPortOpen(true));

        ScriptedModals modals;
        frmProperties dialog(&port);
        dialog.show();
        portList(&dialog)->setCurrentIndex(3);
        if (useCloseBox)
            dialog.close();
        else
            click(&dialog, "cmdCancel");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(port.CommPort(), 3);
        QVERIFY(port.PortOpen());
        QVERIFY(!store.contains(QStringLiteral("Properties/CommPort")));
        QVERIFY(modals.shown().isEmpty());
    }

    void escapeIsNotCancel()
    {
        TestSettings store;
        SerialPortComponent port;
        frmProperties dialog(&port);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
