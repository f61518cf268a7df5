#include "serial/core/portdriver.h"

// The terminal driver, asked through the port's file descriptor.

#include <QSerialPort>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace PortDriver {

qint64 queued(QSerialPort &port)
{
    int count = 0;
    return ::ioctl(int(port.handle()), TIOCOUTQ, &count) == 0 ? qint64(count) : -1;
}

bool lineGone(QSerialPort &port)
{
    // A hung-up terminal polls as such for good; reads return nothing and writes fail from then on.
    const int fd = int(port.handle());
    pollfd line{fd, POLLOUT, 0};
    return fd >= 0 && ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLNVAL)) != 0;
}

} // namespace PortDriver
