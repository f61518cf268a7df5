#include "upload/core/uploadrelay.h"

#include "core/clock.h"
#include "upload/core/uploadstate.h"



void UploadRelay::frameStarting(int position, int count, const UploadJob &job, const QString &name)
{
    emit frameStartingSignal(position, count, job.text, name, job.path);
}

void UploadRelay::frameFinished(int position, int count, qint64 estimatedTotalMs)
{
    emit frameFinishedSignal(position, count, estimatedTotalMs);
}

void UploadRelay::frameBegun()
{
    emit frameBegunSignal();
}

void UploadRelay::tickerStarted()
{
    emit tickerStartedSignal();
}

void UploadRelay::progressed(int progressValue)
{
    // 8192 groups a frame; the window needs to hear of only a few of them.
    const qint64 now = monotonicMs();
    if (now - m_lastProgressMs.load() < ProgressIntervalMs && progressValue % UploadState::ProgressPerFrame != 0)
        return;
    m_lastProgressMs = now;
    emit progressSignal(progressValue);
}

void UploadRelay::frameEnded()
{
    emit frameEndedSignal();
}

void UploadRelay::frameCutShort()
{
    emit frameCutShortSignal();
}
