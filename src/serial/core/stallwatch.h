#pragma once

#include <QtGlobal>

#include <functional>

// Tells when the line has taken no character for a while during the waits for it, and when it
// moves again, so the window can say why nothing happens.
class StallWatch
{
public:
    using Report = std::function<void(bool stalled)>;

    StallWatch() = default;
    StallWatch(qint64 afterMs, Report report);
    ~StallWatch(); // a stall still told is taken back

    // Called over and over while waiting, with what is still queued for the line.
    void waiting(qint64 queued);
    // A wait ended with the line having taken what it waited for.
    void moved();

private:
    qint64 m_afterMs = 0;
    Report m_report;
    qint64 m_lastQueued = -1;
    qint64 m_sinceMs = 0;
    bool m_stalled = false;
};
