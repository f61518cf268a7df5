#include "network/core/socketoptions.h"

#include <QAbstractSocket>

#include <winsock2.h> // first: the others build on it

#include <mstcpip.h>
#include <ws2tcpip.h>

#ifndef TCP_MAXRT
#define TCP_MAXRT 5 // ws2ipdef.h: seconds a send may go unacknowledged; MinGW's headers lack it
#endif

namespace SocketOptions {

void tune(QAbstractSocket &socket)
{
    const SOCKET s = SOCKET(socket.socketDescriptor());
    const BOOL on = TRUE;
    const DWORD maxRetransmitSeconds = DeadAfterSeconds;
    // Each is a wish: a system without one keeps its default, and the upload still works.
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
    setsockopt(s, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char *>(&maxRetransmitSeconds),
               sizeof maxRetransmitSeconds);
    tcp_keepalive keepalive{};
    keepalive.onoff = 1;
    keepalive.keepalivetime = 10000;
    keepalive.keepaliveinterval = 2000;
    DWORD returned = 0;
    WSAIoctl(s, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &returned, nullptr, nullptr);
}

qint64 unsent(const QAbstractSocket &)
{
    return -1; // Windows does not tell; the line model alone says when the line is done
}

} // namespace SocketOptions
