#include "farend.h"

#include <chrono>

FarEnd::FarEnd(PtyPair &pty, bool reading)
    : m_pty(pty)
    , m_reading(reading)
{
    m_thread = std::thread([this] {
        while (!m_quit.load()) {
            if (!m_reading.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            const QByteArray more = m_pty.read(1 << 20, 20);
            if (more.isEmpty())
                continue;
            QMutexLocker lock(&m_mutex);
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
    QMutexLocker lock(&m_mutex);
    return m_data;
}
