#include "serial/core/serialportlink.h"

#include "serial/core/portdriver.h"
#include "serial/core/porterror.h"

#include <QSerialPort>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
constexpr int WaitSliceMs = 50;
}

SerialPortLink::SerialPortLink(QSerialPort *port, PortError::Naming naming, QString notOpenReason,
                               const std::atomic<bool> &abort, const std::atomic<bool> *stop)
    : m_port(port)
    , m_naming(std::move(naming))
    , m_notOpenReason(std::move(notOpenReason))
    , m_abort(abort)
    , m_stop(stop)
{ }

bool SerialPortLink::write(const QByteArray &data)
{
    if (!m_port || !m_port->isOpen())
        return fail(m_notOpenReason, false);
    if (m_port->write(data) != data.size())
        return failFromPort();
    return waitUntilQueued(QueueLimit);
}

bool SerialPortLink::drain()
{
    if (!m_port || !m_port->isOpen())
        return fail(m_notOpenReason, false);
    return waitUntilQueued(0) && waitForDriverQueue();
}

QString SerialPortLink::errorDescription() const
{
    return m_error;
}

bool SerialPortLink::waitUntilQueued(qint64 limit)
{
    while (m_port->bytesToWrite() > limit) {
        m_stall.waiting(m_port->bytesToWrite());
        if (m_abort.load())
            return fail(QStringLiteral("The transmission was cancelled."), false);
        // A stopped upload does not wait for the line, which may never move again; one look
        // still tells a line that has failed.
        const bool stop = stopRequested();
        if (!m_port->waitForBytesWritten(stop ? 0 : WaitSliceMs)) {
            const auto error = m_port->error();
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
                return failFromPort();
            m_port->clearError();
        }
        discardInput();
        if (stop)
            break;
    }
    m_stall.moved();
    return true;
}

bool SerialPortLink::waitForDriverQueue()
{
    // Qt's buffer is empty; now wait for the driver's own queue, polling so a stop or a cancel
    // still gets through.
    for (;;) {
        const qint64 queued = PortDriver::queued(*m_port);
        if (queued <= 0 || stopRequested()) {
            m_stall.moved();
            return true;
        }
        m_stall.waiting(queued);
        if (m_abort.load())
            return fail(QStringLiteral("The transmission was cancelled."), false);
        // One character takes about 0.3 ms at 38400 bit/s; sleep roughly as long as the queue needs.
        std::this_thread::sleep_for(std::chrono::microseconds(std::min<qint64>(queued * 250, 10000)));
    }
}

bool SerialPortLink::fail(const QString &description, bool lineLost)
{
    m_error = description;
    m_lineLost = m_lineLost || lineLost;
    return false;
}

bool SerialPortLink::failFromPort()
{
    const auto error = m_port->error();
    const QString text =
        PortError::describeWriteError(m_naming, error, m_port->errorString(), PortDriver::lineGone(*m_port));
    m_port->clearError();
    return fail(text, true);
}

void SerialPortLink::discardInput()
{
    // Nothing the device sends back is used.
    if (m_port->bytesAvailable() > 0)
        m_port->readAll();
}
