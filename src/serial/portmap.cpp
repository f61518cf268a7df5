#include "portmap.h"

#include "portsettings.h"

#include <QFileInfo>

namespace PortMap {

QString tableDevicePath(int port)
{
    if (port < FirstPort || port > LastPort)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    if (port <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    if (port <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 5);
    return QStringLiteral("/dev/ttyACM%1").arg(port - 13);
#endif
}

QString devicePath(int port, const PortSettings &settings)
{
    const QString stored = settings.portOverride(port);
    return stored.isEmpty() ? tableDevicePath(port) : stored;
}

bool isPresent(const QString &devicePath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(devicePath);
    return true; // Windows names no device file; opening tells.
#else
    return !devicePath.isEmpty() && QFileInfo::exists(devicePath);
#endif
}

QString describe(int port, const PortSettings &settings)
{
    const QString path = devicePath(port, settings);
    if (path.isEmpty())
        return QStringLiteral("No device for this number");
    return QStringLiteral("%1 (%2)").arg(path, isPresent(path) ? QStringLiteral("present")
                                                              : QStringLiteral("not present"));
}

} // namespace PortMap
