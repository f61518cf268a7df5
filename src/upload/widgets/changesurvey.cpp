#include "upload/widgets/changesurvey.h"

#include "base/localpath.h"
#include "base/mailbox.h"
#include "base/threadcheck.h"
#include "history/core/destinationidentity.h"
#include "history/core/historydatabase.h"
#include "history/core/listdigest.h"

#include <condition_variable>
#include <mutex>
#include <thread>

struct ChangeSurvey::Shared
{
    std::mutex lock;
    std::condition_variable wake;
    Request next; // under lock
    int generation = 0; // of next, under lock
    bool pending = false; // under lock
    ChangeSurvey *owner = nullptr; // under lock; null once the survey has gone
    Mailbox *returns = nullptr; // under lock, as owner
};

ChangeSurvey::ChangeSurvey(QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
    , m_returns(new Mailbox(this))
{
    m_shared->owner = this;
    m_shared->returns = m_returns;
    std::thread([shared = m_shared] { work(shared); }).detach();
}

ChangeSurvey::~ChangeSurvey()
{
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->owner = nullptr;
        m_shared->returns = nullptr;
    }
    m_shared->wake.notify_all();
}

void ChangeSurvey::request(const Request &request)
{
    DRELIN_ASSERT_THREAD(this);
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->next = request;
        m_shared->generation = ++m_latest;
        m_shared->pending = true;
    }
    m_shared->wake.notify_all();
}

void ChangeSurvey::clear()
{
    DRELIN_ASSERT_THREAD(this);
    ++m_latest; // what is being worked on is dropped when it comes
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->pending = false;
}

ChangeSurvey::Result ChangeSurvey::survey(const Request &request)
{
    Result result;
    result.total = int(request.jobs.size());
    const auto destination = DestinationIdentity::device(request.deviceText, &result.error);
    if (!destination)
        return result;
    // Looking makes no history: with none, nothing was recorded anywhere.
    const QString path = request.historyPath.isEmpty() ? HistoryDatabase::defaultPath() : request.historyPath;
    if (!LocalPath::stat(path).exists) {
        result.changed = ChangedSet::of(ListDigest::of(request.jobs), DeviceHoldings());
        return result;
    }
    const auto db = HistoryDatabase::open(path, &result.error);
    if (!db)
        return result;
    result.changed = ListDigest::changed(*db, destination->identity, ListDigest::of(request.jobs), &result.error);
    return result;
}

void ChangeSurvey::work(const std::shared_ptr<Shared> &shared)
{
    for (;;) {
        Request request;
        int generation = 0;
        {
            std::unique_lock<std::mutex> lock(shared->lock);
            shared->wake.wait(lock, [&shared] { return shared->pending || !shared->owner; });
            if (!shared->owner)
                return;
            request = std::move(shared->next);
            generation = shared->generation;
            shared->pending = false;
        }
        Result result = survey(request);
        const std::lock_guard<std::mutex> guard(shared->lock);
        if (!shared->owner)
            return;
        shared->returns->post([owner = shared->owner, generation, result = std::move(result)] {
            if (generation != owner->m_latest)
                return; // a later request is on its way
            emit owner->surveyed(result);
        });
    }
}
