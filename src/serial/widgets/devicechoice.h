#pragma once

#include <QGroupBox>
#include <QString>
#include <QTimer>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class ServerProbe;

// The device one port number stands for, as the operator gives it: the table's own, a local
// device path (a /dev/serial/by-id name for an adapter that moves between sockets), or a device
// server on the network, with whether that server answers.
class DeviceChoice : public QGroupBox
{
    Q_OBJECT
public:
    explicit DeviceChoice(QWidget *parent = nullptr);

    // Shows what is stored for port number n (empty: the table's device). heldDevice is the device
    // the program has open now: a server it is connected to is not called a second time.
    void load(int port, const QString &stored, const QString &heldDevice);

    // The text to store for the port: empty for the table's device, a path, or a server's address
    // ("rfc2217://HOST:PORT"); nothing, and why in *error, when the entry is incomplete or wrong.
    std::optional<QString> chosen(QString *error = nullptr) const;
    // Whether the operator changed the entry since load(): only then does the store get it, so an
    // entry changed elsewhere meanwhile is not written back.
    bool isEdited() const { return chosen() != m_atLoad; }

signals:
    // The entry changed: what chosen() gives may differ.
    void changed();

private:
    void buildControls();
    void fillKnownDevices();
    void entryEdited();
    void showEnabled();
    void checkServer();
    std::optional<QString> server(QString *error) const;

    int m_port = 0;
    QString m_heldDevice;
    std::optional<QString> m_atLoad;
    QRadioButton *optTable = nullptr;
    QRadioButton *optPath = nullptr;
    QRadioButton *optServer = nullptr;
    QComboBox *cboDevicePath = nullptr;
    QLineEdit *txtHost = nullptr;
    QLineEdit *txtServerPort = nullptr;
    QComboBox *cboServerKind = nullptr;
    QLabel *lblServer = nullptr;
    ServerProbe *m_probe = nullptr;
    QTimer m_probeDelay; // a probe waits until the typing pauses
};
