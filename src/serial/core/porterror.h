#pragma once

#include <QSerialPort>
#include <QString>

// Error descriptions for the serial port in words an operator can act on.
namespace PortError {

// How a message names the port. The window names it by its number ("Com5") and its device, and
// points to Properties; a command line passes the label it shows the port by, and a message then
// names the port once, by that label at its start, with no advice about the window.
struct Naming
{
    QString devicePath;
    QString label; // empty in the window

    bool labelled() const { return !label.isEmpty(); }
};

// Why the device (port number `port`) could not be opened.
QString describeOpenError(int port, const Naming &naming, QSerialPort::SerialPortError error,
                          const QString &systemText);

// What the system itself tells of a device that Qt could not open, in the operator's words
// (`subject` starts the message: "ComN" or the label); empty when it tells no more than Qt did.
// Platform code.
QString systemOpenError(const QString &subject, const Naming &naming, QSerialPort::SerialPortError error);

// Which other programs hold the device open, as "NAME, process ID" joined by "; "; empty when
// none can be found. Platform code.
QString holders(const QString &devicePath);

// Why writing to an open port failed. A lost line (lineLost, or Qt's resource error) is told as such
// and without the system text, which then describes some earlier call.
QString describeWriteError(const Naming &naming, QSerialPort::SerialPortError error, const QString &systemText,
                           bool lineLost);

} // namespace PortError
