#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// Work handed to the thread this object lives on, from any thread: run there, in order, from the
// event loop. The work passes through a standard lock rather than through Qt's event queue, whose
// locks the thread sanitizer cannot see into (Qt is not built with it), so every hand-over
// between the window's thread and the serial thread is one it can check.
class Mailbox : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void post(std::function<void()> work);
    // Posts and waits until the work has run; never from the mailbox's own thread.
    void postAndWait(const std::function<void()> &work);

private:
    Q_INVOKABLE void runPosted();

    std::mutex m_lock;
    std::deque<std::function<void()>> m_work;
};
