#include "base/mailbox.h"

#include <QThread>

#include <future>

void Mailbox::post(std::function<void()> work)
{
    // Only a wake-up goes through Qt's queue, and it is posted under the lock that runPosted
    // takes first, so even the event Qt makes for it is seen to be made before it is used.
    const std::lock_guard<std::mutex> guard(m_lock);
    m_work.push_back(std::move(work));
    QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void Mailbox::postAndWait(const std::function<void()> &work)
{
    Q_ASSERT_X(QThread::currentThread() != thread(), Q_FUNC_INFO, "would wait for itself");
    std::promise<void> done;
    post([&work, &done] {
        work();
        done.set_value();
    });
    done.get_future().wait();
}

void Mailbox::runPosted()
{
    for (;;) {
        std::function<void()> work;
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            if (m_work.empty())
                return;
            work = std::move(m_work.front());
            m_work.pop_front();
        }
        work();
    }
}
