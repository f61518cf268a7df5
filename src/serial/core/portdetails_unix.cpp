#include "serial/core/portdetails.h"

// Ports on Unix are device nodes; udev adds a stable name for each adapter under /dev/serial/by-id.

#include <QSerialPortInfo>

QList<PortDetails> PortDetails::available()
{
    QList<PortDetails> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortDetails port;
        port.systemLocation = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        port.byIdPath = linkIn(QStringLiteral("/dev/serial/by-id"), port.systemLocation);
        ports.append(port);
    }
    return ports;
}
