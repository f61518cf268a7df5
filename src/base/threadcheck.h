#pragma once

#include <QThread>

// Says, in builds with assertions, that a method runs on the thread its object lives on: the
// window's objects on the window's thread, the port's worker on the serial thread.
#define DRELIN_ASSERT_THREAD(object)                                                                                   \
    Q_ASSERT_X(QThread::currentThread() == (object)->thread(), Q_FUNC_INFO, "called on another thread")
