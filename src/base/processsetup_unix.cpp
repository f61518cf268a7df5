#include "base/processsetup.h"

void prepareProcess()
{
    // Nothing: the C library runs a thread's thread_local destructors before freeing their storage.
}
