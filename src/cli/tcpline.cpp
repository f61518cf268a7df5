#include "cli/tcpline.h"

#include "cli/listener.h"
#include "cli/pacing.h"
#include "cli/socketbuffer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace {

// How long a wait for a client or its characters lasts before the loop looks at the rest again.
constexpr int WaitMs = 200;
// Paced, the system holds only a few KB the device has not read, as a device server does, so a
// sender that writes faster than the line is held up rather than told its characters are gone.
constexpr int PacedReceiveBytes = 8192;
// What Qt reads ahead is not paced.
constexpr qint64 PacedReadAhead = 64;

bool refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool isNumber(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Splits "[ADDRESS:]PORT" at the colon before the port; false, with what is wrong, when the text
// cannot be split so.
bool split(const QString &text, std::optional<QString> *address, QString *port, QString *error)
{
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0 || (close + 1 < text.size() && text.at(close + 1) != u':'))
            return refuse(error,
                          QStringLiteral("--listen takes [ADDRESS:]PORT, as in 4001, 127.0.0.1:4001 or [::1]:4001, "
                                         "not \"%1\"")
                              .arg(text));
        *address = text.mid(1, close - 1);
        *port = text.mid(close + 2);
        return true;
    }
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon >= 0 && text.left(colon).contains(u':'))
        return refuse(
            error,
            QStringLiteral("--listen takes an IPv6 address in brackets, as in [::1]:4001, not \"%1\"").arg(text));
    if (colon >= 0)
        *address = text.left(colon);
    *port = text.mid(colon + 1);
    return true;
}

// Why a server could not listen, in words that say what to do.
QString whyNot(const QTcpServer &server)
{
    switch (server.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("another program listens on that port; give another, or 0 for a free one");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("this computer has no such address");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("not allowed to listen there (ports below 1024 need administrator rights)");
    default:
        return server.errorString();
    }
}

} // namespace

std::optional<TcpLine::Endpoint> TcpLine::parse(const QString &text, QString *error)
{
    std::optional<QString> address; // none given
    QString port;
    if (!split(text, &address, &port, error))
        return std::nullopt;
    Endpoint endpoint;
    if (address && !endpoint.address.setAddress(*address)) {
        refuse(error,
               QStringLiteral("--listen takes an IP address such as 127.0.0.1 or [::1], not \"%1\"").arg(*address));
        return std::nullopt;
    }
    if (port.isEmpty()) {
        refuse(error, QStringLiteral("--listen needs a TCP port, as in 4001 or 127.0.0.1:4001, not \"%1\"").arg(text));
        return std::nullopt;
    }
    bool ok = false;
    const uint number = port.toUInt(&ok);
    if (!isNumber(port) || !ok || number > 65535) {
        refuse(error, QStringLiteral("--listen takes a TCP port from 0 to 65535, not \"%1\"").arg(port));
        return std::nullopt;
    }
    endpoint.port = quint16(number);
    return endpoint;
}

QString TcpLine::toString(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(address.toString())
        : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

TcpLine::TcpLine(Listener &listener, Pacing &pacing)
    : m_listener(listener)
    , m_pacing(pacing)
{ }

bool TcpLine::listen(const Endpoint &endpoint, QTextStream &out, QTextStream &err, const std::atomic<int> &interrupts)
{
    QTcpServer server;
    if (!server.listen(endpoint.address, endpoint.port)) {
        err << QStringLiteral("Cannot listen on %1: %2").arg(toString(endpoint.address, endpoint.port), whyNot(server))
            << Qt::endl;
        return false;
    }
    // Set on the listening socket, so the first window a client is offered is already this small.
    if (m_pacing.paces())
        SocketBuffer::limitReceiving(server.socketDescriptor(), PacedReceiveBytes);
    out << toString(server.serverAddress(), server.serverPort()) << Qt::endl;

    std::unique_ptr<QTcpSocket> client;
    while (interrupts.load() == 0) {
        if (!client) {
            server.waitForNewConnection(WaitMs);
            client.reset(server.nextPendingConnection());
            if (!client)
                continue;
            if (m_pacing.paces())
                client->setReadBufferSize(PacedReadAhead);
        }
        turnAway(server);
        if (!serve(*client)) {
            m_listener.end();
            client.reset();
        }
    }
    return true;
}

bool TcpLine::serve(QTcpSocket &client)
{
    const qint64 room = m_pacing.room(1 << 16);
    if (room > 0 && client.bytesAvailable() == 0 && client.state() == QAbstractSocket::ConnectedState)
        client.waitForReadyRead(WaitMs);
    const QByteArray bytes = room > 0 ? client.read(room) : QByteArray();
    m_pacing.took(bytes.size(), m_listener.take(bytes));
    return client.state() == QAbstractSocket::ConnectedState || client.bytesAvailable() > 0;
}

void TcpLine::turnAway(QTcpServer &server)
{
    server.waitForNewConnection(0);
    while (QTcpSocket *next = server.nextPendingConnection()) {
        const std::unique_ptr<QTcpSocket> newcomer(next);
        newcomer->write(BusyLine);
        newcomer->disconnectFromHost();
        if (newcomer->state() != QAbstractSocket::UnconnectedState)
            newcomer->waitForDisconnected(WaitMs);
    }
}
