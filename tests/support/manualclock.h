#pragma once

#include "base/clock.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

// Time that moves only when told: the test moves it on, and a pause moves it on by its own length
// at once, so an upload runs at line speed and every duration it shows is exact. Pauses can be
// held until the test lets them go, to look at the window at a known point of an upload.
class ManualClock : public Clock
{
public:
    explicit ManualClock(qint64 startMs = 0)
        : m_now(startMs)
    { }

    qint64 nowMs() const override { return m_now.load(); }
    void pauseMs(qint64 ms) override
    {
        const int number = ++m_pauses;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_holdFrom == 0 || number < m_holdFrom; });
        }
        m_now += ms; // the pause ends as long after it began as it lasts, held or not
    }

    void advanceMs(qint64 ms) { m_now += ms; }
    // Pauses begun so far (counted from 1 over the clock's life), a held one included.
    int pauses() const { return m_pauses.load(); }
    // Pause number `pause` and every later one wait until the hold moves on; the ones before it
    // go on at once. 0 holds none.
    void holdFrom(int pause)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_holdFrom = pause;
        }
        m_changed.notify_all();
    }
    void release() { holdFrom(0); }

private:
    std::atomic<qint64> m_now;
    std::atomic<int> m_pauses{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_holdFrom = 0;
};
