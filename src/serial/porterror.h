#pragma once

#include <QSerialPort>
#include <QString>

// Error descriptions for the serial port in words an operator can act on.
namespace PortError {

// Why the device at devicePath (port number `port`) could not be opened.
QString describeOpenError(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                          const QString &systemText);

// Why writing to an open port failed (unplugged adapter, hung-up line, ...).
QString describeWriteError(const QString &devicePath, QSerialPort::SerialPortError error,
                           const QString &systemText);

// The group that owns the device file, usually "dialout"; empty when unknown.
QString deviceGroup(const QString &devicePath);

} // namespace PortError
