#include "serial/core/networklink.h"

#include "frame/framename.h"
#include "network/core/networkconnection.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
constexpr qint64 WaitSliceUs = 20000;
// Room for at least this many characters is waited for, not one at a time.
constexpr qint64 RoomWanted = 64;
} // namespace

NetworkLink::NetworkLink(NetworkConnection *connection, QString subject, QString notOpenReason,
                         const std::atomic<bool> &abort, const std::atomic<bool> *stop, int reconnectSeconds)
    : m_connection(connection)
    , m_subject(std::move(subject))
    , m_notOpenReason(std::move(notOpenReason))
    , m_abort(abort)
    , m_stop(stop)
    , m_reconnectSeconds(reconnectSeconds)
{ }

void NetworkLink::frameBegun(int number)
{
    m_frame = number;
    m_frameCharacters = 0;
}

bool NetworkLink::write(const QByteArray &data)
{
    if (!m_connection || !m_connection->isOpen())
        return fail(m_notOpenReason, false);
    qint64 offset = 0;
    while (offset < data.size()) {
        if (m_abort.load())
            return fail(QStringLiteral("The transmission was cancelled."), false);
        const qint64 left = data.size() - offset;
        // A stopped upload does not wait for the line; it ends at its next check.
        const LineModel &model = m_connection->lineModel();
        const qint64 now = NetworkConnection::nowUs();
        const qint64 room = stopRequested() ? left
            : m_connection->held()          ? 0
                                            : std::min(left, model.room(now, AheadLimitUs));
        if (room <= 0) {
            m_stall.waiting(m_connection->unsent() + model.aheadUs(now) / 1000);
            const qint64 needUs = qint64(std::min(left, RoomWanted) * model.usPerCharacter());
            const qint64 waitUs = m_connection->held() ? WaitSliceUs : model.aheadUs(now) - AheadLimitUs + needUs;
            if (!m_connection->service(std::clamp<qint64>(waitUs, 1000, WaitSliceUs)))
                return lost();
            continue;
        }
        if (!m_connection->send(data.mid(offset, room)))
            return lost();
        offset += room;
        m_frameCharacters += room;
    }
    m_stall.moved();
    return true;
}

bool NetworkLink::drain()
{
    if (!m_connection || !m_connection->isOpen())
        return fail(m_notOpenReason, false);
    const LineModel &model = m_connection->lineModel();
    const qint64 start = NetworkConnection::nowUs();
    const qint64 target = model.endUs() + (model.aheadUs(start) > 100000 ? DrainMarginUs : 0);
    for (;;) {
        if (m_abort.load())
            return fail(QStringLiteral("The transmission was cancelled."), false);
        if (stopRequested())
            break;
        if (!m_connection->service(0))
            return lost();
        const qint64 now = NetworkConnection::nowUs();
        const qint64 unsent = m_connection->unsent();
        if (now >= target && unsent == 0)
            break;
        const qint64 remaining = target - now;
        if (remaining > 2000) {
            if (!m_connection->service(std::min(remaining - 1000, WaitSliceUs)))
                return lost();
        } else {
            // Short waits are slept exactly: a colour's two characters take a fraction of a millisecond.
            std::this_thread::sleep_for(std::chrono::microseconds(remaining > 0 ? remaining : 500));
        }
        if (remaining <= 0)
            m_stall.waiting(unsent);
    }
    m_stall.moved();
    return true;
}

bool NetworkLink::reconnect()
{
    if (!m_lineLost || m_reconnectSeconds <= 0 || !m_connection)
        return false;
    const qint64 deadline = NetworkConnection::nowUs() + m_reconnectSeconds * 1000000LL;
    QString why;
    for (;;) {
        if (m_abort.load() || stopRequested())
            return false;
        if (m_connection->open(&why)) {
            m_lineLost = false;
            return true;
        }
        // A server that is restarting refuses at once: try again a second later, until the time is up.
        const qint64 retryAt = NetworkConnection::nowUs() + 1000000;
        if (retryAt >= deadline)
            break;
        while (NetworkConnection::nowUs() < retryAt && !m_abort.load() && !stopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error += QStringLiteral(" Calling it again for %1 s did not help: %2").arg(m_reconnectSeconds).arg(why);
    return false;
}

bool NetworkLink::fail(const QString &description, bool lineLost)
{
    m_error = description;
    m_lineLost = m_lineLost || lineLost;
    return false;
}

bool NetworkLink::lost()
{
    const QString why = m_connection->failure();
    if (m_frame < 0)
        return fail(QStringLiteral("%1: the connection was lost: %2").arg(m_subject, why), true);
    return fail(QStringLiteral("%1: the connection was lost after %2 characters of frame %3: %4")
                    .arg(m_subject)
                    .arg(m_frameCharacters)
                    .arg(FrameNumber::FormatFrameNumber(m_frame), why),
                true);
}
