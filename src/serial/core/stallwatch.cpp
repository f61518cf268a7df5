#include "serial/core/stallwatch.h"

#include "base/clock.h"

#include <utility>

StallWatch::StallWatch(qint64 afterMs, Report report)
    : m_afterMs(afterMs)
    , m_report(std::move(report))
{ }

StallWatch::~StallWatch()
{
    moved();
}

void StallWatch::waiting(qint64 queued)
{
    if (!m_report)
        return;
    const qint64 now = monotonicMs();
    if (m_lastQueued < 0 || queued < m_lastQueued) {
        m_sinceMs = now;
        if (std::exchange(m_stalled, false))
            m_report(false);
    } else if (!m_stalled && now - m_sinceMs >= m_afterMs) {
        m_stalled = true;
        m_report(true);
    }
    m_lastQueued = queued;
}

void StallWatch::moved()
{
    m_lastQueued = -1;
    if (std::exchange(m_stalled, false) && m_report)
        m_report(false);
}
