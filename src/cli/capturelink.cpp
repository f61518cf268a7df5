#include "cli/capturelink.h"

#include <QFileDevice>

CaptureLink::CaptureLink(QIODevice *out)
    : m_out(out)
{ }

bool CaptureLink::write(const QByteArray &data)
{
    if (m_out->write(data) == data.size())
        return true;
    m_error = QStringLiteral("Writing the capture failed: %1").arg(m_out->errorString());
    return false;
}

qint64 CaptureLink::nowMs() const
{
    return m_clock.nowMs();
}
