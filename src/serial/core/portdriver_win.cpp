#include "serial/core/portdriver.h"

// The communications driver, asked through the port's handle.

#include <QSerialPort>

#include <windows.h>

namespace PortDriver {

qint64 queued(QSerialPort &port)
{
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(port.handle(), &errors, &status) ? qint64(status.cbOutQue) : -1;
}

bool lineGone(QSerialPort &port)
{
    // An unplugged adapter's handle refuses every request from then on.
    DWORD errors = 0;
    COMSTAT status{};
    return port.isOpen() && !::ClearCommError(port.handle(), &errors, &status);
}

} // namespace PortDriver
