#pragma once

#include <QtGlobal>

// Ctrl-C for a program a test started, as its terminal would send it. False where a test cannot
// send one (on Windows a program started without a console of the test's own gets none).
bool interruptProgram(qint64 processId);
