#pragma once

#include "history/core/destination.h"
#include "history/core/loadinfo.h"

#include "upload/core/uploadrecord.h"

#include <QString>

#include <memory>

class HistoryDatabase;
class LoadRecorder;

// An upload's record in the load history: made where the upload is set up, used on the thread
// that sends, which opens its own connection to the file when the load starts.
class HistoryRecording : public UploadRecord
{
public:
    // historyPath: the history file (the default one when empty).
    HistoryRecording(const QString &historyPath, const Destination &destination, const LoadInfo &info);
    ~HistoryRecording() override;

    bool loadStarting(QString *error) override;
    bool frameStarting(int number, const QString &name, const QString &path, const FrameBitmap &frame,
                       QString *error) override;
    bool frameEnded(FrameEnd end, QString *error) override;
    void loadEnded(LoadEnd end) override;

private:
    QString m_path;
    Destination m_destination;
    LoadInfo m_info;
    std::unique_ptr<HistoryDatabase> m_db;
    std::unique_ptr<LoadRecorder> m_recorder;
};
