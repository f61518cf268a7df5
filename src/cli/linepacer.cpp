#include "cli/linepacer.h"

#include "base/clock.h"

#include <algorithm>
#include <cmath>

LinePacer::LinePacer(int baud, const Clock &clock)
    : m_perMs(double(baud) / (BitsPerCharacter * 1000.0))
    , m_clock(clock)
    , m_lastMs(clock.nowMs())
{ }

void LinePacer::update()
{
    const qint64 now = m_clock.nowMs();
    m_credit = std::min(m_credit + double(now - m_lastMs) * m_perMs, std::max(1.0, BurstMs * m_perMs));
    m_lastMs = now;
}

qint64 LinePacer::allowance()
{
    update();
    return std::max<qint64>(0, qint64(std::floor(m_credit)));
}

void LinePacer::take(qint64 count)
{
    m_credit -= double(count);
}

void LinePacer::idle(qint64 ms)
{
    update();
    m_credit = std::min(m_credit, 0.0) - double(ms) * m_perMs;
}

int LinePacer::msUntilNext()
{
    update();
    return std::max(1, int(std::ceil((1.0 - m_credit) / m_perMs)));
}
