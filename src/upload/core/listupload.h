#pragma once

#include "upload/core/frametransmitter.h"
#include "upload/core/uploadrecord.h"

#include "frame/framebitmap.h"

#include <QMetaType>
#include <QString>
#include <QVector>

#include <memory>

// One entry of the frame list as the upload takes it.
struct UploadJob
{
    int number = 0; // the frame number, 0-255
    QString path; // the bitmap file
    std::shared_ptr<const FrameBitmap> frame = nullptr; // the file read beforehand, or nothing to read it as it goes
};

// What the list upload tells the window besides what each frame tells.
class UploadObserver : public TransmitObserver
{
public:
    // Entry `position` of `count` is about to go out under `name`.
    virtual void frameStarting(int position, int count, const UploadJob &job, const QString &name)
    {
        Q_UNUSED(position);
        Q_UNUSED(count);
        Q_UNUSED(job);
        Q_UNUSED(name);
    }
    // The line was lost in entry `position` (why) and made again: the entry goes out again whole.
    virtual void frameRepeated(int position, const UploadJob &job, const QString &why)
    {
        Q_UNUSED(position);
        Q_UNUSED(job);
        Q_UNUSED(why);
    }
    // What the upload sent is no longer recorded (why); the upload goes on.
    virtual void recordingLost(const QString &why) { Q_UNUSED(why); }
    // Entry `position` went out; the whole upload is expected to take estimatedTotalMs.
    virtual void frameFinished(int position, int count, qint64 estimatedTotalMs)
    {
        Q_UNUSED(position);
        Q_UNUSED(count);
        Q_UNUSED(estimatedTotalMs);
    }
};

// How an upload ended: the one thing the transmission hands back to the window when it returns.
struct UploadOutcome
{
    enum Result { Finished, Stopped, Failed };
    Result result = Finished;
    QString error; // after Failed
    int framesSent = 0; // frames that went out whole
};
Q_DECLARE_METATYPE(UploadOutcome)

// Sends every entry in list order, one frame after the other, and ends early on a stop or a
// failure. Runs on the serial thread; the caller prepares the UploadState.
class ListUpload
{
public:
    ListUpload(SerialLink &link, Clock &clock, UploadState &state, UploadObserver *observer = nullptr);

    // Each frame is recorded there as it goes out: read beforehand, so what is recorded is what
    // is sent. Not owned; nothing is recorded without one.
    void setRecord(UploadRecord *record) { m_record = record; }

    UploadOutcome run(const QVector<UploadJob> &jobs);

private:
    UploadOutcome runJobs(const QVector<UploadJob> &jobs);
    // The entry's frame as it goes out: the one read beforehand, else read now when it is recorded.
    std::shared_ptr<const FrameBitmap> frameOf(const UploadJob &job) const;
    void recordStarting(const UploadJob &job, const QString &name, const FrameBitmap *frame);
    void recordEnded(UploadRecord::FrameEnd end);
    void recordLost(const QString &why);

    SerialLink &m_link;
    Clock &m_clock;
    UploadState &m_state;
    UploadObserver *m_observer;
    UploadObserver m_silent;
    FrameTransmitter m_transmitter;
    UploadRecord *m_record = nullptr;
    bool m_frameRecorded = false; // the frame going out has a record waiting for its end
};
