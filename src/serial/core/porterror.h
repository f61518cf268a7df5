#pragma once

#include <QSerialPort>
#include <QString>

// Error descriptions for the serial port in words an operator can act on.
namespace PortError {

// Why the device at devicePath (port number `port`) could not be opened.
QString describeOpenError(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                          const QString &systemText);

// What the system itself tells of a device that Qt could not open, in the operator's words
// (`name` is "ComN"); empty when it tells no more than Qt did. Platform code.
QString systemOpenError(const QString &name, const QString &devicePath, QSerialPort::SerialPortError error);

// Why writing to an open port failed. A lost line (lineLost, or Qt's resource error) is told as such
// and without the system text, which then describes some earlier call.
QString describeWriteError(const QString &devicePath, QSerialPort::SerialPortError error, const QString &systemText,
                           bool lineLost);

} // namespace PortError
