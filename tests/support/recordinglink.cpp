#include "recordinglink.h"

bool RecordingLine::write(const QByteArray &data)
{
    if (failWritesFrom >= 0 && m_writes >= failWritesFrom) {
        m_error = failureText;
        ++m_writes;
        return false;
    }
    ++m_writes;
    record({LineEvent::Write, data, 0});
    return true;
}

bool RecordingLine::drain()
{
    record({LineEvent::Drain, {}, 0});
    return true;
}

void RecordingLine::pauseMs(qint64 ms)
{
    m_now += ms;
    record({LineEvent::Pause, {}, ms});
}

QByteArray RecordingLine::written() const
{
    QByteArray all;
    for (const LineEvent &event : events) {
        if (event.kind == LineEvent::Write)
            all += event.text;
    }
    return all;
}

void RecordingLine::record(const LineEvent &event)
{
    events.append(event);
    if (afterEvent)
        afterEvent(int(events.size()) - 1, events.last());
}
