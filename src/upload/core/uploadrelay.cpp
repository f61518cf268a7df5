#include "upload/core/uploadrelay.h"

#include "base/clock.h"
#include "upload/core/uploadstate.h"

UploadRelay::UploadRelay(QObject *parent)
    : QObject(parent)
{
    // Connected before anyone else's slots: each signal's first queued call takes the lock its
    // emit held, so a receiver is seen to run after what the serial thread did before it told
    // (the thread sanitizer cannot see into Qt's own event queue).
    const auto takeOver = [this] { const std::lock_guard<std::mutex> guard(m_handOver); };
    connect(this, &UploadRelay::frameStartingSignal, this, takeOver);
    connect(this, &UploadRelay::frameFinishedSignal, this, takeOver);
    connect(this, &UploadRelay::frameBegunSignal, this, takeOver);
    connect(this, &UploadRelay::tickerStartedSignal, this, takeOver);
    connect(this, &UploadRelay::progressSignal, this, takeOver);
    connect(this, &UploadRelay::frameEndedSignal, this, takeOver);
    connect(this, &UploadRelay::frameCutShortSignal, this, takeOver);
    connect(this, &UploadRelay::frameRepeatedSignal, this, takeOver);
    connect(this, &UploadRelay::recordingLostSignal, this, takeOver);
}

void UploadRelay::frameRepeated(int, const UploadJob &job, const QString &why)
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit frameRepeatedSignal(job.number, why);
}

void UploadRelay::frameStarting(int position, int count, const UploadJob &job, const QString &name)
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit frameStartingSignal(position, count, job.number, name, job.path);
}

void UploadRelay::frameFinished(int position, int count, qint64 estimatedTotalMs)
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit frameFinishedSignal(position, count, estimatedTotalMs);
}

void UploadRelay::frameBegun()
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit frameBegunSignal();
}

void UploadRelay::tickerStarted()
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit tickerStartedSignal();
}

void UploadRelay::progressed(int progressValue)
{
    // Thousands of groups a frame; the window needs to hear of only a few of them.
    const qint64 now = monotonicMs();
    if (now - m_lastProgressMs.load() < ProgressIntervalMs && progressValue % UploadState::ProgressPerFrame != 0)
        return;
    m_lastProgressMs = now;
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit progressSignal(progressValue);
}

void UploadRelay::frameEnded()
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit frameEndedSignal();
}

void UploadRelay::frameCutShort()
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit frameCutShortSignal();
}

void UploadRelay::recordingLost(const QString &why)
{
    const std::lock_guard<std::mutex> guard(m_handOver);
    emit recordingLostSignal(why);
}
