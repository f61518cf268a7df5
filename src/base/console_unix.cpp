#include "base/console.h"

// Interrupts on Unix are signals.

#include <atomic>
#include <csignal>
#include <initializer_list>
#include <pthread.h>
#include <unistd.h>

namespace Console {

namespace {
std::atomic<void (*)()> s_stop{nullptr};

void onSignal(int)
{
    if (const auto stop = s_stop.load())
        stop();
}
} // namespace

void onInterrupt(void (*stop)())
{
    s_stop = stop;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

void finished()
{ }

void keepInterruptsOffThisThread()
{
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
}

bool canRedrawLine()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace Console
