#pragma once

#include "base/clock.h"
#include "cli/linepacer.h"

#include <QtGlobal>

#include <optional>

// drelin-device's reading at the pace of a line. With a line rate, only as much is taken as the
// line carries; the rest waits in the system's buffers and holds up the sender as a real line
// does. Where the sender pauses, the line carries nothing for the pause: a sender that is ahead (a
// pseudo-terminal buffers some 20 KB and tells it they are gone) pauses while the device still
// reads, which a real line never lets happen. Without one, everything is taken as it comes.
class Pacing
{
public:
    // The longest wait in room(), so a loop that watches other things too comes back to them.
    static constexpr int MostWaitMs = 200;

    // baud 0: no pacing.
    explicit Pacing(int baud);

    bool paces() const { return m_pacer.has_value(); }
    // How many characters to take at most now; 0 after waiting a moment when the line has none yet.
    qint64 room(qint64 most);
    // count characters were taken, and they reached this many of the sender's pauses.
    void took(qint64 count, int pauses);

private:
    SteadyClock m_clock;
    std::optional<LinePacer> m_pacer;
};
