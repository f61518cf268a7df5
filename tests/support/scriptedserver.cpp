#include "scriptedserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Telnet's commands and the options the server knows.
constexpr quint8 Se = 240;
constexpr quint8 Sb = 250;
constexpr quint8 Will = 251;
constexpr quint8 Wont = 252;
constexpr quint8 Do = 253;
constexpr quint8 Dont = 254;
constexpr quint8 Iac = 255;
constexpr quint8 Binary = 0;
constexpr quint8 Echo = 1;
constexpr quint8 SuppressGoAhead = 3;
constexpr quint8 ComPort = 44;

// COM-PORT-OPTION's codes, as the client sends them; the server answers with code + 100.
constexpr quint8 SetBaudRate = 1;
constexpr quint8 SetControl = 5;
constexpr quint8 ServerOffset = 100;
constexpr quint8 FlowControlSuspend = 108;
constexpr quint8 FlowControlResume = 109;

QByteArray bytes(std::initializer_list<quint8> values)
{
    QByteArray result;
    for (const quint8 value : values)
        result += char(value);
    return result;
}

QByteArray subnegotiation(quint8 code, QByteArray value)
{
    return bytes({Iac, Sb, ComPort, code}) + value.replace("\xff", "\xff\xff") + bytes({Iac, Se});
}

QByteArray baudRate(quint32 bitsPerSecond)
{
    return bytes(
        {quint8(bitsPerSecond >> 24), quint8(bitsPerSecond >> 16), quint8(bitsPerSecond >> 8), quint8(bitsPerSecond)});
}

// ser2net's opening, then its words to a client that came second.
QByteArray busyAnswer()
{
    return bytes({Iac, Will, SuppressGoAhead, Iac, Do,   SuppressGoAhead, Iac, Will, Echo,   Iac, Dont, Echo,
                  Iac, Do,   Binary,          Iac, Will, Binary,          Iac, Do,   ComPort})
        + "Port already in use\r\n";
}

} // namespace

ScriptedServer::ScriptedServer(Mode mode, int characters, QObject *parent)
    : QObject(parent)
    , m_mode(mode)
    , m_characters(characters)
{
    m_clock.start();
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::accept);
    m_server.listen(QHostAddress::LocalHost);
}

void ScriptedServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connections;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (m_mode == Busy && !m_sessions.empty()) {
            socket->write(busyAnswer());
            socket->disconnectFromHost();
            continue;
        }
        m_sessions[socket] = Session();
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { m_sessions.erase(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
    }
}

void ScriptedServer::read(QTcpSocket *socket)
{
    const QByteArray arrived = socket->readAll();
    for (const char byte : arrived) {
        if (m_sessions.count(socket) == 0 || !take(socket, quint8(byte)))
            return; // closed: what came after is dropped
    }
}

bool ScriptedServer::take(QTcpSocket *socket, quint8 byte)
{
    if (m_mode == Raw)
        return takeData(socket, byte);
    Session &session = m_sessions[socket];
    switch (session.state) {
    case Session::Data:
        if (byte == Iac) {
            session.state = Session::Iac;
            return true;
        }
        return takeData(socket, byte);
    case Session::Iac:
        session.state = Session::Data;
        if (byte == Iac)
            return takeData(socket, byte);
        if (byte >= Will && byte <= Dont) {
            session.verb = byte;
            session.state = Session::Verb;
        } else if (byte == Sb) {
            session.sub.clear();
            session.state = Session::Sub;
        }
        return true; // any other command is a no-operation here
    case Session::Verb:
        session.state = Session::Data;
        answerOption(socket, session.verb, byte);
        return true;
    case Session::Sub:
        if (byte == Iac)
            session.state = Session::SubIac;
        else
            session.sub += char(byte);
        return true;
    case Session::SubIac:
        if (byte == Iac) {
            session.sub += char(byte);
            session.state = Session::Sub;
            return true;
        }
        session.state = Session::Data; // IAC SE, or a broken subnegotiation ended anyway
        answerSetting(socket, session.sub);
        return true;
    }
    return true;
}

bool ScriptedServer::takeData(QTcpSocket *socket, quint8 byte)
{
    m_received += char(byte);
    m_arrivalsMs.append(m_clock.elapsed());
    if (m_suspended)
        ++m_whileSuspended;
    if (m_triggered || m_received.size() != m_characters)
        return true;
    if (m_mode == CloseAfter) {
        m_triggered = true;
        m_sessions.erase(socket);
        socket->disconnectFromHost();
        return false;
    }
    if (m_mode == Suspend) {
        m_triggered = true;
        m_suspended = true;
        send(socket, subnegotiation(FlowControlSuspend, {}));
        QTimer::singleShot(SuspendMs, this, [this, socket = QPointer<QTcpSocket>(socket)] { resume(socket); });
    }
    return true;
}

void ScriptedServer::resume(QTcpSocket *socket)
{
    m_suspended = false;
    if (socket)
        send(socket, subnegotiation(FlowControlResume, {}));
}

void ScriptedServer::answerOption(QTcpSocket *socket, quint8 verb, quint8 option)
{
    if (verb == Wont || verb == Dont)
        return; // already off: nothing to answer
    const bool known = option == Binary || option == SuppressGoAhead || (option == ComPort && m_mode != RefuseOption);
    if (verb == Will)
        send(socket, bytes({Iac, known ? Do : Dont, option}));
    else
        send(socket, bytes({Iac, known ? Will : Wont, option}));
}

void ScriptedServer::answerSetting(QTcpSocket *socket, const QByteArray &sub)
{
    if (m_mode == RefuseOption || sub.size() < 2 || quint8(sub.at(0)) != ComPort)
        return;
    const quint8 code = quint8(sub.at(1));
    if (code < SetBaudRate || code > SetControl)
        return;
    QByteArray value = sub.mid(2);
    if (code == SetBaudRate && m_mode == RefuseSpeed)
        value = baudRate(0);
    else if (code == SetBaudRate && m_mode == OtherSpeed)
        value = baudRate(9600);
    send(socket, subnegotiation(code + ServerOffset, value));
}

void ScriptedServer::send(QTcpSocket *socket, const QByteArray &bytes)
{
    if (m_mode != NeverAnswer)
        socket->write(bytes);
}
