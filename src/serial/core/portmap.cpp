#include "portmap.h"

#include "portsettings.h"

#include <QFileInfo>
#include <QStringList>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

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

static bool isPseudoTerminal(const QString &canonicalPath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(canonicalPath);
    return false;
#else
    // Unix 98 pseudo-terminal terminals have majors 136-143; the multiplexer /dev/ptmx is not one.
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(canonicalPath).constData(), &info) == 0 && S_ISCHR(info.st_mode)
        && major(info.st_rdev) >= 136 && major(info.st_rdev) <= 143;
#endif
}

Presence presence(const QString &devicePath, const QList<PortDetails> &available, PortDetails *found)
{
    if (devicePath.isEmpty())
        return Presence::NoPath;
#ifdef Q_OS_WIN
    for (const PortDetails &port : available) {
        if (port.systemLocation.compare(devicePath, Qt::CaseInsensitive) == 0
            || port.systemLocation.endsWith(QLatin1Char('\\') + devicePath, Qt::CaseInsensitive)) {
            if (found)
                *found = port;
            return Presence::Adapter;
        }
    }
    return Presence::Missing;
#else
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
#endif
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
