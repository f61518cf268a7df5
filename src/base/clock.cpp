#include "clock.h"

#include <chrono>
#include <thread>

qint64 monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 SteadyClock::nowMs() const
{
    return monotonicMs();
}

void SteadyClock::pauseMs(qint64 ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
