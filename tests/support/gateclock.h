#pragma once

#include "core/clock.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

// A clock whose pauses hold the transmission until the test opens the gate; after that they
// return at once. Lets a test act at a known point: in a frame's first pause (the first frame's,
// or the second's when the first three pauses pass).
class GateClock : public Clock
{
public:
    explicit GateClock(int passFirst = 0)
        : m_passFirst(passFirst)
    {
    }

    qint64 nowMs() const override { return m_steady.nowMs(); }
    void pauseMs(qint64) override
    {
        if (++m_pauses <= m_passFirst)
            return;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_opened.wait(lock, [this] { return m_open; });
    }

    // Pauses begun so far, the one waiting at the gate included.
    int pauses() const { return m_pauses.load(); }
    void open()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }

private:
    SteadyClock m_steady;
    const int m_passFirst;
    std::atomic<int> m_pauses{0};
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};
