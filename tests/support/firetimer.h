#pragma once

#include <QTimer>

// Runs what the timer's timeout runs, now, instead of waiting for it to come round.
inline bool fireTimeout(QTimer *timer)
{
    return timer && QMetaObject::invokeMethod(timer, "timeout");
}
