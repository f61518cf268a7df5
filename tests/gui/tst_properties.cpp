// The Properties dialog over pseudo-terminals mapped with "Ports/ComN": switching, storing,
// refusing a failing port, cancelling, and what the dialog shows; a number's device (a path or a
// device server on 127.0.0.1), whether the server answers, the reconnect box, the window's port label.
#include "heldtimer.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"
#include "serial/widgets/frmproperties.h"
#include "widgets/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTabWidget>
#include <QTcpServer>
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

// A TCP port on 127.0.0.1 that nothing listens on: one the system just gave out and took back.
quint16 closedPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}

template<typename T> T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QString::fromLatin1(name));
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
        QCOMPARE(dialog.width(), Twips::toPixels(7350));
        auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tabSettings"));
        QCOMPARE(tabs->geometry(), Twips::rect(375, 240, 6585, 2595));
        // The device and the reconnect box below the tab strip, whole, on a 1024 x 768 screen.
        auto *choice = child<QWidget>(&dialog, "fraDevice");
        auto *reconnect = child<QWidget>(&dialog, "chkReconnect");
        QVERIFY(choice->y() > tabs->geometry().bottom() && reconnect->y() > choice->geometry().bottom());
        QVERIFY(dialog.rect().contains(reconnect->geometry()) && dialog.height() < 700);
        QVERIFY(choice->minimumSizeHint().height() <= choice->height());
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

    // What OK keeps as Com16's device, or why it refuses the entry and leaves everything as it was.
    void deviceEntries_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("entry"); // the path, or host, TCP port and kind; %1: a free port or a by-id link
        QTest::addColumn<QString>("stored"); // empty: no entry, the table's device
        QTest::addColumn<QString>("refusal");
        const QString before = QStringLiteral("/dev/before");
        QTest::newRow("server, raw") << "optServer"
                                     << "127.0.0.1|%1|raw TCP"
                                     << "tcp://127.0.0.1:%1"
                                     << "";
        QTest::newRow("server, RFC 2217") << "optServer"
                                          << " ::1 |%1|RFC 2217"
                                          << "rfc2217://[::1]:%1"
                                          << "";
        QTest::newRow("local path") << "optPath"
                                    << "%1"
                                    << "%1"
                                    << "";
        QTest::newRow("back to the table") << "optTable"
                                           << ""
                                           << ""
                                           << "";
        QTest::newRow("bad host") << "optServer"
                                  << "rack 2|4001|raw TCP" << before << "\"rack 2\" is not a host name or address";
        QTest::newRow("bad address") << "optServer"
                                     << "10.0.0.256|4001|raw TCP" << before
                                     << "\"10.0.0.256\" is not a host name or address";
        QTest::newRow("bad port") << "optServer"
                                  << "rack-2|70000|raw TCP" << before
                                  << "TCP port must be a number from 1 to 65535, not \"70000\"";
        QTest::newRow("no path") << "optPath"
                                 << "" << before << "Enter the device's path";
    }

    void deviceEntries()
    {
        QFETCH(QString, option);
        QFETCH(QString, entry);
        QFETCH(QString, stored);
        QFETCH(QString, refusal);
        const bool path = option == QLatin1String("optPath"), table = option == QLatin1String("optTable");
        if (table && QFile::exists(QStringLiteral("/dev/ttyACM3")))
            QSKIP("Com16's own device is on this machine");
        TestSettings store;
        PtyPair working, adapter;
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A5028-if00-port0"));
        QVERIFY(QFile::link(adapter.devicePath(), link));
        const QString filler = path ? link : QString::number(closedPort());
        const QStringList fields = entry.replace(QLatin1String("%1"), filler).split(QLatin1Char('|'));
        store.setValue(QStringLiteral("Ports/Com3"), working.devicePath());
        store.setValue(QStringLiteral("Ports/Com16"), QStringLiteral("/dev/before"));
        SerialPortComponent port;
        QVERIFY(port.setCommPort(3) && port.setPortOpen(true));

        ScriptedModals modals;
        modals.queueMessageAnswer(QMessageBox::Ok);
        frmProperties dialog(&port);
        dialog.show();
        portList(&dialog)->setCurrentIndex(15);
        child<QRadioButton>(&dialog, option.toLatin1().constData())->click();
        if (path) {
            child<QComboBox>(&dialog, "cboDevicePath")->setEditText(QString());
            QTest::keyClicks(child<QComboBox>(&dialog, "cboDevicePath")->lineEdit(), fields[0]);
        } else if (!table) {
            QTest::keyClicks(child<QLineEdit>(&dialog, "txtHost"), fields[0]);
            QTest::keyClicks(child<QLineEdit>(&dialog, "txtServerPort"), fields[1]);
            child<QComboBox>(&dialog, "cboServerKind")->setCurrentText(fields[2]);
        }
        click(&dialog, "cmdOK");

        QCOMPARE(store.contains(QStringLiteral("Ports/Com16")), !stored.isEmpty());
        QCOMPARE(store.value(QStringLiteral("Ports/Com16")), stored.replace(QLatin1String("%1"), filler));
        // Only the link opens; a server kept while nothing answers there leaves the port on Com3, closed.
        const bool opened = path && refusal.isEmpty();
        QCOMPARE(modals.shown().size(), opened ? 0 : 1);
        QVERIFY2(modals.shown().isEmpty() || modals.shown().first().text.contains(refusal),
                 qPrintable(modals.shown().value(0).text));
        QCOMPARE(dialog.isVisible(), !opened);
        QCOMPARE(port.PortOpen(), opened || !refusal.isEmpty());
        QCOMPARE(port.devicePath(), opened ? link : working.devicePath());
        QCOMPARE(store.contains(QStringLiteral("Properties/CommPort")), opened);
    }

    // Whether the server answers, said without waiting for it: for the stored entry, and again
    // for what the operator types.
    void serverAnswers_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("answers") << true << "The server answers.";
        QTest::newRow("nothing listening")
            << false << "Connection refused: the server is not running, or the TCP port is wrong.";
    }

    void serverAnswers()
    {
        QFETCH(bool, listening);
        QFETCH(QString, verdict);
        TestSettings store;
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        store.setValue(QStringLiteral("Ports/Com4"), QStringLiteral("rfc2217://127.0.0.1:%1").arg(closedPort()));
        SerialPortComponent port;
        QVERIFY(port.setCommPort(4));
        frmProperties dialog(&port);
        dialog.show();
        auto *answer = child<QLabel>(&dialog, "lblServer");
        QTRY_VERIFY_WITH_TIMEOUT(answer->text().startsWith(QLatin1String("Connection refused")), 7000);
        if (listening) {
            child<QLineEdit>(&dialog, "txtServerPort")->selectAll();
            QTest::keyClicks(child<QLineEdit>(&dialog, "txtServerPort"), QString::number(server.serverPort()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(answer->text(), verdict, 7000);
        QTRY_COMPARE(server.hasPendingConnections(), listening);
    }

    void reconnectBox_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("after");
        QTest::newRow("ticked") << "" << true << 60;
        QTest::newRow("unticked") << "60" << false << 0;
        QTest::newRow("a time set by hand stays") << "300" << true << 300;
    }

    void reconnectBox()
    {
        QFETCH(QString, before);
        QFETCH(bool, tick);
        QFETCH(int, after);
        TestSettings store;
        PtyPair working;
        store.setValue(QStringLiteral("Ports/Com3"), working.devicePath());
        store.setValue(QStringLiteral("Ports/ReconnectSeconds"), before);
        SerialPortComponent port;
        QVERIFY(port.setCommPort(3));
        frmProperties dialog(&port);
        auto *box = child<QCheckBox>(&dialog, "chkReconnect");
        QCOMPARE(box->isChecked(), !before.isEmpty());
        box->setChecked(tick);
        click(&dialog, "cmdOK");
        QCOMPARE(store.value(QStringLiteral("Ports/ReconnectSeconds")), QString::number(after));
        QCOMPARE(port.reconnectSeconds(), after);
    }

    // The list marks the numbers that stand for something there now; its texts stay as they are.
    void portListMarks()
    {
        TestSettings store;
        PtyPair pty;
        store.setValue(QStringLiteral("Ports/Com9"), pty.devicePath());
        store.setValue(QStringLiteral("Ports/Com10"), QStringLiteral("/nowhere"));
        store.setValue(QStringLiteral("Ports/Com11"), QStringLiteral("tcp://127.0.0.1:4001"));
        SerialPortComponent port;
        frmProperties dialog(&port);
        QComboBox *list = portList(&dialog);
        const QStringList tips{QStringLiteral("Com9: %1 (present, a pseudo-terminal)").arg(pty.devicePath()),
                               QStringLiteral("Com10: /nowhere (not present)"),
                               QStringLiteral("Com11: device server 127.0.0.1:4001 (raw TCP)")};
        for (int i = 8; i <= 10; ++i) {
            QCOMPARE(list->itemText(i), QStringLiteral("Com%1").arg(i + 1));
            QCOMPARE(list->itemData(i, Qt::FontRole).value<QFont>().bold(), i == 8);
            QCOMPARE(list->itemData(i, Qt::ToolTipRole).toString(), tips[i - 8]);
            QVERIFY(list->itemIcon(i).cacheKey() != list->itemIcon(i == 10 ? 8 : i + 1).cacheKey());
        }
    }

    // The window's port label keeps its words; its tool tip names the device, a server as one.
    void portLabelToolTip_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("tip"); // %1 the device server's port or the pseudo-terminal
        QTest::newRow("device server not answering")
            << true << "No port open"
            << "No serial port is open: choose a working one in Properties. Com2 is set to the device server "
               "127.0.0.1:%1 (RFC 2217).";
        QTest::newRow("local device path") << false << "Com2 open"
                                           << "The frames go to Com2 (%1).";
    }

    void portLabelToolTip()
    {
        QFETCH(bool, server);
        QFETCH(QString, label);
        QFETCH(QString, tip);
        TestSettings store;
        PtyPair pty;
        const QString device = server ? QString::number(closedPort()) : pty.devicePath();
        store.setValue(QStringLiteral("Ports/Com2"), server ? QStringLiteral("rfc2217://127.0.0.1:") + device : device);
        store.setValue(QStringLiteral("Ports/ReconnectSeconds"), QStringLiteral("90"));
        ScriptedModals modals;
        modals.queueMessageAnswer(QMessageBox::Ok);
        modals.queueDialog([](QDialog *dialog) { click(dialog, "cmdCancel"); });
        frmMain window;
        window.Form_Load();
        QCOMPARE(modals.pending(), server ? 0 : 2);
        QCOMPARE(child<QLabel>(&window, "lblPort")->text(), label);
        QCOMPARE(child<QLabel>(&window, "lblPort")->toolTip(), tip.arg(device));
        QCOMPARE(window.MSComm1().reconnectSeconds(), 90); // handed over at start-up
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
