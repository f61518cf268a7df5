#pragma once

#include "history/core/destination.h"
#include "history/core/loadinfo.h"
#include "history/core/sentframe.h"

#include <QString>

#include <functional>

class HistoryDatabase;

// Records one load to one destination, from the thread that sends it (with that thread's own
// HistoryDatabase). Each call is one short transaction, on the disk when it returns:
//
//   beginLoad  ->  (frameStarting  ->  the frame's characters  ->  frameEnded)*  ->  endLoad
//
// frameStarting must return before the frame's first character is written, and frameEnded with
// Complete only after its last character and pause; a kill anywhere in between leaves the frame
// in flight, which the history shows as unknown. When a call fails (a full disk), the history no
// longer knows what that slot holds: the caller stops recording, and tells the operator to upload
// that device in full or forget it.
class LoadRecorder
{
public:
    // wallClockMs gives the times recorded (milliseconds since 1970); the system's clock by default.
    LoadRecorder(const HistoryDatabase &db, const Destination &destination,
                 std::function<qint64()> wallClockMs = nullptr);

    bool beginLoad(const LoadInfo &info, QString *error = nullptr);
    bool frameStarting(const SentFrame &frame, QString *error = nullptr);
    bool frameEnded(FrameState state, QString *error = nullptr);
    bool endLoad(LoadResult result, QString *error = nullptr);

private:
    bool fail(const QString &why, QString *error) const;
    bool bitmapId(const SentFrame &frame, qint64 *id, QString *why) const;
    bool sourceId(const SentFrame &frame, qint64 *id, QString *why) const;

    const HistoryDatabase &m_db;
    Destination m_destination;
    std::function<qint64()> m_now;
    qint64 m_destinationId = 0;
    qint64 m_load = 0;
    qint64 m_frame = 0; // in flight
};
