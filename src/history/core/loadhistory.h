#pragma once

#include "history/core/destination.h"
#include "history/core/deviceholdings.h"
#include "history/core/loadinfo.h"

#include "frame/framebitmap.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class HistoryDatabase;

// What the history knows, read back: the destinations, what each holds, its last whole load, the
// pictures; and the one thing the operator can tell it, to forget a device.
class LoadHistory
{
public:
    explicit LoadHistory(const HistoryDatabase &db, std::function<qint64()> wallClockMs = nullptr);

    // Every destination the history has a load to, by label.
    std::optional<QVector<Destination>> destinations(QString *error = nullptr) const;
    // Each slot's latest state; every slot empty for a destination the history does not know.
    std::optional<DeviceHoldings> holdings(const QString &identity, QString *error = nullptr) const;
    // The latest load to it that finished. Nothing with *error left empty when there is none.
    std::optional<LoadSummary> lastCompleteLoad(const QString &identity, QString *error = nullptr) const;
    // From now on every slot of the destination is unknown until a frame is sent there again: for a
    // device that was reset or loaded from elsewhere. Refused for a destination the history does
    // not know.
    bool forget(const QString &identity, QString *error = nullptr) const;
    // The frame kept for a frame text's SHA-256.
    std::optional<FrameBitmap> picture(const QByteArray &sha256, QString *error = nullptr) const;

private:
    bool fail(const QString &why, QString *error) const;

    const HistoryDatabase &m_db;
    std::function<qint64()> m_now;
};
