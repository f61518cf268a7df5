#pragma once

#include "history/core/changedset.h"
#include "upload/core/listupload.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <optional>

class LatestWork;

// Works out, off the window's thread, which entries of a list a destination does not hold by the
// load history: every list file is read and hashed, and the history read, which takes too long for
// the window on a big list or a slow disk. Only the latest request counts: one made meanwhile
// replaces it, and what an earlier one finds is dropped. When the survey goes, its thread finishes
// the request it is on by itself and ends, telling nobody.
class ChangeSurvey : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QString historyPath;
        QString deviceText; // the port's device path or a device server's URL
        QVector<UploadJob> jobs; // the list in order
    };
    struct Result
    {
        int total = 0; // entries in the list surveyed
        std::optional<ChangedSet> changed; // nothing when it could not be worked out
        QString error; // why not
    };

    explicit ChangeSurvey(QObject *parent = nullptr);

    void request(const Request &request);
    // Drops the request waiting or being worked on.
    void clear();

    // The same survey on the caller's thread.
    static Result survey(const Request &request);

signals:
    // The latest request's answer.
    void surveyed(const ChangeSurvey::Result &result);

private:
    LatestWork *m_work;
};
