#include "upload/core/listupload.h"

#include "base/clock.h"
#include "frame/framename.h"
#include "frame/seriallink.h"
#include "upload/core/uploadstate.h"

ListUpload::ListUpload(SerialLink &link, Clock &clock, UploadState &state, UploadObserver *observer)
    : m_link(link)
    , m_clock(clock)
    , m_state(state)
    , m_observer(observer ? observer : &m_silent)
    , m_transmitter(link, clock, state, m_observer)
{ }

UploadOutcome ListUpload::run(const QVector<UploadJob> &jobs)
{
    QString why;
    if (m_record && !m_record->loadStarting(&why))
        recordLost(why);
    const UploadOutcome outcome = runJobs(jobs);
    if (m_record) {
        m_record->loadEnded(outcome.result == UploadOutcome::Finished      ? UploadRecord::LoadEnd::Finished
                                : outcome.result == UploadOutcome::Stopped ? UploadRecord::LoadEnd::Stopped
                                                                           : UploadRecord::LoadEnd::Failed);
    }
    return outcome;
}

UploadOutcome ListUpload::runJobs(const QVector<UploadJob> &jobs)
{
    UploadOutcome outcome;
    const int count = int(jobs.size());
    qint64 sumOfFrameTimes = 0;
    for (int position = 1; position <= count; ++position) {
        const UploadJob &job = jobs.at(position - 1);
        const qint64 frameStart = m_clock.nowMs();
        const auto progressAtStart = m_state.ProgressValue.load();
        const QString name = frameNameFromPath(job.path);
        m_observer->frameStarting(position, count, job, name);

        const std::shared_ptr<const FrameBitmap> frame = frameOf(job);
        recordStarting(job, name, frame.get());
        const auto result = m_transmitter.SendFrame(job.number, job.path, name, frame.get());
        recordEnded(result == FrameTransmitter::Result::Sent          ? UploadRecord::FrameEnd::Complete
                        : result == FrameTransmitter::Result::Stopped ? UploadRecord::FrameEnd::CutShort
                                                                      : UploadRecord::FrameEnd::Failed);
        if (result == FrameTransmitter::Result::Failed && m_link.reconnect()) {
            // Never a frame continued in the middle: the device starts it again from its beginning.
            m_observer->frameRepeated(position, job, m_transmitter.errorDescription());
            m_state.ProgressValue.store(progressAtStart);
            --position;
            continue;
        }
        if (result == FrameTransmitter::Result::Failed) {
            outcome.result = UploadOutcome::Failed;
            outcome.error = m_transmitter.errorDescription();
            return outcome;
        }
        if (m_state.StopRequested.load()) {
            outcome.result = UploadOutcome::Stopped;
            return outcome;
        }
        ++outcome.framesSent;
        sumOfFrameTimes += m_clock.nowMs() - frameStart;
        // The expected length of the whole upload at the average frame time so far.
        m_observer->frameFinished(position, count, count * (sumOfFrameTimes / position));
    }
    return outcome;
}

std::shared_ptr<const FrameBitmap> ListUpload::frameOf(const UploadJob &job) const
{
    if (job.frame || !m_record)
        return job.frame;
    // A file that cannot be read is left to the transmitter, which says why in its own words.
    std::optional<FrameBitmap> read = FrameBitmapReader::readFile(job.path);
    return read ? std::make_shared<const FrameBitmap>(std::move(*read)) : nullptr;
}

void ListUpload::recordStarting(const UploadJob &job, const QString &name, const FrameBitmap *frame)
{
    m_frameRecorded = false;
    // Without its bitmap the frame ends at its first character, before its number reaches the
    // device: nothing the device holds changes.
    if (!m_record || !frame)
        return;
    QString why;
    if (!m_record->frameStarting(job.number, name, job.path, *frame, &why))
        return recordLost(why);
    m_frameRecorded = true;
}

void ListUpload::recordEnded(UploadRecord::FrameEnd end)
{
    if (!m_record || !m_frameRecorded)
        return;
    m_frameRecorded = false;
    QString why;
    if (!m_record->frameEnded(end, &why))
        recordLost(why);
}

void ListUpload::recordLost(const QString &why)
{
    m_record = nullptr;
    m_observer->recordingLost(why);
}
