#include "porterror.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace PortError {

QString deviceGroup(const QString &devicePath)
{
#ifndef Q_OS_WIN
    struct stat info {};
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

QString describeWriteError(const QString &devicePath, QSerialPort::SerialPortError error,
                           const QString &systemText)
{
    if (error == QSerialPort::NotOpenError)
        return QStringLiteral("The serial port is not open. Choose a working port in Properties.");
    return QStringLiteral("Writing to %1 failed: the device stopped answering or was disconnected (%2).")
        .arg(devicePath, systemText);
}

} // namespace PortError
