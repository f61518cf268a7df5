#include "cli/socketbuffer.h"

#include <sys/socket.h>

namespace SocketBuffer {

bool limitReceiving(qintptr descriptor, int bytes)
{
    // Linux keeps twice what is asked, for its own bookkeeping.
    return ::setsockopt(int(descriptor), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
}

} // namespace SocketBuffer
