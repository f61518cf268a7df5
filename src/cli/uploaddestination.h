#pragma once

#include "upload/core/listupload.h"
#include "upload/core/uploadstate.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <memory>
#include <thread>

class CaptureLink;
class OutputFile;
class SerialPortComponent;
class UploadReport;

// One place drelin-upload sends the frames to: the stored port, a port, a device or a capture
// file. Each sends on its own thread with its own pacing, so one that fails or stalls does not hold
// up the others.
class UploadDestination
{
public:
    enum class Kind { StoredPort, Port, Device, Capture };
    struct Target
    {
        Kind kind = Kind::StoredPort;
        int port = 0;
        QString path; // the device or the capture file
        bool operator==(const Target &other) const
        {
            return kind == other.kind && port == other.port && path == other.path;
        }
        // The options that name it on the command line: {"--port", "3"}, or none for the stored port.
        QStringList arguments() const;
    };

    UploadDestination(const Target &target, int index, UploadReport &report);
    ~UploadDestination();

    // What the report calls it: "Com3 (/dev/ttyS2)", the device or the capture file. Its messages
    // start with it.
    QString label() const { return m_label; }

    // A capture's file is made before anything is sent anywhere: false, with why, when it cannot
    // be (something other than a regular file in its place, a folder that is not there). A port
    // has nothing to prepare.
    bool prepare(QString *error);
    // Opens the destination and starts sending on its own thread. When it cannot be opened it is
    // done at once, failed, and says why.
    void start(const QVector<UploadJob> &jobs);
    bool done() const { return m_done.load(); }
    // Ends the frame at its next stop check, as the stop button does.
    void stop() { m_state.StopRequested.store(true); }
    // Stops waiting for a line that takes nothing.
    void giveUp();
    // After done(): keeps the capture file unless the upload failed.
    void finish();

    const UploadOutcome &outcome() const { return m_outcome; }
    // Why it failed, without the label its messages start with.
    QString failure() const;
    const UploadState &state() const { return m_state; }
    const Target &target() const { return m_target; }

private:
    class Observer;

    Target m_target;
    QString m_label;
    int m_index;
    UploadReport &m_report;
    UploadState m_state;
    std::unique_ptr<Observer> m_observer;
    std::unique_ptr<SerialPortComponent> m_port;
    std::unique_ptr<OutputFile> m_capture;
    std::unique_ptr<CaptureLink> m_captureLink;
    std::thread m_thread;
    UploadOutcome m_outcome; // written before m_done is set, read after
    std::atomic<bool> m_done{false};
};
