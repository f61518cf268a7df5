#pragma once

#include <QtGlobal>

class QSerialPort;

// What the system's serial driver knows of an open port, beyond Qt's own buffer.
namespace PortDriver {

// Characters the driver has taken but not yet sent; -1 when it cannot tell.
qint64 queued(QSerialPort &port);

// Whether the line behind the port is gone: the far end hung up or the adapter was unplugged. Qt
// reports that only as a failed read or write, often with a stale system error text.
bool lineGone(QSerialPort &port);

} // namespace PortDriver
