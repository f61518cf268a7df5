#include "cli/pseudoterminal.h"

// A Unix 98 pseudo-terminal: the program listens on its multiplexer side.

#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace PseudoTerminal {

bool available()
{
    return true;
}

bool listen(const std::function<void(const QByteArray &)> &take, const std::function<qint64(qint64)> &room,
            QTextStream &out, QTextStream &err, const std::atomic<int> &interrupts)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        err << QStringLiteral("Cannot make a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)))
            << Qt::endl;
        if (master >= 0)
            ::close(master);
        return false;
    }
    const QByteArray slaveName = ::ptsname(master);
    // Holding the far end open keeps the line up between uploads, so reads never see a hang-up.
    const int slave = ::open(slaveName.constData(), O_RDWR | O_NOCTTY);
    termios raw{};
    for (const int fd : {master, slave}) {
        if (fd >= 0 && ::tcgetattr(fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(fd, TCSANOW, &raw);
        }
    }
    out << slaveName << Qt::endl;

    char buffer[65536];
    while (interrupts.load() == 0) {
        const qint64 allowed = room(qint64(sizeof buffer));
        pollfd wait{master, POLLIN, 0};
        QByteArray bytes;
        if (allowed > 0 && ::poll(&wait, 1, 200) > 0 && (wait.revents & POLLIN)) {
            const ssize_t got = ::read(master, buffer, size_t(allowed));
            if (got > 0)
                bytes = QByteArray(buffer, int(got));
        }
        take(bytes);
    }
    if (slave >= 0)
        ::close(slave);
    ::close(master);
    return true;
}

} // namespace PseudoTerminal
