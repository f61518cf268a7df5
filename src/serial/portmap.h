#pragma once

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

bool isPresent(const QString &devicePath);

// "/dev/ttyS1 (present)" or "/dev/ttyS1 (not present)", for the Properties dialog.
QString describe(int port, const PortSettings &settings);

} // namespace PortMap
