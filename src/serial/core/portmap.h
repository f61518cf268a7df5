#pragma once

#include "serial/core/portdetails.h"

#include <QList>
#include <QString>

class PortSettings;

// Which device of the operating system a port number 1-16 stands for.
namespace PortMap {

inline constexpr int FirstPort = 1;
inline constexpr int LastPort = 16;

// The device of the built-in table: Com1-4 the built-in UARTs, Com5-12 USB serial adapters,
// Com13-16 USB CDC devices (COMn on Windows). Empty outside 1-16.
QString tableDevicePath(int port);

// The device for the port: the stored override "Ports/ComN" when there is one, else the table.
QString devicePath(int port, const PortSettings &settings);

enum class Presence {
    NoPath, // the number stands for no device
    Missing, // nothing at the path
    NoDevice, // a node, but the system reports no serial device behind it
    Adapter, // a serial port the system reports
    PseudoTerminal, // a working line the system does not list among its ports
};

// What is at devicePath, judged against the ports the system reports. Links are followed on both
// sides; *found receives the reported port when there is one.
Presence presence(const QString &devicePath, const QList<PortDetails> &available, PortDetails *found = nullptr);

// An adapter the system reports or a pseudo-terminal: something a port can be opened on.
bool isPresent(const QString &devicePath);

// For the Properties dialog: the path and whether it is present, then on lines of their own what is
// known of an adapter and its other name, e.g.
// "/dev/ttyUSB0 (present)\nFT232R USB UART, FTDI, serial A1B2C3\nby-id: usb-FTDI_FT232R_A1B2C3-if00-port0".
QString describe(const QString &devicePath, const QList<PortDetails> &available);
QString describe(int port, const PortSettings &settings);

} // namespace PortMap
