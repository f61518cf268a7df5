#include "base/processsetup.h"

#include <QByteArray>

void prepareProcess()
{
    // MinGW can free a thread's thread_local storage before the destructors registered for it run.
    // Qt keeps such a thread_local for the stack of its compiled (JIT) regular expressions, so any
    // worker thread that had matched one (a folder's wildcard, an SVG's style) could crash as it
    // ended. Interpreted matching registers nothing, and our patterns are short.
    qputenv("QT_ENABLE_REGEXP_JIT", QByteArrayLiteral("0"));
}
