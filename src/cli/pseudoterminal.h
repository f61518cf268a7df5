#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

class QTextStream;

// drelin-device's own line to listen on: a pseudo-terminal whose far end an uploading program
// opens like a serial device. Windows has none.
namespace PseudoTerminal {

// Whether this system can make one; --pty is offered only then.
bool available();

// Makes one, prints the far end's path as the first line of out, and gives take what arrives (an
// empty array when a wait passed without any) until interrupts is no longer zero; room(most) says
// how much may be taken at most now (0: nothing yet). False, with the reason on err, when none
// could be made.
bool listen(const std::function<void(const QByteArray &)> &take, const std::function<qint64(qint64)> &room,
            QTextStream &out, QTextStream &err, const std::atomic<int> &interrupts);

} // namespace PseudoTerminal
