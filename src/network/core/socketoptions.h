#pragma once

#include <QtGlobal>

class QAbstractSocket;

// What the system's TCP does for a connection that must live through a long load and die loudly.
// Platform code.
namespace SocketOptions {

// A send that the far side does not acknowledge within this long ends the connection.
inline constexpr int DeadAfterSeconds = 15;

// No delaying of small writes; keepalive probes while idle; a connection whose sends go
// unacknowledged for DeadAfterSeconds is given up (TCP_USER_TIMEOUT; TCP_MAXRT on Windows).
void tune(QAbstractSocket &socket);

// Characters handed to the system that it has not yet put on the network; -1 when it does not tell.
qint64 unsent(const QAbstractSocket &socket);

} // namespace SocketOptions
