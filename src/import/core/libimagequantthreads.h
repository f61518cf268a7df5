#pragma once

// libimagequant as Debian builds it shares each picture's work among OpenMP threads of its own.
// The import converts a frame a thread on every core already: a team on top of each only makes
// the threads wait on one another, and a frame's colours would then depend on how many cores the
// computer has. Kept to the calling thread, a frame comes out the same everywhere.
namespace LibimagequantThreads {

// For libimagequant's calls that this thread makes from now on.
void keepToCallingThread();

} // namespace LibimagequantThreads
