#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How a load ended, as the history keeps it; a load without one was cut off (a kill, a power cut)
// or is still going.
enum class LoadResult { Finished, Stopped, Failed };

// Where a load was made from and by whom.
struct LoadInfo
{
    QString workstation;
    QString user;
    QString listFile; // the frame list file, when the list came from one

    // This computer and the user running the program.
    static LoadInfo here(const QString &listFile = QString());

    // The result as the history writes it: "finished", "stopped", "failed".
    static QString resultName(LoadResult result);
    static std::optional<LoadResult> resultNamed(const QString &name);
};

// A load the history holds.
struct LoadSummary
{
    LoadInfo info;
    QDateTime started;
    QDateTime ended; // invalid when it never ended
    std::optional<LoadResult> result;
};
