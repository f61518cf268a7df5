#include "history/core/destinationidentity.h"

#include "network/core/deviceaddress.h"

#include <QDir>
#include <QFileInfo>

namespace DestinationIdentity {

namespace {

// A Windows port name without the device namespace and in capitals ("\\.\com12" -> "COM12");
// a path stays as it is.
QString portName(const QString &devicePath)
{
    const QLatin1String deviceSpace("\\\\.\\");
    const QString name = devicePath.startsWith(deviceSpace) ? devicePath.mid(deviceSpace.size()) : devicePath;
    return name.contains(QLatin1Char('/')) ? name : name.toUpper();
}

bool samePort(const PortDetails &port, const QString &devicePath)
{
    if (portName(port.systemLocation) == portName(devicePath)
        || (!port.byIdPath.isEmpty() && port.byIdPath == devicePath))
        return true;
    const QString target = QFileInfo(devicePath).canonicalFilePath();
    return !target.isEmpty() && QFileInfo(port.systemLocation).canonicalFilePath() == target;
}

} // namespace

Destination port(const QString &devicePath, const QList<PortDetails> &available)
{
    Destination destination{portName(devicePath), Destination::Kind::Port, devicePath};
    for (const PortDetails &port : available) {
        if (!samePort(port, devicePath))
            continue;
        if (!port.byIdPath.isEmpty())
            destination.identity = port.byIdPath;
        else if (!port.serialNumber.isEmpty())
            destination.identity =
                QStringLiteral("%1 (serial %2)").arg(portName(port.systemLocation), port.serialNumber);
        break;
    }
    return destination;
}

Destination port(const QString &devicePath)
{
    return port(devicePath, PortDetails::available());
}

Destination server(const DeviceAddress &address)
{
    const QString url = DeviceAddress::server(address.kind(), address.host().toLower(), address.port()).toString();
    return {url, Destination::Kind::Server, address.toString()};
}

Destination capture(const QString &path)
{
    return {QDir::cleanPath(QFileInfo(path).absoluteFilePath()), Destination::Kind::Capture, path};
}

std::optional<Destination> device(const QString &deviceText, QString *error)
{
    const auto address = DeviceAddress::parse(deviceText, error);
    if (!address)
        return std::nullopt;
    return address->isNetwork() ? server(*address) : port(address->path());
}

} // namespace DestinationIdentity
