#include "cli/pacing.h"

#include "upload/core/frametransmitter.h"

#include <algorithm>

Pacing::Pacing(int baud)
{
    if (baud > 0)
        m_pacer.emplace(baud, m_clock);
}

qint64 Pacing::room(qint64 most)
{
    if (!m_pacer)
        return most;
    const qint64 allowed = std::min(most, m_pacer->allowance());
    if (allowed == 0)
        m_clock.pauseMs(std::min(m_pacer->msUntilNext(), MostWaitMs));
    return allowed;
}

void Pacing::took(qint64 count, int pauses)
{
    if (m_pacer && count > 0)
        m_pacer->take(count);
    if (m_pacer && pauses > 0)
        m_pacer->idle(pauses * FrameTransmitter::PauseMs);
}
