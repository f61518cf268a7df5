#include "portmap.h"

#include "portsettings.h"

#include <QFileInfo>
#include <QStringList>

// What every platform does alike; the table and what counts as present are in portmap_unix.cpp
// and portmap_win.cpp.
namespace PortMap {

QString devicePath(int port, const PortSettings &settings)
{
    const QString stored = settings.portOverride(port);
    return stored.isEmpty() ? tableDevicePath(port) : stored;
}

bool isPresent(const QString &devicePath)
{
    const Presence found = presence(devicePath, PortDetails::available());
    return found == Presence::Adapter || found == Presence::PseudoTerminal;
}

// What the reported port adds to the path the operator configured: what it is, and its other name.
static QStringList adapterDetails(const QString &devicePath, const PortDetails &port)
{
    QStringList what;
    for (const QString &part : {port.description, port.manufacturer}) {
        if (!part.isEmpty() && !what.contains(part))
            what << part;
    }
    if (!port.serialNumber.isEmpty())
        what << QStringLiteral("serial %1").arg(port.serialNumber);
    QStringList lines;
    if (!what.isEmpty())
        lines << what.join(QStringLiteral(", "));
    if (!port.byIdPath.isEmpty() && port.byIdPath != devicePath)
        lines << QStringLiteral("by-id: %1").arg(QFileInfo(port.byIdPath).fileName());
    else if (port.systemLocation != devicePath)
        lines << QStringLiteral("at %1").arg(port.systemLocation);
    return lines;
}

QString describe(const QString &devicePath, const QList<PortDetails> &available)
{
    PortDetails port;
    switch (presence(devicePath, available, &port)) {
    case Presence::NoPath:
        return QStringLiteral("No device for this number");
    case Presence::Missing:
        return QStringLiteral("%1 (not present)").arg(devicePath);
    case Presence::NoDevice:
        return QStringLiteral("%1 (not present: no serial device behind it)").arg(devicePath);
    case Presence::PseudoTerminal: {
        const QString target = QFileInfo(devicePath).canonicalFilePath();
        return target == devicePath ? QStringLiteral("%1 (present, a pseudo-terminal)").arg(devicePath)
                                    : QStringLiteral("%1 (present, the pseudo-terminal %2)").arg(devicePath, target);
    }
    case Presence::Adapter:
        break;
    }
    return (QStringList{QStringLiteral("%1 (present)").arg(devicePath)} + adapterDetails(devicePath, port))
        .join(QLatin1Char('\n'));
}

QString describe(int port, const PortSettings &settings)
{
    return describe(devicePath(port, settings), PortDetails::available());
}

} // namespace PortMap
