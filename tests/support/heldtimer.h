#pragma once

#include <QEvent>
#include <QPointer>
#include <QTimer>

// One of the program's timers, firing only when the test says: while this lives the timer runs
// (isActive(), interval()) but its own timeouts are held back, and fire() runs what a timeout runs.
class HeldTimer : public QObject
{
public:
    explicit HeldTimer(QTimer *timer)
        : m_timer(timer)
    {
        if (timer)
            timer->installEventFilter(this);
    }

    QTimer *operator->() const { return m_timer; }
    bool fire() { return m_timer && QMetaObject::invokeMethod(m_timer, "timeout"); }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return event->type() == QEvent::Timer; }

private:
    QPointer<QTimer> m_timer;
};
