#include "base/console.h"

// Interrupts on Windows are console control events, delivered on a thread of the system's.

#include <atomic>
#include <windows.h>

namespace Console {

namespace {
std::atomic<void (*)()> s_stop{nullptr};
std::atomic<bool> s_finished{false};

// The system ends the program five seconds after a console closes; the stop must be through by then.
constexpr int ClosingWaitMs = 4500;
constexpr int ClosingPollMs = 20;

BOOL WINAPI onControl(DWORD event)
{
    const auto stop = s_stop.load();
    if (stop)
        stop();
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Returning lets the system end the program at once: wait for the stop to come through.
        for (int waited = 0; stop && !s_finished.load() && waited < ClosingWaitMs; waited += ClosingPollMs)
            ::Sleep(ClosingPollMs);
        return TRUE;
    default:
        return FALSE;
    }
}
} // namespace

void onInterrupt(void (*stop)())
{
    s_stop = stop;
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

void finished()
{
    s_finished = true;
}

void keepInterruptsOffThisThread()
{
    // Control events arrive on a thread of their own; no other thread is ever interrupted.
}

bool canRedrawLine()
{
    // A console redraws a line only with its terminal sequences on; a pipe or a file never does.
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (error == INVALID_HANDLE_VALUE || !::GetConsoleMode(error, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0
        || ::SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

} // namespace Console
