#include "serial/core/serialportworker.h"

#include "base/threadcheck.h"
#include "serial/core/portdriver.h"
#include "serial/core/porterror.h"
#include "serial/core/serialportlink.h"

#include <QSerialPort>

SerialPortWorker::SerialPortWorker() = default;

SerialPortWorker::~SerialPortWorker() = default;

bool SerialPortWorker::open(int port, const PortError::Naming &naming, const LineSettings &line, bool rts,
                            QString *error)
{
    DRELIN_ASSERT_THREAD(this);
    if (!m_port) {
        m_port = std::make_unique<QSerialPort>();
        connect(m_port.get(), &QSerialPort::readyRead, this, &SerialPortWorker::MSComm1_OnComm);
        connect(m_port.get(), &QSerialPort::errorOccurred, this,
                [this](QSerialPort::SerialPortError e) { onErrorOccurred(e); });
    }
    m_naming = naming;
    if (naming.devicePath.isEmpty()) {
        *error = PortError::describeOpenError(port, naming, QSerialPort::DeviceNotFoundError, QString());
        return false;
    }
    m_port->setPortName(naming.devicePath);
    line.applyTo(*m_port); // taken when the port opens
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        *error = PortError::describeOpenError(port, naming, m_port->error(), m_port->errorString());
        m_port->clearError();
        return false;
    }
    applyRts(rts);
    m_lostReason.clear();
    emit openChanged(true);
    return true;
}

void SerialPortWorker::close()
{
    DRELIN_ASSERT_THREAD(this);
    // Flushing may report a dead line, whose handler closes the port: no second close from there.
    if (m_port && m_port->isOpen() && !m_closing) {
        m_closing = true;
        m_port->flush(); // what a stopped frame left queued still goes, as far as the line takes it
        m_port->close();
        m_closing = false;
        emit openChanged(false);
    }
}

bool SerialPortWorker::isOpen() const
{
    return m_port && m_port->isOpen();
}

bool SerialPortWorker::applyLineSettings(const LineSettings &line, QString *error)
{
    DRELIN_ASSERT_THREAD(this);
    if (!isOpen())
        return true; // taken at the next opening
    const bool ok = line.applyTo(*m_port);
    if (!ok) {
        *error = QStringLiteral("%1 does not accept the line settings %2 (%3).")
                     .arg(m_naming.devicePath, line.toString(), m_port->errorString());
        m_port->clearError();
    }
    return ok;
}

void SerialPortWorker::applyRts(bool rts)
{
    DRELIN_ASSERT_THREAD(this);
    // A device without modem lines (a pseudo-terminal) refuses RTS; that is no concern of the operator's.
    if (isOpen() && !m_port->setRequestToSend(rts))
        m_port->clearError();
}

void SerialPortWorker::run(const std::function<void(SerialLink &)> &job, const std::atomic<bool> &abort,
                           const std::atomic<bool> *stop, qint64 stallAfterMs)
{
    DRELIN_ASSERT_THREAD(this);
    const QString notOpen = !m_lostReason.isEmpty()
        ? m_lostReason
        : PortError::describeWriteError(m_naming, QSerialPort::NotOpenError, QString(), false);
    SerialPortLink link(isOpen() ? m_port.get() : nullptr, m_naming, notOpen, abort, stop);
    link.watchForStalls(stallAfterMs, [this](bool stalled) { emit lineStalled(stalled); });
    m_running = true;
    job(link);
    m_running = false;
    if (link.lineLost()) {
        m_lostReason = link.errorDescription();
        close();
    }
}

void SerialPortWorker::shutdown()
{
    DRELIN_ASSERT_THREAD(this);
    close();
    m_port.reset();
}

void SerialPortWorker::MSComm1_OnComm()
{
    DRELIN_ASSERT_THREAD(this);
    // Received data is read and discarded; the device's answers mean nothing to the program.
    if (m_port)
        m_discarded += m_port->readAll().size();
}

void SerialPortWorker::onErrorOccurred(int error)
{
    // A line lost while idle (adapter pulled out, far end hung up): close, so the operator sees a
    // closed port and can reopen it, and Qt stops reporting the dead line over and over.
    // During a transmission the link reports the failure itself.
    if (m_running || !isOpen())
        return;
    const bool lost = error == QSerialPort::ResourceError
        || ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && PortDriver::lineGone(*m_port));
    if (lost) {
        m_lostReason =
            PortError::describeWriteError(m_naming, QSerialPort::SerialPortError(error), m_port->errorString(), true);
        m_port->clearError();
        close();
    }
}
