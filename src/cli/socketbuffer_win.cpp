#include "cli/socketbuffer.h"

#include <winsock2.h>

namespace SocketBuffer {

bool limitReceiving(qintptr descriptor, int bytes)
{
    return ::setsockopt(SOCKET(descriptor), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&bytes),
                        int(sizeof bytes))
        == 0;
}

} // namespace SocketBuffer
