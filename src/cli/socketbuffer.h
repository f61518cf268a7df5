#pragma once

#include <QtGlobal>

// The system's receive buffer of a socket, for drelin-device's paced listening: a listening socket
// hands its size to each connection it accepts, and the window the first reply offers follows it.
namespace SocketBuffer {

// Asks the system to hold about `bytes` of what arrives unread on the socket; false when it would
// not.
bool limitReceiving(qintptr descriptor, int bytes);

} // namespace SocketBuffer
