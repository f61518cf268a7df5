#include "serial/core/porterror.h"

// What every platform says alike; what the system itself tells is in porterror_unix.cpp and
// porterror_win.cpp.
namespace PortError {

QString describeOpenError(int port, const Naming &naming, QSerialPort::SerialPortError error, const QString &systemText)
{
    const QString number = QStringLiteral("Com%1").arg(port);
    if (naming.devicePath.isEmpty())
        return QStringLiteral("%1 is not a port number this program knows. Choose Com1 to Com16.").arg(number);
    const QString subject = naming.labelled() ? naming.label : number;
    const QString told = systemOpenError(subject, naming, error);
    if (!told.isEmpty())
        return told;
    const QString device = naming.labelled() ? QStringLiteral("the device") : naming.devicePath;
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError) {
        const QString who = holders(naming.devicePath);
        return QStringLiteral("%1: %2 is already in use by another program%3. Close that program or choose "
                              "another port.")
            .arg(subject, device, who.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(who));
    }
    return QStringLiteral("%1: %2 could not be opened (%3).").arg(subject, device, systemText);
}

QString describeWriteError(const Naming &naming, QSerialPort::SerialPortError error, const QString &systemText,
                           bool lineLost)
{
    const QString subject = naming.labelled() ? naming.label + QStringLiteral(": ") : QString();
    if (error == QSerialPort::NotOpenError) {
        return naming.labelled() ? subject + QStringLiteral("the serial port is not open.")
                                 : QStringLiteral("The serial port is not open. Choose a working port in Properties.");
    }
    if (lineLost || error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError) {
        if (naming.labelled())
            return subject
                + QStringLiteral("the connection was lost: the adapter was unplugged or the line hung up. "
                                 "Reconnect it, then continue the upload.");
        return QStringLiteral("The connection to %1 was lost: the adapter was unplugged or the line hung up. "
                              "Reconnect it, then choose the port in Properties and press OK.")
            .arg(naming.devicePath);
    }
    const QString what = naming.labelled() ? subject + QStringLiteral("writing failed")
                                           : QStringLiteral("Writing to %1 failed").arg(naming.devicePath);
    if (systemText.isEmpty())
        return what + QStringLiteral(". Check the cable and the device, then try again.");
    return what + QStringLiteral(" (%1). Check the cable and the device, then try again.").arg(systemText);
}

} // namespace PortError
