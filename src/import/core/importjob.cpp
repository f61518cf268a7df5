#include "import/core/importjob.h"

#include "base/mailbox.h"
#include "base/threadcheck.h"

QStringList ImportJob::Result::written() const
{
    QStringList files;
    for (const PictureConverter::Outcome &outcome : outcomes)
        files << outcome.written;
    return files;
}

ImportJob::ImportJob(QObject *parent)
    : QObject(parent)
    , m_returns(new Mailbox(this))
{ }

ImportJob::~ImportJob()
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_abandoned = true;
    }
    m_cancel.store(true);
    m_heard.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ImportJob::start(const Request &request)
{
    DRELIN_ASSERT_THREAD(this);
    if (isRunning())
        return false;
    m_cancel.store(false);
    m_progressHeard = 0; // no job thread yet
    m_result = Result();
    m_thread = std::thread([this, request] { run(request); });
    return true;
}

void ImportJob::cancel()
{
    m_cancel.store(true);
}

void ImportJob::run(Request request)
{
    PictureConverter converter(request.options, request.folder);
    converter.setOverwrite(request.overwrite);
    converter.setCancel(&m_cancel);
    converter.setProgress([this](int framesWritten) { tellProgress(framesWritten); });
    Result result;
    result.outcomes = converter.convert(request.pictures);
    result.cancelled = m_cancel.load();
    m_returns->post([this, result] {
        m_thread.join(); // it has nothing left to do but return
        m_result = result;
        emit finished();
    });
}

void ImportJob::tellProgress(int framesWritten)
{
    m_returns->post([this, framesWritten] {
        emit progress(framesWritten);
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_progressHeard = framesWritten;
        }
        m_heard.notify_all();
    });
    std::unique_lock<std::mutex> lock(m_lock);
    m_heard.wait(lock, [this, framesWritten] { return m_progressHeard >= framesWritten || m_abandoned; });
}
