#pragma once

#include "history/core/destination.h"
#include "upload/core/listupload.h"
#include "upload/core/uploadstate.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <memory>

class UploadReport;

// One place drelin-upload sends the frames to. Each sends on its own thread with its own pacing,
// so one that fails or stalls does not hold up the others. make() alone knows which kinds there
// are; everything else goes through this interface.
class UploadDestination
{
public:
    // A destination as the command line names it.
    struct Target
    {
        enum class Kind { StoredPort, Port, Device, Server, Capture };
        Kind kind = Kind::StoredPort;
        int port = 0;
        QString path; // the device, the device server's URL or the capture file
        bool operator==(const Target &other) const
        {
            return kind == other.kind && port == other.port && path == other.path;
        }
        // The options that name it on the command line: {"--port", "3"}, or none for the stored port.
        QStringList arguments() const;
    };

    // The destination a target names; index is its place in the report.
    // reconnectSeconds: how long a device server that hung up is called again (0: not at all).
    static std::unique_ptr<UploadDestination> make(const Target &target, int index, UploadReport &report,
                                                   int reconnectSeconds = 0);
    virtual ~UploadDestination();
    UploadDestination(const UploadDestination &) = delete;
    UploadDestination &operator=(const UploadDestination &) = delete;

    // What the report calls it: "Com3 (/dev/ttyS2)", the device or the capture file. Its messages
    // start with it.
    QString label() const { return m_label; }

    // What has to be in place before anything is sent anywhere: false, with why, when it cannot be.
    virtual bool prepare(QString *) { return true; }
    // Who it is to the load history: the same device whatever it is called today.
    virtual Destination historyDestination() const = 0;
    // Each frame it is sent is recorded there, from its own thread.
    void setRecord(std::unique_ptr<UploadRecord> record);

    // Opens the destination and starts sending on its own thread. When it cannot be opened it is
    // done at once, failed, and says why. With no jobs it is done at once, nothing opened.
    void start(const QVector<UploadJob> &jobs);
    // What start() was given.
    const QVector<UploadJob> &jobs() const { return m_jobs; }
    bool done() const { return m_done.load(); }
    // Ends the frame at its next stop check, as the stop button does.
    void stop() { m_state.StopRequested.store(true); }
    // Stops waiting for a line that takes nothing.
    virtual void giveUp() { }
    // After done(): whatever the destination keeps of the upload is put in place.
    virtual void finish() { }

    const UploadOutcome &outcome() const { return m_outcome; }
    // Why it failed, without the label its messages start with.
    QString failure() const;
    const UploadState &state() const { return m_state; }
    const Target &target() const { return m_target; }

protected:
    UploadDestination(const Target &target, int index, UploadReport &report);
    void setLabel(const QString &label) { m_label = label; }
    // Starts sending jobs on a thread of the destination's own, which ends by conclude().
    virtual void begin(const QVector<UploadJob> &jobs) = 0;
    // How the upload ended; the main thread sees done() from now on. Called again by finish() only.
    void conclude(const UploadOutcome &outcome);
    // Ends at once, failed, with why.
    void fail(const QString &why);
    UploadState &sharedState() { return m_state; }
    UploadReport &report() const { return m_report; }
    UploadObserver *observer() const;
    // The list upload, recorded when there is a record: on the destination's thread.
    UploadOutcome send(SerialLink &link, Clock &clock, const QVector<UploadJob> &jobs);

private:
    class Observer;

    Target m_target;
    UploadReport &m_report;
    QString m_label;
    UploadState m_state;
    std::unique_ptr<Observer> m_observer;
    std::unique_ptr<UploadRecord> m_record;
    QVector<UploadJob> m_jobs;
    UploadOutcome m_outcome; // written before m_done is set, read after
    std::atomic<bool> m_done{false};
};
