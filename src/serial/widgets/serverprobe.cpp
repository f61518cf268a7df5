#include "serial/widgets/serverprobe.h"

#include <QTcpSocket>

namespace {

QString refusalInWords(const QTcpSocket &socket)
{
    switch (socket.error()) {
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("Host not found: check the server's name.");
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Connection refused: the server is not running, or the TCP port is wrong.");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("No answer: check the address, the network and that the server is on.");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("The server closed the connection at once: it may be busy with another client.");
    default:
        return QStringLiteral("The server cannot be reached: %1.").arg(socket.errorString());
    }
}

} // namespace

ServerProbe::ServerProbe(QObject *parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(TimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        finish(false,
               QStringLiteral("No answer within %1 seconds: check the address, the network and that the "
                              "server is on.")
                   .arg(TimeoutMs / 1000));
    });
}

void ServerProbe::start(const QString &host, quint16 port)
{
    stop();
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] { finish(true, QStringLiteral("The server answers.")); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { finish(false, refusalInWords(*m_socket)); });
    m_timeout.start();
    m_socket->connectToHost(host, port);
}

void ServerProbe::stop()
{
    m_timeout.stop();
    if (!m_socket)
        return;
    // Whatever the dropped attempt still does reaches nobody.
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void ServerProbe::finish(bool answers, const QString &verdict)
{
    stop();
    emit finished(answers, verdict);
}
