#pragma once

#include "frame/seriallink.h"
#include "serial/core/stallwatch.h"

#include <QString>

#include <atomic>

class NetworkConnection;

// The transmitter's view of a connection to a serial device server. Writes are paced by the model
// of the far line, never more than AheadLimitUs of line time ahead of it, and drained means the
// model's line has sent everything (and the system has put it on the network), so the device's
// pauses fall on its line as they do on a local port. Runs on the thread that owns the connection.
class NetworkLink : public SerialLink
{
public:
    static constexpr qint64 AheadLimitUs = 1000000;
    // Added to a drain that waited for a long stretch of line, for what the network may hold up.
    static constexpr qint64 DrainMarginUs = 20000;

    // connection is null when the port is not open; every write then fails with notOpenReason.
    // abort makes every wait fail; stop (may be null) makes the waits end without a failure.
    // reconnectSeconds: how long reconnect() calls the server again after the connection was lost.
    // Failures start with subject ("Com3", or a command line's label).
    NetworkLink(NetworkConnection *connection, QString subject, QString notOpenReason, const std::atomic<bool> &abort,
                const std::atomic<bool> *stop = nullptr, int reconnectSeconds = 0);

    bool write(const QByteArray &data) override;
    bool drain() override;
    void frameBegun(int number) override;
    bool reconnect() override;
    QString errorDescription() const override { return m_error; }

    void watchForStalls(qint64 afterMs, StallWatch::Report report) { m_stall = StallWatch(afterMs, std::move(report)); }
    // True once the connection was lost; it must be made again.
    bool lineLost() const { return m_lineLost; }

private:
    bool fail(const QString &description, bool lineLost);
    bool lost();
    bool stopRequested() const { return m_stop && m_stop->load(); }

    NetworkConnection *m_connection;
    QString m_subject;
    QString m_notOpenReason;
    const std::atomic<bool> &m_abort;
    const std::atomic<bool> *m_stop;
    QString m_error;
    bool m_lineLost = false;
    int m_reconnectSeconds;
    int m_frame = -1;
    qint64 m_frameCharacters = 0;
    StallWatch m_stall;
};
