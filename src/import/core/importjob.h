#pragma once

#include "import/core/importoptions.h"
#include "import/core/pictureconverter.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class Mailbox;

// Turns pictures into frame files on a thread of its own, so the window stays live. It tells how
// many frames are written after each one, and how it ended once, on the thread that started it.
// cancel() ends it before the next frame; a frame file is there whole or not at all.
class ImportJob : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QStringList pictures;
        ImportOptions options;
        QString folder;
        bool overwrite = false;
    };

    struct Result
    {
        QList<PictureConverter::Outcome> outcomes; // one a picture, in the order given
        bool cancelled = false;

        QStringList written() const;
    };

    explicit ImportJob(QObject *parent = nullptr);
    // Cancels a running job and waits for its frame to end.
    ~ImportJob() override;

    // False when a job is running already.
    bool start(const Request &request);
    void cancel();
    bool isRunning() const { return m_thread.joinable(); }
    // How the last job ended; valid once finished() has been told.
    const Result &result() const { return m_result; }

signals:
    void progress(int framesWritten);
    void finished();

private:
    void run(Request request);
    // On the job's thread: tells the count and waits until the window has heard it, so a cancel
    // pressed on seeing it stops the very next frame.
    void tellProgress(int framesWritten);

    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    Mailbox *m_returns; // progress and the outcome, on the starting thread
    std::mutex m_lock;
    std::condition_variable m_heard;
    int m_progressHeard = 0; // under m_lock
    bool m_abandoned = false; // under m_lock: the job's owner is going, nobody will hear
    Result m_result;
};
