#pragma once

#include "upload/core/listupload.h"

#include <QObject>

#include <atomic>
#include <mutex>

// Carries what the upload on the serial thread tells, to the window's thread as queued signals.
// Lives on the window's thread; its observer methods are called on the serial thread.
class UploadRelay : public QObject, public UploadObserver
{
    Q_OBJECT
public:
    explicit UploadRelay(QObject *parent = nullptr);

    void frameStarting(int position, int count, const UploadJob &job, const QString &name) override;
    void frameFinished(int position, int count, qint64 estimatedTotalMs) override;
    void frameRepeated(int position, const UploadJob &job, const QString &why) override;
    void frameBegun() override;
    void tickerStarted() override;
    void progressed(int progressValue) override;
    void frameEnded() override;
    void frameCutShort() override;
    void recordingLost(const QString &why) override;

    // The progress bar is only so fast: at most one update per this many milliseconds.
    static constexpr qint64 ProgressIntervalMs = 20;

signals:
    void frameStartingSignal(int position, int count, int number, const QString &name, const QString &path);
    void frameFinishedSignal(int position, int count, qint64 estimatedTotalMs);
    void frameRepeatedSignal(int number, const QString &why);
    void frameBegunSignal();
    void tickerStartedSignal();
    void progressSignal(int progressValue);
    void frameEndedSignal();
    void frameCutShortSignal();
    void recordingLostSignal(const QString &why);

private:
    std::atomic<qint64> m_lastProgressMs{0};
    std::mutex m_handOver;
};
