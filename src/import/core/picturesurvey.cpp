#include "import/core/picturesurvey.h"

#include "base/mailbox.h"
#include "base/threadcheck.h"
#include "import/core/picturereader.h"

PictureSurvey::PictureSurvey(QObject *parent)
    : QObject(parent)
    , m_returns(new Mailbox(this))
{
    m_thread = std::thread([this] { work(); });
}

PictureSurvey::~PictureSurvey()
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void PictureSurvey::survey(const QStringList &paths)
{
    DRELIN_ASSERT_THREAD(this);
    QStringList asked;
    for (const QString &path : paths) {
        if (!m_asked.contains(path))
            asked << path;
        m_asked.insert(path);
    }
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_queue.insert(m_queue.end(), asked.cbegin(), asked.cend());
    }
    m_wake.notify_all();
}

const PictureSurvey::Finding *PictureSurvey::finding(const QString &path) const
{
    const auto it = m_findings.constFind(path);
    return it == m_findings.cend() ? nullptr : &it.value();
}

void PictureSurvey::work()
{
    for (;;) {
        QString path;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            path = m_queue.front();
            m_queue.pop_front();
        }
        // The first picture read whole, the others counted: what converting it would meet first.
        Finding finding;
        PictureReader::Read read;
        if (PictureReader::read(path, ImportOptions(), 1, &read, &finding.problem))
            finding.pictures = int(read.pictures.size()) + read.leftOut;
        m_returns->post([this, path, finding] {
            m_findings.insert(path, finding);
            emit found(path);
        });
    }
}
