#include "history/core/changedset.h"

#include "base/duration.h"
#include "frame/wireformat.h"
#include "serial/core/linesettings.h"

#include <QSet>

ChangedSet ChangedSet::of(const QVector<FrameJob> &jobs, const DeviceHoldings &holdings)
{
    ChangedSet set;
    bool anyComplete = false;
    for (const SlotHolding &slot : holdings.held)
        anyComplete = anyComplete || slot.state == SlotState::Complete;
    if (!holdings.known)
        set.reason = QStringLiteral("the history has no load to it from this computer, so every frame is sent");
    else if (!anyComplete && holdings.forgotten.isValid())
        set.reason = QStringLiteral("it was forgotten on %1 and nothing was sent to it whole since, so every frame "
                                    "is sent")
                         .arg(holdings.forgotten.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")));

    // Walked backwards, so the last entry of each number is the one met first.
    QSet<int> seen;
    for (int position = int(jobs.size()) - 1; position >= 0; --position) {
        const FrameJob &job = jobs.at(position);
        if (seen.contains(job.number))
            continue;
        seen.insert(job.number);
        const bool inRange = job.number >= 0 && job.number < DeviceHoldings::Slots;
        const SlotHolding *slot = inRange ? &holdings.held[size_t(job.number)] : nullptr;
        if (!slot || slot->state != SlotState::Complete || slot->sha256 != job.sha256)
            set.positions.prepend(position);
    }
    return set;
}

QString ChangedSet::countText(int total, const QString &destination, const LineSettings &line) const
{
    const int count = int(positions.size());
    return QStringLiteral("%1 of %2 frames differ from what %3 holds: %4")
        .arg(count)
        .arg(total)
        .arg(destination, formatDuration(expectedUploadMs(count, line.baudRate, line.bitsPerCharacter())));
}

QString slotStateName(SlotState state)
{
    switch (state) {
    case SlotState::Empty:
        return QStringLiteral("empty");
    case SlotState::Unknown:
        return QStringLiteral("unknown");
    case SlotState::Complete:
        break;
    }
    return QStringLiteral("complete");
}
