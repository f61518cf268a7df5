#include "serial/core/porterror.h"

// Ports on Windows are devices the system opens for one program at a time.

#include "base/systemerror_win.h"

#include <windows.h>

namespace PortError {

namespace {

// Why the system refuses to open the device now; 0 when it opens after all.
DWORD openRefusal(const QString &devicePath)
{
    // COM10 and above are only reachable through the device namespace; the lower ones are too.
    const QString name =
        devicePath.startsWith(QLatin1String("\\\\")) ? devicePath : QStringLiteral("\\\\.\\") + devicePath;
    const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_READ | GENERIC_WRITE,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    ::CloseHandle(handle);
    return ERROR_SUCCESS;
}

} // namespace

QString systemOpenError(const QString &name, const Naming &naming, QSerialPort::SerialPortError)
{
    const DWORD refusal = openRefusal(naming.devicePath);
    const QString port = naming.labelled() ? QStringLiteral("the port") : naming.devicePath;
    const QString said = SystemError::text(refusal);
    switch (refusal) {
    case ERROR_SUCCESS:
        return QString();
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
        return QStringLiteral("%1: there is no port %2 on this computer (%3). Check that the cable or USB adapter "
                              "is plugged in (Device Manager lists the ports under \"Ports (COM & LPT)\"), or "
                              "choose another port.")
            .arg(name, naming.labelled() ? QStringLiteral("by that name") : naming.devicePath, said);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return QStringLiteral("%1: %2 is in use by another program, or Windows denies access to it (%3). Close the "
                              "program that holds the port, or choose another port.")
            .arg(name, port, said);
    default:
        return QStringLiteral("%1: %2 could not be opened (%3). Unplug the adapter and plug it in again, or choose "
                              "another port.")
            .arg(name, port, said);
    }
}

QString holders(const QString &)
{
    // Windows tells no program which other one holds a port.
    return QString();
}

} // namespace PortError
