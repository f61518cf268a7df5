#include "serial/core/portmap.h"

// Ports on Unix are device files: UARTs, USB adapters and CDC devices by number, or any device
// (a pseudo-terminal too) through the stored override.

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace PortMap {

namespace {

bool isPseudoTerminal(const QString &canonicalPath)
{
    // Unix 98 pseudo-terminal terminals have majors 136-143; the multiplexer /dev/ptmx is not one.
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(canonicalPath).constData(), &info) == 0 && S_ISCHR(info.st_mode)
        && major(info.st_rdev) >= 136 && major(info.st_rdev) <= 143;
}

} // namespace

QString tableDevicePath(int port)
{
    if (port < FirstPort || port > LastPort)
        return QString();
    if (port <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    if (port <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 5);
    return QStringLiteral("/dev/ttyACM%1").arg(port - 13);
}

Presence presence(const QString &devicePath, const QList<PortDetails> &available, PortDetails *found)
{
    if (devicePath.isEmpty())
        return Presence::NoPath;
    // A /dev/serial/by-id/ link and the node it names are the same port.
    const QString target = QFileInfo(devicePath).canonicalFilePath();
    if (target.isEmpty())
        return Presence::Missing;
    for (const PortDetails &port : available) {
        if (QFileInfo(port.systemLocation).canonicalFilePath() == target) {
            if (found)
                *found = port;
            return Presence::Adapter;
        }
    }
    return isPseudoTerminal(target) ? Presence::PseudoTerminal : Presence::NoDevice;
}

} // namespace PortMap
