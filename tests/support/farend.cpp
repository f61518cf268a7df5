#include "farend.h"

#include "base/clock.h"
#include "frame/seriallink.h"
#include "serial/core/serialportcomponent.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>

FarEnd::FarEnd(PtyPair &pty, bool reading)
    : m_pty(pty)
    , m_reading(reading)
{
    m_thread = std::thread([this] {
        while (!m_quit.load()) {
            if (!m_reading.load() || !m_pty.waitForData(20)) {
                if (!m_reading.load())
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            // The limit is looked at once there is something to read, so one set before the
            // program writes holds for everything it writes.
            const qint64 limit = m_limit.load();
            const qint64 room = limit < 0 ? qint64(1) << 20 : limit - m_count.load();
            bool hungUp = false;
            const QByteArray more = room > 0 ? m_pty.readNow(room, &hungUp) : QByteArray();
            if (more.isEmpty()) {
                m_hungUp = hungUp && m_count.load() > 0; // not before the program has opened it
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            m_hungUp = false;
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_arrivals.append({m_data.size(), monotonicMs()});
            m_data += more;
            m_count = m_data.size();
        }
    });
}

FarEnd::~FarEnd()
{
    m_quit = true;
    m_thread.join();
}

QByteArray FarEnd::received() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_data;
}

QVector<QPair<qint64, qint64>> FarEnd::arrivals() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivals;
}

std::optional<QByteArray> FarEnd::everythingSent(SerialPortComponent &port)
{
    // No byte of the protocol's text, so it cannot be mistaken for part of a frame.
    const QByteArray marker = "\x01" + QByteArray::number(++m_markers) + "\x01";
    bool returned = false;
    QObject receiver;
    if (!port.startJob<bool>([marker](SerialLink &link) { return link.write(marker) && link.drain(); }, &receiver,
                             [&returned](bool) { returned = true; }))
        return std::nullopt;
    // The job's end too, so the port is free for the test's next upload.
    if (!QTest::qWaitFor([&] { return returned && received().contains(marker); }, 10000))
        return std::nullopt;
    const std::lock_guard<std::mutex> lock(m_mutex);
    const qint64 at = m_data.indexOf(marker);
    m_data.remove(at, marker.size());
    m_count = m_data.size();
    return m_data.left(at);
}
