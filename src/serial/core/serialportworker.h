#pragma once

#include "serial/core/linesettings.h"
#include "serial/core/porterror.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

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
             const std::atomic<bool> *stop, qint64 stallAfterMs);

    qint64 discardedBytes() const { return m_discarded.load(); }
    void shutdown();

signals:
    void openChanged(bool open);
    void lineStalled(bool stalled);

private:
    void MSComm1_OnComm();
    void onErrorOccurred(int error);

    std::unique_ptr<QSerialPort> m_port;
    PortError::Naming m_naming;
    QString m_lostReason; // why the port closed by itself, if it did
    std::atomic<qint64> m_discarded{0};
    bool m_running = false;
    bool m_closing = false;
};
