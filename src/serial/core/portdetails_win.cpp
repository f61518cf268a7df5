#include "serial/core/portdetails.h"

// Ports on Windows are named COMn; the device namespace name is needed past COM9 only.

#include "serial/core/portmap.h"

#include <QSerialPortInfo>

QList<PortDetails> PortDetails::available()
{
    QList<PortDetails> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortDetails port;
        const QString name = info.portName().toUpper();
        const int number = name.startsWith(QLatin1String("COM")) ? name.mid(3).toInt() : 0;
        const QString tabled = PortMap::tableDevicePath(number);
        port.systemLocation = tabled.isEmpty() ? info.systemLocation() : tabled;
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        ports.append(port);
    }
    return ports;
}
