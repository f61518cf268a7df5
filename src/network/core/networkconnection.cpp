#include "network/core/networkconnection.h"

#include "network/core/socketoptions.h"

#include <QTcpSocket>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr int BusyLookMs = 250; // a busy server hangs up on a new client at once

QString parityName(quint8 value)
{
    switch (value) {
    case 1:
        return QStringLiteral("none");
    case 2:
        return QStringLiteral("odd");
    case 3:
        return QStringLiteral("even");
    case 4:
        return QStringLiteral("mark");
    case 5:
        return QStringLiteral("space");
    }
    return QString::number(value);
}

QString stopBitsName(quint8 value)
{
    return value == 3 ? QStringLiteral("1.5") : QString::number(value);
}

QString flowControlName(quint8 value)
{
    switch (value) {
    case 1:
        return QStringLiteral("none");
    case 2:
        return QStringLiteral("XON/XOFF");
    case 3:
        return QStringLiteral("hardware");
    }
    return QString::number(value);
}

// One setting asked of an RFC 2217 server and how to tell it in a message.
struct Request
{
    quint8 code;
    QByteArray value;
    QString setting;
    QString (*show)(const QByteArray &value);
};

QString showBaud(const QByteArray &value)
{
    return QStringLiteral("%1 bit/s").arg(Rfc2217Codec::baudValue(value));
}

QString numberName(quint8 value)
{
    return QString::number(value);
}

// A one-byte setting's value in words.
template<QString (*name)(quint8)> QString showByte(const QByteArray &value)
{
    return value.size() == 1 ? name(quint8(value.at(0))) : QStringLiteral("(unreadable)");
}

} // namespace

NetworkConnection::NetworkConnection(DeviceAddress address, Line line, QString subject)
    : m_address(std::move(address))
    , m_subject(subject.isEmpty() ? m_address.describe() : std::move(subject))
    , m_line(line)
    , m_model(int(line.baud), line.bitsPerCharacter())
{ }

NetworkConnection::~NetworkConnection()
{
    if (m_socket)
        m_socket->abort();
}

qint64 NetworkConnection::nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool NetworkConnection::isOpen() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool NetworkConnection::open(QString *error)
{
    m_note.clear();
    m_said.clear();
    m_model = LineModel(int(m_line.baud), m_line.bitsPerCharacter());
    if (!connectToServer(error))
        return false;
    if (m_address.kind() == DeviceAddress::Kind::Raw) {
        m_codec.reset();
        if (!checkNotBusy(error))
            return false;
        m_note = QStringLiteral("%1 is a raw TCP port: its serial settings are the server's own, which this "
                                "program cannot check (the device needs %2 bit/s, 8 data bits, no parity, 2 stop "
                                "bits).")
                     .arg(m_subject)
                     .arg(m_line.baud);
        return true;
    }
    m_codec = std::make_unique<Rfc2217Codec>(Rfc2217Codec::Role::Client);
    return setFarLine(error);
}

bool NetworkConnection::connectToServer(QString *error)
{
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(m_address.host(), m_address.port());
    if (!m_socket->waitForConnected(ConnectTimeoutMs)) {
        *error = describeSocketError();
        m_socket->abort();
        return false;
    }
    SocketOptions::tune(*m_socket);
    return true;
}

bool NetworkConnection::checkNotBusy(QString *error)
{
    const qint64 until = nowUs() + BusyLookMs * 1000;
    while (nowUs() < until) {
        if (!service(until - nowUs())) {
            *error = busy();
            return false;
        }
    }
    return true;
}

bool NetworkConnection::setFarLine(QString *error)
{
    const QVector<Request> requests = {
        {Rfc2217Codec::SetBaudRate, Rfc2217Codec::baudRate(m_line.baud), QStringLiteral("speed"), showBaud},
        {Rfc2217Codec::SetDataSize, QByteArray(1, char(m_line.dataBits)), QStringLiteral("data bits"),
         showByte<numberName>},
        {Rfc2217Codec::SetParity, QByteArray(1, char(m_line.parity ? 3 : Rfc2217Codec::NoParity)),
         QStringLiteral("parity"), showByte<parityName>},
        {Rfc2217Codec::SetStopSize, QByteArray(1, char(m_line.stopBits)), QStringLiteral("stop bits"),
         showByte<stopBitsName>},
        {Rfc2217Codec::SetControl, QByteArray(1, char(Rfc2217Codec::NoFlowControl)), QStringLiteral("flow control"),
         showByte<flowControlName>},
    };
    QByteArray greeting = m_codec->greeting();
    for (const Request &request : requests) {
        // RTS goes just before the last request: a server answers in order, so the last answer with
        // none for RTS before it means RTS will not be answered, and nobody waits for it.
        if (&request == &requests.constLast())
            greeting += Rfc2217Codec::command(Rfc2217Codec::SetControl, Rfc2217Codec::RtsOff);
        greeting += Rfc2217Codec::command(request.code, request.value);
    }
    m_socket->write(greeting);
    m_socket->flush();

    int answered = 0;
    bool rtsAnswered = false;
    const qint64 deadline = nowUs() + AnswerTimeoutMs * 1000LL;
    while (answered < requests.size()) {
        const qint64 now = nowUs();
        if (now >= deadline) {
            *error = unanswered(requests.at(answered).setting);
            return false;
        }
        if (!service(std::min<qint64>(50000, deadline - now))) {
            *error = m_socket->error() == QAbstractSocket::RemoteHostClosedError ? busy() : failure();
            return false;
        }
        if (m_codec->comPortRefused()) {
            *error = QStringLiteral("%1 does not take serial settings (it declined the COM-PORT-OPTION): give it as "
                                    "tcp://%2:%3 if its port is set to %4 bit/s, 8 data bits, no parity, 2 stop bits.")
                         .arg(m_subject, m_address.host())
                         .arg(m_address.port())
                         .arg(m_line.baud);
            return false;
        }
        // The server may also tell what it was not asked; only the answers awaited count.
        for (const Rfc2217Codec::Received &answer : m_codec->takeCommands()) {
            const bool rts = answer.code == Rfc2217Codec::SetControl + Rfc2217Codec::ServerOffset
                && answer.value.size() == 1
                && (quint8(answer.value.at(0)) == Rfc2217Codec::RtsOn
                    || quint8(answer.value.at(0)) == Rfc2217Codec::RtsOff);
            rtsAnswered = rtsAnswered || rts;
            if (rts || answered >= requests.size()
                || answer.code != requests.at(answered).code + Rfc2217Codec::ServerOffset)
                continue;
            const Request &request = requests.at(answered);
            if (answer.value != request.value) {
                *error = QStringLiteral("%1 refused the %2: asked for %3, it answered %4. Nothing was sent.")
                             .arg(m_subject, request.setting, request.show(request.value), request.show(answer.value));
                return false;
            }
            ++answered;
        }
    }
    if (!rtsAnswered)
        m_note = QStringLiteral("%1 did not answer the request to turn RTS off; going on without it.").arg(m_subject);
    return true;
}

