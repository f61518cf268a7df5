#pragma once

#include "history/core/destination.h"
#include "history/core/loadinfo.h"

#include <QString>

#include <optional>

class QWidget;

// What an upload from the window is recorded as in the load history: made on the window's thread,
// its HistoryRecording made from it on the thread that sends.
struct RecordingPlan
{
    QString historyPath;
    Destination destination;
    LoadInfo info;
};

namespace UploadHistory {

// Before an upload to deviceText (shown as label) of the list from listFile (empty when none):
// the plan in *plan while the history is on and can be used. When it cannot, the operator is
// asked whether to upload without recording it: false when not, and nothing is to happen. The
// history file is only opened to see that it can be, never changed when it cannot.
bool prepare(QWidget *window, const QString &deviceText, const QString &label, const QString &listFile,
             std::optional<RecordingPlan> *plan);

} // namespace UploadHistory
