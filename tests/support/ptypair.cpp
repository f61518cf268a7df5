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
    // A program the test starts must not keep the far end open: hanging up would not reach it.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
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

QByteArray PtyPair::read(qint64 count, int timeoutMs)
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
        if (got > 0)
            result.append(buffer, got);
        else if (got < 0 && errno != EAGAIN && errno != EINTR)
            ::usleep(1000); // no one has the device open (EIO); wait for the program
    }
    return result;
}

bool PtyPair::waitForData(int timeoutMs) const
{
    pollfd descriptor{m_master, POLLIN, 0};
    return m_master >= 0 && ::poll(&descriptor, 1, timeoutMs) > 0;
}

QByteArray PtyPair::readNow(qint64 most, bool *hungUp)
{
    char buffer[65536];
    const ssize_t got = m_master < 0 ? -1 : ::read(m_master, buffer, size_t(qMin<qint64>(sizeof buffer, most)));
    *hungUp = got < 0 && errno == EIO;
    return got > 0 ? QByteArray(buffer, int(got)) : QByteArray();
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
