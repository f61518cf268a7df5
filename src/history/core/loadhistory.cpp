#include "history/core/loadhistory.h"

#include "history/core/historydatabase.h"

#include <QDateTime>
#include <QSqlQuery>

namespace {

QDateTime timeOf(const QVariant &ms)
{
    return ms.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms.toLongLong(), Qt::UTC);
}

} // namespace

LoadHistory::LoadHistory(const HistoryDatabase &db, std::function<qint64()> wallClockMs)
    : m_db(db)
    , m_now(wallClockMs ? std::move(wallClockMs) : [] { return QDateTime::currentMSecsSinceEpoch(); })
{ }

bool LoadHistory::fail(const QString &why, QString *error) const
{
    if (error)
        *error = m_db.failure(why);
    return false;
}

std::optional<QVector<Destination>> LoadHistory::destinations(QString *error) const
{
    QString why;
    auto query =
        m_db.run(QStringLiteral("SELECT identity, kind, label FROM destinations ORDER BY label, identity"), {}, &why);
    if (!query) {
        fail(why, error);
        return std::nullopt;
    }
    QVector<Destination> found;
    while (query->next()) {
        const auto kind = Destination::kindNamed(query->value(1).toString());
        found.append({query->value(0).toString(), kind.value_or(Destination::Kind::Port), query->value(2).toString()});
    }
    return found;
}

std::optional<DeviceHoldings> LoadHistory::holdings(const QString &identity, QString *error) const
{
    QString why;
    DeviceHoldings holdings;
    auto mark = m_db.run(QStringLiteral("SELECT f.at, f.last_frame FROM forgotten f JOIN destinations d ON "
                                        "d.id = f.destination WHERE d.identity = ? ORDER BY f.id DESC LIMIT 1"),
                         {identity}, &why);
    if (!mark) {
        fail(why, error);
        return std::nullopt;
    }
    qint64 lastForgotten = -1;
    if (mark->next()) {
        holdings.known = true;
        holdings.forgotten = timeOf(mark->value(0));
        lastForgotten = mark->value(1).toLongLong();
        for (SlotHolding &slot : holdings.held) {
            slot.state = SlotState::Unknown;
            slot.forgotten = true;
        }
    }
    auto query = m_db.run(
        QStringLiteral("SELECT s.number, f.id, f.state, f.started, f.ended, b.sha256, src.name, src.path, "
                       "l.workstation, l.user FROM slots s JOIN destinations d ON d.id = s.destination "
                       "JOIN frames f ON f.id = s.frame JOIN bitmaps b ON b.id = f.bitmap "
                       "JOIN sources src ON src.id = f.source JOIN loads l ON l.id = f.load WHERE d.identity = ?"),
        {identity}, &why);
    if (!query) {
        fail(why, error);
        return std::nullopt;
    }
    while (query->next()) {
        const int number = query->value(0).toInt();
        if (number < 0 || number >= DeviceHoldings::Slots)
            continue;
        holdings.known = true;
        SlotHolding &slot = holdings.held[size_t(number)];
        slot.recorded = FrameState(query->value(2).toInt());
        slot.forgotten = query->value(1).toLongLong() <= lastForgotten;
        const bool complete = slot.recorded == FrameState::Complete;
        slot.state = complete && !slot.forgotten ? SlotState::Complete : SlotState::Unknown;
        slot.loaded = timeOf(complete ? query->value(4) : query->value(3));
        slot.sha256 = query->value(5).toByteArray();
        slot.name = query->value(6).toString();
        slot.sourcePath = query->value(7).toString();
        slot.workstation = query->value(8).toString();
        slot.user = query->value(9).toString();
    }
    return holdings;
}

std::optional<LoadSummary> LoadHistory::lastCompleteLoad(const QString &identity, QString *error) const
{
    QString why;
    auto query = m_db.run(QStringLiteral("SELECT l.workstation, l.user, l.list_file, l.started, l.ended FROM loads l "
                                         "JOIN destinations d ON d.id = l.destination WHERE d.identity = ? AND "
                                         "l.result = ? ORDER BY l.id DESC LIMIT 1"),
                          {identity, LoadInfo::resultName(LoadResult::Finished)}, &why);
    if (!query) {
        fail(why, error);
        return std::nullopt;
    }
    if (!query->next())
        return std::nullopt;
    LoadSummary load;
    load.info = {query->value(0).toString(), query->value(1).toString(), query->value(2).toString()};
    load.started = timeOf(query->value(3));
    load.ended = timeOf(query->value(4));
    load.result = LoadResult::Finished;
    return load;
}

bool LoadHistory::forget(const QString &identity, QString *error) const
{
    QString why;
    bool known = false;
    const bool done = m_db.write(
        [&](QString *e) {
            const auto id = m_db.value(QStringLiteral("SELECT id FROM destinations WHERE identity = ?"), {identity}, e);
            if (!id)
                return false;
            known = id->isValid();
            // Every frame sent so far, to it or anywhere, is before the mark.
            return !known
                || m_db.run(QStringLiteral("INSERT INTO forgotten (destination, at, last_frame) VALUES (?, ?, (SELECT "
                                           "coalesce(max(id), 0) FROM frames))"),
                            {*id, m_now()}, e);
        },
        &why);
    if (!done)
        return fail(why, error);
    if (!known && error)
        *error = QStringLiteral("The load history holds nothing of %1, so there is nothing to forget.").arg(identity);
    return known;
}

std::optional<FrameBitmap> LoadHistory::picture(const QByteArray &sha256, QString *error) const
{
    QString why;
    const auto stored = m_db.value(QStringLiteral("SELECT bitmap FROM bitmaps WHERE sha256 = ?"), {sha256}, &why);
    if (!stored) {
        fail(why, error);
        return std::nullopt;
    }
    if (!stored->isValid()) {
        if (error)
            *error = QStringLiteral("The load history keeps no picture of that frame.");
        return std::nullopt;
    }
    auto frame = FrameBitmapReader::parse(qUncompress(stored->toByteArray()), &why);
    if (!frame)
        fail(why, error);
    return frame;
}
