#pragma once

#include "serial/core/linesettings.h"
#include "serial/core/porterror.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class NetworkConnection;
class QSerialPort;
class SerialLink;

// Owns the QSerialPort on the serial I/O thread; every method runs on that thread.
class SerialPortWorker : public QObject
{
    Q_OBJECT
public:
    SerialPortWorker();
    ~SerialPortWorker() override;

    // Messages name the port as `naming` says.
    bool open(int port, const PortError::Naming &naming, const LineSettings &line, bool rts, QString *error);
    void close();
    bool isOpen() const;
    bool applyLineSettings(const LineSettings &line, QString *error);
    void applyRts(bool rts);

    // Runs a transmission over the port; the port closes when the line was lost on the way.
    // Waits in which the line takes nothing for stallAfterMs are told by lineStalled().
    void run(const std::function<void(SerialLink &)> &job, const std::atomic<bool> &abort,
             const std::atomic<bool> *stop, qint64 stallAfterMs, int reconnectSeconds = 0);

    qint64 discardedBytes() const { return m_discarded.load(); }
    // What the latest opening of a device server wants the operator to know; empty for most.
    QString openNote() const { return m_openNote; }
    void shutdown();

signals:
    void openChanged(bool open);
    void lineStalled(bool stalled);

private:
    bool openServer(int port, const PortError::Naming &naming, const LineSettings &line, QString *error);
    // Runs the job over the link; a line lost on the way closes the port.
    template<typename Link> void runOn(Link &link, const std::function<void(SerialLink &)> &job);
    void MSComm1_OnComm();
    void onServerData();
    // What the server sends while no frame goes out is taken (and a hang-up noticed) as it comes.
    void watchServer();
    void onErrorOccurred(int error);

    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<NetworkConnection> m_server; // instead of m_port when the device is a device server
    QString m_openNote;
    QString m_serverSubject; // what messages about the server start with
    PortError::Naming m_naming;
    QString m_lostReason; // why the port closed by itself, if it did
    std::atomic<qint64> m_discarded{0};
    bool m_running = false;
    bool m_closing = false;
};
