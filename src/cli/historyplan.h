#pragma once

#include "history/core/changedset.h"
#include "upload/core/listupload.h"

#include <QString>
#include <QVector>

#include <memory>

class HistoryDatabase;
class UploadDestination;

// drelin-upload's use of the load history while it uploads: the file, what each destination
// needs of the list, and each destination's record. Used on the main thread; each record opens
// its own connection on its destination's thread.
class HistoryPlan
{
public:
    // path: the history file, the default one when empty.
    explicit HistoryPlan(const QString &path);
    ~HistoryPlan();

    // Opens the file. When it cannot be used: false with why, and the history stays off (nothing
    // is recorded, every frame counts as changed); the file is left as it is.
    bool open(QString *why);
    bool isOn() const { return m_db != nullptr; }

    // The entries of jobs (the same list for every destination) the destination needs: those that differ from what it
    // holds whole and those it may not hold. A line for the operator in *note: how many and how long, or why all.
    QVector<UploadJob> changedJobs(const UploadDestination &destination, const QVector<UploadJob> &jobs, QString *note);
    // The record of one destination's upload; nothing when the history is off.
    std::unique_ptr<UploadRecord> record(const UploadDestination &destination, const QString &listFile) const;

private:
    QString m_path;
    std::unique_ptr<HistoryDatabase> m_db;
    QVector<FrameJob> m_digest; // of the list, read once
};
