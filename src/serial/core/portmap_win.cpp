#include "serial/core/portmap.h"

// Ports on Windows are the system's COM1 to COM16; the ones past 9 only by their device name.

namespace PortMap {

namespace {

// "COM3" for "COM3", "\\.\COM3" and "\\.\com3".
QString portName(const QString &devicePath)
{
    const QLatin1String deviceSpace("\\\\.\\");
    return (devicePath.startsWith(deviceSpace) ? devicePath.mid(deviceSpace.size()) : devicePath).toUpper();
}

} // namespace

QString tableDevicePath(int port)
{
    if (port < FirstPort || port > LastPort)
        return QString();
    return port <= 9 ? QStringLiteral("COM%1").arg(port) : QStringLiteral("\\\\.\\COM%1").arg(port);
}

Presence presence(const QString &devicePath, const QList<PortDetails> &available, PortDetails *found)
{
    if (devicePath.isEmpty())
        return Presence::NoPath;
    for (const PortDetails &port : available) {
        if (portName(port.systemLocation) == portName(devicePath)) {
            if (found)
                *found = port;
            return Presence::Adapter;
        }
    }
    return Presence::Missing;
}

} // namespace PortMap
