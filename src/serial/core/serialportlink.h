#pragma once

#include "frame/seriallink.h"
#include "serial/core/porterror.h"
#include "serial/core/stallwatch.h"

#include <QString>

#include <atomic>

class QSerialPort;

// The transmitter's view of an open QSerialPort. Runs on the thread that owns the port.
class SerialPortLink : public SerialLink
{
public:
    // port is null when the port is not open; every write then fails with notOpenReason. abort
    // makes every wait fail; stop (may be null) makes the waits end without a failure, so a
    // stopped upload reaches its next stop check even on a line that takes nothing more.
    SerialPortLink(QSerialPort *port, PortError::Naming naming, QString notOpenReason, const std::atomic<bool> &abort,
                   const std::atomic<bool> *stop = nullptr);

    bool write(const QByteArray &data) override;
    bool drain() override;
    QString errorDescription() const override;

    // Reports waits in which the line takes nothing for afterMs, and when it moves again.
    void watchForStalls(qint64 afterMs, StallWatch::Report report) { m_stall = StallWatch(afterMs, std::move(report)); }

    // True once the line failed in a way that leaves the port unusable until it is reopened.
    bool lineLost() const { return m_lineLost; }

    // How many characters may wait in Qt's buffer before a write waits for room.
    static constexpr qint64 QueueLimit = 4096;

private:
    bool waitUntilQueued(qint64 limit);
    bool waitForDriverQueue();
    bool fail(const QString &description, bool lineLost);
    bool failFromPort();
    void discardInput();

    QSerialPort *m_port;
    PortError::Naming m_naming;
    QString m_notOpenReason;
    bool stopRequested() const { return m_stop && m_stop->load(); }

    const std::atomic<bool> &m_abort;
    const std::atomic<bool> *m_stop;
    QString m_error;
    bool m_lineLost = false;
    StallWatch m_stall;
};
