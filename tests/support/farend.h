#pragma once

#include "ptypair.h"

#include <QByteArray>
#include <QPair>
#include <QVector>
#include <mutex>

#include <atomic>
#include <optional>
#include <thread>

class SerialPortComponent;

// The device's side of a pseudo-terminal, read on a thread of its own so the program's writes
// never wait on the test. Reading can be held back to make the line fill up.
class FarEnd
{
public:
    explicit FarEnd(PtyPair &pty, bool reading = true);
    ~FarEnd();

    void setReading(bool reading) { m_reading = reading; }
    // Reads no further than `bytes` received in all (negative: no limit); the rest waits on the line.
    void setReadLimit(qint64 bytes) { m_limit = bytes; }
    QByteArray received() const;
    // Where each read began in received() and when (monotonic ms): the line's pauses are the gaps.
    QVector<QPair<qint64, qint64>> arrivals() const;
    qint64 receivedCount() const { return m_count.load(); }
    // True once the program has let go of the line and everything it sent has been read.
    bool hungUp() const { return m_hungUp.load(); }

    // Everything `port` has sent so far, once all of it has arrived: a marker goes out behind it
    // on the port's own thread, and what came before the marker is the answer. The marker is then
    // forgotten. Needs an open port with no job running; nothing when the marker never comes.
    std::optional<QByteArray> everythingSent(SerialPortComponent &port);

private:
    PtyPair &m_pty;
    std::atomic<bool> m_reading;
    std::atomic<qint64> m_limit{-1};
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_hungUp{false};
    std::atomic<qint64> m_count{0};
    int m_markers = 0;
    mutable std::mutex m_mutex; // one the thread sanitizer sees
    QByteArray m_data;
    QVector<QPair<qint64, qint64>> m_arrivals; // (offset, ms)
    std::thread m_thread;
};
