#include "framelist/core/framefilewatch.h"

#include "base/mailbox.h"
#include "base/threadcheck.h"
#include "frame/framebitmap.h"

#include <QHash>
#include <QSet>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

struct FrameFileWatch::Shared
{
    Stat stat;
    std::mutex lock;
    std::condition_variable wake;
    // The rest under lock.
    QStringList order; // the followed files in list order, each once
    QSet<QString> followed;
    std::deque<QString> asked; // to read whatever their times say; before the round's
    std::deque<QString> round; // to look at the times of
    QHash<QString, LocalPath::Info> seen; // each followed file as last looked at
    QSet<QString> hanging; // files whose look was left to finish on its own
    int looker = 0; // the thread that looks for the watch; others end after the look they are in
    quint64 looks = 0; // looks begun
    bool busy = false; // the looker is in a look
    QString busyWith;
    FrameFileWatch *owner = nullptr; // null once the watch has gone
    Mailbox *returns = nullptr; // as owner

    bool hasWork() const { return !asked.empty() || !round.empty(); }

    // The next file to look at and whether it was asked for; an empty path when none is left.
    std::pair<QString, bool> next()
    {
        while (hasWork()) {
            const bool wasAsked = !asked.empty();
            std::deque<QString> &queue = wasAsked ? asked : round;
            const QString path = queue.front();
            queue.pop_front();
            if (followed.contains(path) && !hanging.contains(path))
                return {path, wasAsked};
        }
        return {};
    }
};

FrameFileWatch::FrameFileWatch(QObject *parent, Stat stat)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
    , m_returns(new Mailbox(this))
{
    m_shared->stat = stat ? std::move(stat) : [](const QString &path) { return LocalPath::stat(path); };
    m_shared->owner = this;
    m_shared->returns = m_returns;
    startLooker(0);
}

FrameFileWatch::~FrameFileWatch()
{
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->owner = nullptr;
        m_shared->returns = nullptr;
    }
    m_shared->wake.notify_all();
}

void FrameFileWatch::startLooker(int looker)
{
    std::thread([shared = m_shared, looker] { work(shared, looker); }).detach();
}

void FrameFileWatch::follow(const QStringList &paths)
{
    DRELIN_ASSERT_THREAD(this);
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    Shared &shared = *m_shared;
    shared.order.clear();
    shared.followed.clear();
    for (const QString &path : paths) {
        if (!shared.followed.contains(path)) {
            shared.followed.insert(path);
            shared.order.append(path);
        }
    }
    for (auto it = shared.seen.begin(); it != shared.seen.end();)
        it = shared.followed.contains(it.key()) ? std::next(it) : shared.seen.erase(it);
}

void FrameFileWatch::lookAt(const QString &path)
{
    DRELIN_ASSERT_THREAD(this);
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->asked.push_back(path);
    }
    m_shared->wake.notify_all();
}

void FrameFileWatch::lookRound()
{
    DRELIN_ASSERT_THREAD(this);
    std::optional<int> fresh;
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        Shared &shared = *m_shared;
        // The same look as at the round before: it has taken a whole round at least.
        if (shared.busy && shared.looks == m_looksAtLastRound && shared.hanging.size() < MostLeftHanging) {
            shared.hanging.insert(shared.busyWith);
            shared.busy = false;
            fresh = ++shared.looker;
        }
        m_looksAtLastRound = shared.looks;
        const QSet<QString> waiting(shared.round.cbegin(), shared.round.cend());
        for (const QString &path : std::as_const(shared.order)) {
            if (!waiting.contains(path))
                shared.round.push_back(path);
        }
    }
    if (fresh)
        startLooker(*fresh);
    m_shared->wake.notify_all();
}

void FrameFileWatch::work(const std::shared_ptr<Shared> &shared, int looker)
{
    std::unique_lock<std::mutex> lock(shared->lock);
    for (;;) {
        shared->wake.wait(lock, [&] { return !shared->owner || shared->looker != looker || shared->hasWork(); });
        if (!shared->owner || shared->looker != looker)
            return;
        const auto [path, asked] = shared->next();
        if (path.isEmpty())
            continue;
        const bool seen = shared->seen.contains(path);
        const LocalPath::Info before = shared->seen.value(path);
        shared->busy = true;
        shared->busyWith = path;
        ++shared->looks;
        lock.unlock();

        // The times before the header: a change made while it is read shows at the next round.
        const LocalPath::Info info = shared->stat(path);
        const bool read = asked || !seen || before != info;
        const QString problem = read ? FrameBitmapReader::problemWith(path) : QString();

        lock.lock();
        const bool leftHanging = shared->looker != looker;
        if (leftHanging)
            shared->hanging.remove(path);
        else
            shared->busy = false;
        if (shared->followed.contains(path))
            shared->seen.insert(path, info);
        if (read && shared->owner) {
            shared->returns->post([owner = shared->owner, path = path, problem] { emit owner->looked(path, problem); });
        }
        if (leftHanging)
            return;
    }
}
