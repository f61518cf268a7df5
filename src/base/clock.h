#pragma once

#include <QtGlobal>

// Monotonic time for pauses and durations, so midnight and clock changes do nothing to them.
// Milliseconds on the monotonic clock: for every duration and pause in the program.
qint64 monotonicMs();

class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    virtual void pauseMs(qint64 ms) = 0;
};

class SteadyClock : public Clock
{
public:
    qint64 nowMs() const override;
    void pauseMs(qint64 ms) override;
};
