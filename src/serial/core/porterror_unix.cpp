#include "serial/core/porterror.h"

// Devices on Unix are files: missing, or not permitted to the user's groups.

#include "base/localpath.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

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

QString systemOpenError(const QString &subject, const Naming &naming, QSerialPort::SerialPortError error)
{
    const QString &devicePath = naming.devicePath;
    if (error == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(devicePath)) {
        return QStringLiteral("%1: there is no serial device at %2. Check that the cable or USB adapter is "
                              "plugged in, or choose another port.")
            .arg(subject, naming.labelled() ? QStringLiteral("that path") : devicePath);
    }
    if (permissionDenied(devicePath)) {
        QString group = deviceGroup(devicePath);
        if (group.isEmpty())
            group = QStringLiteral("dialout");
        return QStringLiteral("%1: permission denied for %2. Add your user to the group \"%3\" "
                              "(sudo usermod -aG %3 $USER), then log out and log in again.")
            .arg(subject, naming.labelled() ? QStringLiteral("the device") : devicePath, group);
    }
    return QString();
}

QString holders(const QString &devicePath)
{
    // Every process's open files are links in /proc/PID/fd; the ones that lead to this device
    // name its holders. Only the processes this user may look into are seen.
    struct stat device
    {
    };
    if (::stat(LocalPath::encode(devicePath).constData(), &device) != 0)
        return QString();
    const auto same = [&device](const struct stat &other) {
        return S_ISCHR(device.st_mode) ? S_ISCHR(other.st_mode) && other.st_rdev == device.st_rdev
                                       : other.st_dev == device.st_dev && other.st_ino == device.st_ino;
    };
    const QString self = QString::number(::getpid());
    QStringList found;
    for (const QString &process : LocalPath::entries(QStringLiteral("/proc"), LocalPath::Kind::Folders)) {
        bool numeric = false;
        process.toInt(&numeric);
        if (!numeric || process == self)
            continue;
        const QString fds = QStringLiteral("/proc/%1/fd/").arg(process);
        const QStringList open = LocalPath::entries(fds, LocalPath::Kind::Files);
        const bool holds = std::any_of(open.begin(), open.end(), [&](const QString &fd) {
            struct stat target
            {
            };
            return ::stat(LocalPath::encode(fds + fd).constData(), &target) == 0 && same(target);
        });
        if (!holds)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(process));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                                            : QStringLiteral("a program");
        found << QStringLiteral("%1, process %2").arg(name, process);
    }
    return found.join(QStringLiteral("; "));
}

} // namespace PortError
