#include "import/core/libimagequantthreads.h"

// libimagequant built without threads of its own (the Windows build's): nothing to do.

namespace LibimagequantThreads {

void keepToCallingThread()
{ }

} // namespace LibimagequantThreads
