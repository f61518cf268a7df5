#pragma once

#include "base/clock.h"
#include "frame/seriallink.h"

#include <QString>

class OutputFile;

// A line that writes exactly what a port would send into a file: no drains and no pauses, so a
// whole upload is captured at once.
class CaptureLink : public SerialLink, public Clock
{
public:
    // Its errors start with label, as the destination's messages do.
    CaptureLink(OutputFile *out, const QString &label);

    bool write(const QByteArray &data) override;
    bool drain() override { return true; }
    QString errorDescription() const override { return m_error; }

    qint64 nowMs() const override;
    void pauseMs(qint64) override { }

private:
    OutputFile *m_out;
    QString m_label;
    QString m_error;
    SteadyClock m_clock;
};
