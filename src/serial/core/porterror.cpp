#include "serial/core/porterror.h"

// What every platform says alike; what the system itself tells is in porterror_unix.cpp and
// porterror_win.cpp.
namespace PortError {

QString describeOpenError(int port, const QString &devicePath, QSerialPort::SerialPortError error,
                          const QString &systemText)
{
    const QString name = QStringLiteral("Com%1").arg(port);
    if (devicePath.isEmpty())
        return QStringLiteral("%1 is not a port number this program knows. Choose Com1 to Com16.").arg(name);
    const QString told = systemOpenError(name, devicePath, error);
    if (!told.isEmpty())
        return told;
    if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError) {
        return QStringLiteral("%1: %2 is already in use by another program. Close that program or choose "
                              "another port.")
            .arg(name, devicePath);
    }
    return QStringLiteral("%1: %2 could not be opened (%3).").arg(name, devicePath, systemText);
}

QString describeWriteError(const QString &devicePath, QSerialPort::SerialPortError error, const QString &systemText,
                           bool lineLost)
{
    if (error == QSerialPort::NotOpenError)
        return QStringLiteral("The serial port is not open. Choose a working port in Properties.");
    if (lineLost || error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError) {
        return QStringLiteral("The connection to %1 was lost: the adapter was unplugged or the line hung up. "
                              "Reconnect it, then choose the port in Properties and press OK.")
            .arg(devicePath);
    }
    if (systemText.isEmpty())
        return QStringLiteral("Writing to %1 failed. Check the cable and the device, then try again.").arg(devicePath);
    return QStringLiteral("Writing to %1 failed (%2). Check the cable and the device, then try again.")
        .arg(devicePath, systemText);
}

} // namespace PortError
