#include "ptypair.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return;
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        hangUp();
        return;
    }
    m_devicePath = QString::fromLocal8Bit(::ptsname(m_master));
    // Raw on the far end too, so every byte arrives as sent.
    termios attributes{};
    if (::tcgetattr(m_master, &attributes) == 0) {
        ::cfmakeraw(&attributes);
        ::tcsetattr(m_master, TCSANOW, &attributes);
    }
}

PtyPair::~PtyPair()
{
    hangUp();
}

QByteArray PtyPair::read(qint64 count, int timeoutMs, bool *hungUp)
{
    QByteArray result;
    QElapsedTimer timer;
    timer.start();
    char buffer[65536];
    while (m_master >= 0 && result.size() < count) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            break;
        pollfd descriptor{m_master, POLLIN, 0};
        if (::poll(&descriptor, 1, int(left)) <= 0)
            continue;
        const ssize_t got = ::read(m_master, buffer, size_t(qMin<qint64>(sizeof buffer, count - result.size())));
        if (got > 0) {
            result.append(buffer, got);
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) { // EIO: no one has the device open
            if (hungUp) {
                *hungUp = true;
                break;
            }
            ::usleep(1000); // wait for the program
        }
    }
    return result;
}

bool PtyPair::write(const QByteArray &data)
{
    return m_master >= 0 && ::write(m_master, data.constData(), size_t(data.size())) == data.size();
}

void PtyPair::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
