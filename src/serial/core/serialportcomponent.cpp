#include "serial/core/serialportcomponent.h"

#include "base/console.h"
#include "base/mailbox.h"
#include "base/threadcheck.h"
#include "serial/core/portmap.h"
#include "serial/core/serialportworker.h"

#include <QPointer>

SerialPortComponent::SerialPortComponent(QObject *parent)
    : QObject(parent)
    , m_worker(new SerialPortWorker)
    , m_toWorker(new Mailbox(m_worker))
    , m_returns(new Mailbox(this))
{
    m_thread.setObjectName(QStringLiteral("serial I/O"));
    m_worker->moveToThread(&m_thread); // its mailbox with it
    connect(
        m_worker, &SerialPortWorker::openChanged, this, [this](bool open) { m_open = open; }, Qt::DirectConnection);
    // Told again on this component's thread, also when the port closed itself on a lost line.
    connect(m_worker, &SerialPortWorker::openChanged, this, &SerialPortComponent::portOpenChanged,
            Qt::QueuedConnection);
    connect(m_worker, &SerialPortWorker::lineStalled, this, &SerialPortComponent::lineStalled, Qt::QueuedConnection);
    m_thread.start();
    // Interrupts are for the program's main thread.
    onWorker(Console::keepInterruptsOffThisThread);
}

SerialPortComponent::~SerialPortComponent()
{
    m_abort = true;
    onWorker([this] { m_worker->shutdown(); });
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

bool SerialPortComponent::refuse(const QString &description)
{
    m_error = description;
    return false;
}

bool SerialPortComponent::refuseWhileBusy()
{
    return refuse(QStringLiteral("The serial port is busy with an upload."));
}

bool SerialPortComponent::setCommPort(int port)
{
    DRELIN_ASSERT_THREAD(this);
    if (port < PortMap::FirstPort || port > PortMap::LastPort)
        return refuse(QStringLiteral("Invalid port number %1: choose Com1 to Com16.").arg(port));
    if (PortOpen())
        return refuse(QStringLiteral("The port is already open; close it before changing the number."));
    m_commPort = port;
    return true;
}

bool SerialPortComponent::setSettings(const QString &settings)
{
    DRELIN_ASSERT_THREAD(this);
    const auto parsed = LineSettings::parse(settings);
    if (!parsed)
        return refuse(QStringLiteral("Invalid line settings \"%1\".").arg(settings));
    if (isBusy())
        return refuseWhileBusy();
    bool ok = true;
    QString error;
    onWorker([&] { ok = m_worker->applyLineSettings(*parsed, &error); });
    if (!ok)
        return refuse(error);
    m_line = *parsed;
    return true;
}

bool SerialPortComponent::setInputMode(int mode)
{
    if (mode != InputModeText && mode != InputModeBinary)
        return refuse(QStringLiteral("Invalid input mode."));
    // Received data is only ever discarded, so both modes read it the same way.
    m_inputMode = mode;
    return true;
}

bool SerialPortComponent::setRTSEnable(bool enable)
{
    DRELIN_ASSERT_THREAD(this);
    if (isBusy())
        return refuseWhileBusy();
    m_rts = enable;
    onWorker([&] { m_worker->applyRts(enable); });
    return true;
}

bool SerialPortComponent::setNullDiscard(bool discard)
{
    m_nullDiscard = discard;
    return true;
}

bool SerialPortComponent::setPortOpen(bool open)
{
    DRELIN_ASSERT_THREAD(this);
    if (open == PortOpen())
        return open ? refuse(QStringLiteral("The port is already open.")) : true;
    if (isBusy())
        return refuseWhileBusy();

    bool ok = true;
    QString error;
    if (open) {
        const PortError::Naming naming{devicePath(), m_label};
        onWorker([&] {
            ok = m_worker->open(m_commPort, naming, m_line, m_rts, &error);
            m_openNote = m_worker->openNote();
        });
    } else {
        onWorker([&] { m_worker->close(); });
    }
    if (!ok)
        return refuse(error);
    emit portOpenChanged(open); // at once; a close of the port's own is told through the event loop
    return true;
}

QString SerialPortComponent::devicePath() const
{
    return m_device.isEmpty() ? PortMap::devicePath(m_commPort, m_settings) : m_device;
}

qint64 SerialPortComponent::discardedBytes() const
{
    return m_worker->discardedBytes();
}

bool SerialPortComponent::start(std::function<std::function<void()>(SerialLink &)> job, QObject *receiver,
                                const std::atomic<bool> *stop)
{
    DRELIN_ASSERT_THREAD(this);
    Q_ASSERT(!receiver || receiver->thread() == thread());
    if (m_busy.exchange(true))
        return false;
    m_abort = false;
    const bool returnHere = receiver != nullptr;
    onWorker(
        [this, returnHere, target = QPointer<QObject>(receiver), stop, stallAfterMs = m_stallAfterMs,
         reconnectSeconds = m_reconnectSeconds, job = std::move(job)] {
            std::function<void()> deliver;
            m_worker->run([&](SerialLink &link) { deliver = job(link); }, m_abort, stop, stallAfterMs,
                          reconnectSeconds);
            m_busy = false;
            // The result goes after the port is free, so what it sets off may use the port.
            if (!returnHere) {
                deliver();
                return;
            }
            m_returns->post([target, deliver = std::move(deliver)] {
                if (target)
                    deliver();
            });
        },
        false);
    return true;
}

void SerialPortComponent::onWorker(std::function<void()> work, bool wait)
{
    if (wait)
        m_toWorker->postAndWait(work);
    else
        m_toWorker->post(std::move(work));
}

void SerialPortComponent::cancelJob()
{
    m_abort = true;
}
