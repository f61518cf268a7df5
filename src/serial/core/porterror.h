#pragma once

#include <QSerialPort>
#include <QString>

// Error descriptions for the serial port in words an operator can act on.
namespace PortError {

// Why the device at devicePath (port number `port`) could not be opened.
QString describeOpenError(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                          const QString &systemText);

// Whether the line behind an open port's handle is gone: the far end hung up or the adapter was
// unplugged. Qt reports that only as a failed read or write, often with a stale errno text.
bool lineHungUp(qintptr handle);

// Why writing to an open port failed. A lost line (lineLost, or Qt's resource error) is told as such
// and without the system text, which then describes some earlier call.
QString describeWriteError(const QString &devicePath, QSerialPort::SerialPortError error, const QString &systemText,
                           bool lineLost);

// The group that owns the device file, usually "dialout"; empty when unknown.
QString deviceGroup(const QString &devicePath);

} // namespace PortError
