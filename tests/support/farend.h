#pragma once

#include "ptypair.h"

#include <QByteArray>
#include <QMutex>

#include <atomic>
#include <thread>

// The device's side of a pseudo-terminal, read on a thread of its own so the program's writes
// never wait on the test. Reading can be held back to make the line fill up.
class FarEnd
{
public:
    explicit FarEnd(PtyPair &pty, bool reading = true);
    ~FarEnd();

    void setReading(bool reading) { m_reading = reading; }
    QByteArray received() const;
    qint64 receivedCount() const { return m_count.load(); }

private:
    PtyPair &m_pty;
    std::atomic<bool> m_reading;
    std::atomic<bool> m_quit{false};
    std::atomic<qint64> m_count{0};
    mutable QMutex m_mutex;
    QByteArray m_data;
    std::thread m_thread;
};
