#include "history/core/loadrecorder.h"

#include "history/core/historydatabase.h"

#include "frame/framewriter.h"

#include <QDateTime>

namespace {

// Qt binds a null string as NULL; the history keeps an empty text.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

LoadRecorder::LoadRecorder(const HistoryDatabase &db, const Destination &destination,
                           std::function<qint64()> wallClockMs)
    : m_db(db)
    , m_destination(destination)
    , m_now(wallClockMs ? std::move(wallClockMs) : [] { return QDateTime::currentMSecsSinceEpoch(); })
{ }

bool LoadRecorder::fail(const QString &why, QString *error) const
{
    if (error)
        *error = m_db.failure(why);
    return false;
}

bool LoadRecorder::beginLoad(const LoadInfo &info, QString *error)
{
    QString why;
    const bool done = m_db.write(
        [&](QString *e) {
            const QString kind = Destination::kindName(m_destination.kind);
            if (!m_db.run(
                    QStringLiteral("INSERT INTO destinations (identity, kind, label) VALUES (?, ?, ?) ON CONFLICT "
                                   "(identity) DO UPDATE SET kind = excluded.kind, label = excluded.label"),
                    {text(m_destination.identity), kind, text(m_destination.label)}, e))
                return false;
            const auto id = m_db.value(QStringLiteral("SELECT id FROM destinations WHERE identity = ?"),
                                       {m_destination.identity}, e);
            if (!id)
                return false;
            m_destinationId = id->toLongLong();
            const auto load =
                m_db.run(QStringLiteral("INSERT INTO loads (destination, workstation, user, list_file, "
                                        "started) VALUES (?, ?, ?, ?, ?)"),
                         {m_destinationId, text(info.workstation), text(info.user), text(info.listFile), m_now()}, e);
            if (!load)
                return false;
            m_load = load->lastInsertId().toLongLong();
            return true;
        },
        &why);
    return done || fail(why, error);
}

bool LoadRecorder::bitmapId(const SentFrame &frame, qint64 *id, QString *why) const
{
    const auto known = m_db.value(QStringLiteral("SELECT id FROM bitmaps WHERE sha256 = ?"), {frame.sha256}, why);
    if (!known)
        return false;
    if (known->isValid()) {
        *id = known->toLongLong();
        return true;
    }
    // Made into a standard bitmap and compressed only the first time the frame is seen.
    const auto inserted = m_db.run(QStringLiteral("INSERT INTO bitmaps (sha256, bitmap) VALUES (?, ?)"),
                                   {frame.sha256, qCompress(FrameWriter::encode(frame.frame))}, why);
    if (inserted)
        *id = inserted->lastInsertId().toLongLong();
    return bool(inserted);
}

bool LoadRecorder::sourceId(const SentFrame &frame, qint64 *id, QString *why) const
{
    if (!m_db.run(QStringLiteral("INSERT OR IGNORE INTO sources (name, path) VALUES (?, ?)"),
                  {text(frame.name), text(frame.sourcePath)}, why))
        return false;
    const auto known = m_db.value(QStringLiteral("SELECT id FROM sources WHERE path = ? AND name = ?"),
                                  {text(frame.sourcePath), text(frame.name)}, why);
    if (known)
        *id = known->toLongLong();
    return bool(known);
}

bool LoadRecorder::frameStarting(const SentFrame &frame, QString *error)
{
    Q_ASSERT(m_load != 0 && m_frame == 0);
    if (m_load == 0)
        return fail(QStringLiteral("no load was begun"), error);
    QString why;
    const bool done = m_db.write(
        [&](QString *e) {
            qint64 bitmap = 0;
            qint64 source = 0;
            if (!bitmapId(frame, &bitmap, e) || !sourceId(frame, &source, e))
                return false;
            const auto inserted =
                m_db.run(QStringLiteral("INSERT INTO frames (load, number, bitmap, source, started, state) VALUES (?, "
                                        "?, ?, ?, ?, ?)"),
                         {m_load, frame.number, bitmap, source, m_now(), int(FrameState::InFlight)}, e);
            if (!inserted)
                return false;
            m_frame = inserted->lastInsertId().toLongLong();
            return bool(m_db.run(QStringLiteral("INSERT INTO slots (destination, number, frame) VALUES (?, ?, ?) ON "
                                                "CONFLICT (destination, number) DO UPDATE SET frame = excluded.frame"),
                                 {m_destinationId, frame.number, m_frame}, e));
        },
        &why);
    if (!done)
        m_frame = 0;
    return done || fail(why, error);
}

bool LoadRecorder::frameEnded(FrameState state, QString *error)
{
    Q_ASSERT(m_frame != 0 && state != FrameState::InFlight);
    if (m_frame == 0)
        return fail(QStringLiteral("no frame was in flight"), error);
    QString why;
    // Lost in a power cut, the end leaves the frame in flight: unknown, sent again.
    const bool done = m_db.runUnsynced(QStringLiteral("UPDATE frames SET ended = ?, state = ? WHERE id = ?"),
                                       {m_now(), int(state), m_frame}, &why);
    m_frame = 0;
    return done || fail(why, error);
}

bool LoadRecorder::endLoad(LoadResult result, QString *error)
{
    Q_ASSERT(m_load != 0 && m_frame == 0);
    if (m_load == 0)
        return fail(QStringLiteral("no load was begun"), error);
    QString why;
    const bool done = m_db.runUnsynced(QStringLiteral("UPDATE loads SET ended = ?, result = ? WHERE id = ?"),
                                       {m_now(), LoadInfo::resultName(result), m_load}, &why);
    m_load = 0;
    return done || fail(why, error);
}
