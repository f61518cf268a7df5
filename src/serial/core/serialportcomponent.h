#pragma once

#include "serial/core/linesettings.h"
#include "serial/core/portsettings.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class Mailbox;
class SerialLink;
class SerialPortWorker;

// The program's one serial port, with the properties and operations the program uses on it.
// The port itself lives on a serial I/O thread, so a transmission never blocks the window; the
// window reaches it only through these methods, which run on the thread that created the component.
// Each setter returns false on failure and leaves the reason in errorDescription().
class SerialPortComponent : public QObject
{
    Q_OBJECT
public:
    enum InputModeValue { InputModeText = 0, InputModeBinary = 1 };

    explicit SerialPortComponent(QObject *parent = nullptr);
    ~SerialPortComponent() override;

    int CommPort() const { return m_commPort; }
    // Taken at the next opening; refused while the port is open or for numbers outside 1-16.
    bool setCommPort(int port);

    QString Settings() const { return m_line.toString(); }
    bool setSettings(const QString &settings);

    int InputMode() const { return m_inputMode; }
    bool setInputMode(int mode);

    bool RTSEnable() const { return m_rts; }
    bool setRTSEnable(bool enable);

    bool NullDiscard() const { return m_nullDiscard; }
    bool setNullDiscard(bool discard);

    bool PortOpen() const { return m_open.load(); }
    bool setPortOpen(bool open);

    QString errorDescription() const { return m_error; }
    // What the latest opening wants the operator to know (a device server's settings it cannot
    // check, a request it left unanswered); empty for most ports.
    QString openNote() const { return m_openNote; }

    // How long a device server that hung up during a transmission is called again, the unfinished
    // frame then sent again whole; 0: not at all. Taken by the next job.
    int reconnectSeconds() const { return m_reconnectSeconds; }
    void setReconnectSeconds(int seconds) { m_reconnectSeconds = seconds; }

    // The device the current port number stands for.
    QString devicePath() const;
    // Uses this device whatever the port number (the command line's --device); empty: the mapping.
    void setDevice(const QString &devicePath) { m_device = devicePath; }
    // What the port's messages call it, once, at their start, instead of its number and device
    // and without advice about the window (a command line's label); empty: the window's way.
    void setLabel(const QString &label) { m_label = label; }
    LineSettings lineSettings() const { return m_line; }

    // Bytes received and thrown away since the component was made.
    qint64 discardedBytes() const;

    // Runs a transmission on the serial thread over the port as it is (a closed port makes every
    // write fail); false when one is already running. When the job has returned and the component
    // is free again, `returned` gets its result, in one event on receiver's thread (or at once on
    // the serial thread when receiver is null). Once *stop is set the link no longer waits for the
    // line; the job ends at its own checks. A receiver lives on the component's thread; one that
    // is gone by then gets nothing.
    template<typename Result>
    bool startJob(std::function<Result(SerialLink &)> job, QObject *receiver, std::function<void(Result)> returned,
                  const std::atomic<bool> *stop = nullptr)
    {
        return start(
            [job = std::move(job), returned = std::move(returned)](SerialLink &link) -> std::function<void()> {
                return [returned, result = job(link)] { returned(result); };
            },
            receiver, stop);
    }
    bool isBusy() const { return m_busy.load(); }
    // Makes a running transmission's waits give up at once (the program is closing).
    void cancelJob();

    // How long the line may take nothing before lineStalled() says so; taken by the next job.
    qint64 stallAfterMs() const { return m_stallAfterMs; }
    void setStallAfterMs(qint64 ms) { m_stallAfterMs = ms; }

signals:
    // The port was opened or closed (by the program, or by itself when the line was lost).
    void portOpenChanged(bool open);
    // A transmission has waited stallAfterMs() for a line that takes no characters; or it moves again.
    void lineStalled(bool stalled);

private:
    // Every call to the worker goes through here: on the serial thread, waited for unless told not.
    void onWorker(std::function<void()> work, bool wait = true);
    bool start(std::function<std::function<void()>(SerialLink &)> job, QObject *receiver,
               const std::atomic<bool> *stop);
    bool refuse(const QString &description);
    bool refuseWhileBusy();

    QThread m_thread;
    SerialPortWorker *m_worker;
    Mailbox *m_toWorker; // work for the serial thread
    Mailbox *m_returns; // results back on this thread
    PortSettings m_settings;
    QString m_device;
    QString m_label;
    int m_commPort = 1;
    LineSettings m_line;
    int m_inputMode = InputModeText;
    bool m_rts = true;
    bool m_nullDiscard = false;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_abort{false};
    qint64 m_stallAfterMs = 3000;
    int m_reconnectSeconds = 0;
    QString m_error;
    QString m_openNote;
};
