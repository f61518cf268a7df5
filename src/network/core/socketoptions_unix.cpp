#include "network/core/socketoptions.h"

#include <QAbstractSocket>

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace SocketOptions {

void tune(QAbstractSocket &socket)
{
    const int fd = int(socket.socketDescriptor());
    const int on = 1;
    const int idleSeconds = 10;
    const int intervalSeconds = 2;
    const int probes = 3;
    const unsigned int userTimeoutMs = DeadAfterSeconds * 1000;
    // Each is a wish: a system without one keeps its default, and the upload still works.
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

qint64 unsent(const QAbstractSocket &socket)
{
    int queued = 0;
    if (ioctl(int(socket.socketDescriptor()), SIOCOUTQNSD, &queued) != 0)
        return -1;
    return queued;
}

} // namespace SocketOptions
