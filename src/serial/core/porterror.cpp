#include "serial/core/porterror.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace PortError {

QString deviceGroup(const QString &devicePath)
{
#ifndef Q_OS_WIN
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(devicePath).constData(), &info) != 0)
        return QString();
    if (const struct group *owner = ::getgrgid(info.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return QString::number(info.st_gid);
#else
    Q_UNUSED(devicePath);
    return QString();
#endif
}

static bool permissionDenied(const QString &devicePath)
{
#ifndef Q_OS_WIN
    // As the effective user, the one the port is opened as.
    return ::faccessat(AT_FDCWD, QFile::encodeName(devicePath).constData(), R_OK | W_OK, AT_EACCESS) != 0
        && errno == EACCES;
#else
    Q_UNUSED(devicePath);
    return false;
#endif
}

QString describeOpenError(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                          const QString &systemText)
{
    const QString name = QStringLiteral("Com%1").arg(port);
    if (devicePath.isEmpty())
        return QStringLiteral("%1 is not a port number this program knows. Choose Com1 to Com16.").arg(name);

#ifndef Q_OS_WIN
    if (error == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(devicePath)) {
        return QStringLiteral("%1: there is no serial device at %2. Check that the cable or USB adapter is "
                              "plugged in, or choose another port.")
            .arg(name, devicePath);
    }
    if (permissionDenied(devicePath)) {
        QString group = deviceGroup(devicePath);
        if (group.isEmpty())
            group = QStringLiteral("dialout");
        return QStringLiteral("%1: permission denied for %2. Add your user to the group \"%3\" "
                              "(sudo usermod -aG %3 $USER), then log out and log in again.")
            .arg(name, devicePath, group);
    }
#endif
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError) {
        return QStringLiteral("%1: %2 is already in use by another program. Close that program or choose "
                              "another port.")
            .arg(name, devicePath);
    }
    return QStringLiteral("%1: %2 could not be opened (%3).").arg(name, devicePath, systemText);
}

bool lineHungUp(qintptr handle)
{
#ifndef Q_OS_WIN
    // A hung-up terminal polls as such for good; reads return nothing and writes fail from then on.
    pollfd line{int(handle), POLLOUT, 0};
    return handle >= 0 && ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLNVAL)) != 0;
#else
    Q_UNUSED(handle);
    return false; // Windows reports an unplugged adapter as a resource error
#endif
}

QString describeWriteError(const QString &devicePath, QSerialPort::SerialPortError error, const QString &systemText,
                           bool lineLost)
{
    if (error == QSerialPort::NotOpenError)
        return QStringLiteral("The serial port is not open. Choose a working port in Properties.");
    if (lineLost || error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError) {
        return QStringLiteral("The connection to %1 was lost: the adapter was unplugged or the line hung up. "
                              "Reconnect it, then choose the port in Properties and press OK.")
            .arg(devicePath);
    }
    if (systemText.isEmpty())
        return QStringLiteral("Writing to %1 failed. Check the cable and the device, then try again.").arg(devicePath);
    return QStringLiteral("Writing to %1 failed (%2). Check the cable and the device, then try again.")
        .arg(devicePath, systemText);
}

} // namespace PortError
