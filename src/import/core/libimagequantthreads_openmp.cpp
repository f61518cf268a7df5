#include "import/core/libimagequantthreads.h"

// libimagequant built with OpenMP: its parallel loops take the calling thread's team size.

#include <omp.h>

namespace LibimagequantThreads {

void keepToCallingThread()
{
    omp_set_num_threads(1);
}

} // namespace LibimagequantThreads
