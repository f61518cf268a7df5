#include "cli/capturelink.h"

#include "base/outputfile.h"

CaptureLink::CaptureLink(OutputFile *out, const QString &label)
    : m_out(out)
    , m_label(label)
{ }

bool CaptureLink::write(const QByteArray &data)
{
    QString why;
    if (m_out->write(data, &why))
        return true;
    m_error = QStringLiteral("%1: writing failed: %2").arg(m_label, why);
    return false;
}

qint64 CaptureLink::nowMs() const
{
    return m_clock.nowMs();
}
