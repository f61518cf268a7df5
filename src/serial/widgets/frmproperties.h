#pragma once

#include "serial/core/portsettings.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class SerialPortComponent;

// "Program Properties": the choice of serial port. Made afresh for every showing.
class frmProperties : public QDialog
{
    Q_OBJECT
public:
    explicit frmProperties(SerialPortComponent *port, QWidget *parent = nullptr);

    // Fills the port list and selects the current port.
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
    void showSelectedDevice();

    SerialPortComponent *m_port;
    PortSettings m_settings;
    QTabWidget *tabSettings = nullptr;
    QFrame *fraSettings = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *cboPort = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QLabel *lblDevice = nullptr;
    QTimer *m_devicePoll = nullptr;
};
