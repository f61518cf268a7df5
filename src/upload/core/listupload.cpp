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
    UploadOutcome outcome;
    const int count = int(jobs.size());
    qint64 sumOfFrameTimes = 0;
    for (int position = 1; position <= count; ++position) {
        const UploadJob &job = jobs.at(position - 1);
        const qint64 frameStart = m_clock.nowMs();
        const auto progressAtStart = m_state.ProgressValue.load();
        const QString name = frameNameFromPath(job.path);
        m_observer->frameStarting(position, count, job, name);

        const auto result = m_transmitter.SendFrame(job.number, job.path, name, job.frame.get());
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