QString NetworkConnection::unanswered(const QString &setting) const
{
    if (m_codec->comPortAgreed())
        return QStringLiteral("%1 did not answer the request for its %2 within %3 s.")
            .arg(m_subject, setting)
            .arg(AnswerTimeoutMs / 1000);
    return QStringLiteral("%1 did not answer within %2 s: it took the connection but said nothing (if it is a raw TCP "
                          "port, give it as tcp://%3:%4).")
        .arg(m_subject)
        .arg(AnswerTimeoutMs / 1000)
        .arg(m_address.host())
        .arg(m_address.port());
}

bool NetworkConnection::send(const QByteArray &data)
{
    if (!isOpen())
        return false;
    const QByteArray bytes = m_codec ? Rfc2217Codec::escape(data) : data;
    if (m_socket->write(bytes) != bytes.size())
        return false;
    m_model.sent(data.size(), nowUs());
    m_socket->flush();
    return isOpen();
}

bool NetworkConnection::service(qint64 waitUs)
{
    if (!m_socket)
        return false;
    if (m_socket->bytesAvailable() == 0 && m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->waitForReadyRead(int(std::max<qint64>(0, (waitUs + 999) / 1000)));
    const QByteArray arrived = m_socket->readAll();
    if (m_codec) {
        m_codec->feed(arrived);
        const QByteArray answers = m_codec->takeAnswers();
        if (!answers.isEmpty())
            m_socket->write(answers);
        const QByteArray data = m_codec->takeData();
        m_discarded += data.size();
        if (m_said.size() < 200)
            m_said += data.left(200);
    } else {
        m_discarded += arrived.size();
        if (m_said.size() < 200)
            m_said += arrived.left(200);
    }
    if (m_socket->bytesToWrite() > 0)
        m_socket->flush();
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

qint64 NetworkConnection::unsent() const
{
    if (!m_socket)
        return 0;
    return m_socket->bytesToWrite() + std::max<qint64>(0, SocketOptions::unsent(*m_socket));
}

void NetworkConnection::close()
{
    if (!m_socket)
        return;
    // Hanging up while the far line still sends may cut the tail: a server drops what it holds.
    const qint64 until = std::min(m_model.endUs(), nowUs() + 2000000) + 50000;
    while (isOpen() && nowUs() < until)
        service(until - nowUs());
    m_socket->disconnectFromHost();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->waitForDisconnected(1000);
    m_socket->abort();
}

QString NetworkConnection::failure() const
{
    if (!m_socket)
        return QStringLiteral("%1 is not connected.").arg(m_subject);
    switch (m_socket->error()) {
    case QAbstractSocket::RemoteHostClosedError: {
        const QString said = QString::fromLatin1(m_said).simplified();
        return said.isEmpty() ? QStringLiteral("%1 hung up.").arg(m_subject)
                              : QStringLiteral("%1 hung up, saying \"%2\".").arg(m_subject, said);
    }
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError:
        return QStringLiteral("%1 stopped answering: nothing sent was acknowledged for %2 s (a cable pulled, or the "
                              "server gone).")
            .arg(m_subject)
            .arg(SocketOptions::DeadAfterSeconds);
    default:
        return QStringLiteral("%1: %2.").arg(m_subject, m_socket->errorString());
    }
}

QString NetworkConnection::busy() const
{
    const QString said = QString::fromLatin1(m_said).simplified();
    return QStringLiteral("%1 is busy: it hung up at once, as a server does that already has a client%2. Close the "
                          "other program that uses it, or wait for it to finish.")
        .arg(m_subject, said.isEmpty() ? QString() : QStringLiteral(" (it said \"%1\")").arg(said));
}

QString NetworkConnection::describeSocketError() const
{
    const QString &server = m_subject;
    switch (m_socket->error()) {
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("%1 cannot be found: there is no host named %2.").arg(server, m_address.host());
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("%1 refused the connection: the server is not running, or the port is wrong.")
            .arg(server);
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("%1 did not answer within %2 s.").arg(server).arg(ConnectTimeoutMs / 1000);
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("%1 hung up.").arg(server);
    default:
        return QStringLiteral("%1: %2.").arg(server, m_socket->errorString());
    }
}
