#include "upload/widgets/changesurvey.h"

#include "base/latestwork.h"
#include "base/localpath.h"
#include "base/threadcheck.h"
#include "history/core/destinationidentity.h"
#include "history/core/historydatabase.h"
#include "history/core/listdigest.h"

ChangeSurvey::ChangeSurvey(QObject *parent)
    : QObject(parent)
    , m_work(new LatestWork(LatestWork::End::Detach, this))
{ }

void ChangeSurvey::request(const Request &request)
{
    DRELIN_ASSERT_THREAD(this);
    m_work->request([this, request](const LatestWork::Run &run) {
        // Runs on the survey's thread; `this` is only used where the result arrives, on ours.
        Result result = survey(request);
        run.post([this, result = std::move(result)] { emit surveyed(result); });
    });
}

void ChangeSurvey::clear()
{
    DRELIN_ASSERT_THREAD(this);
    m_work->cancel();
}

ChangeSurvey::Result ChangeSurvey::survey(const Request &request)
{
    Result result;
    result.total = int(request.jobs.size());
    const auto destination = DestinationIdentity::device(request.deviceText, &result.error);
    if (!destination)
        return result;
    // Looking makes no history: with none, nothing was recorded anywhere.
    const QString path = HistoryDatabase::pathOf(request.historyPath);
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
