#include "serial/core/porterror.h"

// Devices on Unix are files: missing, or not permitted to the user's groups.

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PortError {

namespace {

// The group that owns the device file, usually "dialout"; empty when unknown.
QString deviceGroup(const QString &devicePath)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(devicePath).constData(), &info) != 0)
        return QString();
    if (const struct group *owner = ::getgrgid(info.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return QString::number(info.st_gid);
}

bool permissionDenied(const QString &devicePath)
{
    // As the effective user, the one the port is opened as.
    return ::faccessat(AT_FDCWD, QFile::encodeName(devicePath).constData(), R_OK | W_OK, AT_EACCESS) != 0
        && errno == EACCES;
}

} // namespace

QString systemOpenError(const QString &name, const QString &devicePath, QSerialPort::SerialPortError error)
{
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
    return QString();
}

} // namespace PortError
