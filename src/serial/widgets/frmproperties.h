#pragma once

#include "serial/core/portdetails.h"
#include "serial/core/portsettings.h"

#include <QDialog>
#include <QIcon>

#include <optional>

class DeviceChoice;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class SerialPortComponent;

// "Program Properties": the choice of serial port, the device each number stands for, and whether
// to reconnect to a lost device server. Made afresh for every showing.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    explicit frmProperties(SerialPortComponent *port, QWidget *parent = nullptr);

    // Fills the port list, selects the current port and shows what is stored for it.
    void LoadPropertySettings();

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void Form_Load();
    void buildControls();
    void refresh();
    void markPorts();
    void loadDevice();
    void showSelectedDevice();
    bool storeChoice(QString *error);

    SerialPortComponent *m_port;
    PortSettings m_settings;
    QTabWidget *tabSettings = nullptr;
    QFrame *fraSettings = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *cboPort = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblDevice = nullptr;
    DeviceChoice *fraDevice = nullptr;
    QCheckBox *chkReconnect = nullptr;
    QIcon m_presentIcon;
    QIcon m_absentIcon;
    QIcon m_serverIcon;
    QTimer *m_devicePoll = nullptr;
    QList<PortDetails> m_available; // as the system reported them at the last look
};
