#include "serial/core/serialportworker.h"

#include "base/threadcheck.h"
#include "network/core/deviceaddress.h"
#include "network/core/networkconnection.h"
#include "serial/core/networklink.h"
#include "serial/core/portdriver.h"
#include "serial/core/porterror.h"
#include "serial/core/serialportlink.h"

#include <QSerialPort>
#include <QTcpSocket>

SerialPortWorker::SerialPortWorker() = default;

SerialPortWorker::~SerialPortWorker() = default;

bool SerialPortWorker::open(int port, const PortError::Naming &naming, const LineSettings &line, bool rts,
                            QString *error)
{
    DRELIN_ASSERT_THREAD(this);
    m_openNote.clear();
    if (DeviceAddress::isNetworkText(naming.devicePath))
        return openServer(port, naming, line, error);
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

bool SerialPortWorker::openServer(int port, const PortError::Naming &naming, const LineSettings &line, QString *error)
{
    m_naming = naming;
    const QString subject = naming.labelled() ? naming.label : QStringLiteral("Com%1").arg(port);
    m_serverSubject = subject;
    QString reason;
    const auto address = DeviceAddress::parse(naming.devicePath, &reason);
    NetworkConnection::Line far;
    far.baud = quint32(line.baudRate);
    far.dataBits = quint8(line.dataBits);
    far.parity = line.parity != QSerialPort::NoParity;
    far.stopBits = line.stopBits == QSerialPort::TwoStop ? 2 : 1;
    // A label names the server already.
    const QString named = naming.labelled() ? QStringLiteral("the device server") : QString();
    auto server = address ? std::make_unique<NetworkConnection>(*address, far, named) : nullptr;
    if (!server || !server->open(&reason)) {
        *error = QStringLiteral("%1: %2").arg(subject, reason);
        return false;
    }
    m_openNote = server->note().isEmpty() ? QString() : QStringLiteral("%1: %2").arg(subject, server->note());
    m_server = std::move(server);
    watchServer();
    m_lostReason.clear();
    emit openChanged(true);
    return true;
}

void SerialPortWorker::watchServer()
{
    QTcpSocket &socket = m_server->socket();
    socket.disconnect(this);
    connect(&socket, &QTcpSocket::readyRead, this, &SerialPortWorker::onServerData);
    connect(&socket, &QTcpSocket::disconnected, this, &SerialPortWorker::onServerData);
}

void SerialPortWorker::onServerData()
{
    if (m_running || !m_server)
        return;
    if (!m_server->service(0)) {
        m_lostReason = QStringLiteral("%1: the connection was lost: %2").arg(m_serverSubject, m_server->failure());
        close();
    }
}

void SerialPortWorker::close()
{
    DRELIN_ASSERT_THREAD(this);
    if (m_server) {
        auto server = std::move(m_server);
        server->socket().disconnect(this);
        server->close();
        emit openChanged(false);
        return;
    }
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
    return (m_port && m_port->isOpen()) || m_server != nullptr;
}

bool SerialPortWorker::applyLineSettings(const LineSettings &line, QString *error)
{
    DRELIN_ASSERT_THREAD(this);
    if (!isOpen() || m_server)
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
    if (isOpen() && !m_server && !m_port->setRequestToSend(rts))
        m_port->clearError();
}

template<typename Link> void SerialPortWorker::runOn(Link &link, const std::function<void(SerialLink &)> &job)
{
    m_running = true;
    job(link);
    m_running = false;
    if (link.lineLost()) {
        m_lostReason = link.errorDescription();
        close();
    }
}

void SerialPortWorker::run(const std::function<void(SerialLink &)> &job, const std::atomic<bool> &abort,
                           const std::atomic<bool> *stop, qint64 stallAfterMs, int reconnectSeconds)
{
    DRELIN_ASSERT_THREAD(this);
    const QString notOpen = !m_lostReason.isEmpty()
        ? m_lostReason
        : PortError::describeWriteError(m_naming, QSerialPort::NotOpenError, QString(), false);
    const auto stalled = [this](bool stalled) { emit lineStalled(stalled); };
    if (m_server) {
        NetworkLink link(m_server.get(), m_serverSubject, notOpen, abort, stop, reconnectSeconds);
        link.watchForStalls(stallAfterMs, stalled);
        runOn(link, job);
        if (m_server)
            watchServer(); // a reconnection made a new socket
        return;
    }
    SerialPortLink link(isOpen() ? m_port.get() : nullptr, m_naming, notOpen, abort, stop);
    link.watchForStalls(stallAfterMs, stalled);
    runOn(link, job);
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
    if (m_running || !m_port || !m_port->isOpen())
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
