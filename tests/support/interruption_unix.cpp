#include "interruption.h"

#include <csignal>

bool interruptProgram(qint64 processId)
{
    return ::kill(pid_t(processId), SIGINT) == 0;
}
