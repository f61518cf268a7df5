#include "base/latestwork.h"

#include "base/mailbox.h"
#include "base/threadcheck.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr int TaskGeneration = -1;

} // namespace

struct LatestWork::Run::Shared
{
    std::atomic<int> generation{0}; // the latest request's
    std::mutex lock;
    std::condition_variable wake;
    std::optional<Job> next; // under lock
    int nextGeneration = 0; // under lock
    std::deque<Job> tasks; // under lock
    Mailbox *returns = nullptr; // under lock; null once the owner has gone
    std::function<void()> atEnd;
    std::thread thread; // joined by the owner, or detached
};

LatestWork::Run::Run(std::shared_ptr<Shared> shared, int generation)
    : m_shared(std::move(shared))
    , m_generation(generation)
{ }

bool LatestWork::Run::superseded() const
{
    if (m_generation != TaskGeneration)
        return m_shared->generation.load() != m_generation;
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    return !m_shared->returns;
}

void LatestWork::Run::post(std::function<void()> work) const
{
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    if (!m_shared->returns)
        return;
    // Checked again on arrival: a request made while this was on its way supersedes it too.
    m_shared->returns->post([shared = m_shared.get(), generation = m_generation, work = std::move(work)] {
        if (generation == TaskGeneration || shared->generation.load() == generation)
            work();
    });
}

LatestWork::LatestWork(End end, QObject *parent, std::function<void()> atEnd)
    : QObject(parent)
    , m_shared(std::make_shared<Run::Shared>())
    , m_end(end)
{
    // The mailbox is this object's child: what is still on its way when this goes is dropped with it.
    m_shared->returns = new Mailbox(this);
    m_shared->atEnd = std::move(atEnd);
    m_shared->thread = std::thread([shared = m_shared] { work(shared); });
    if (m_end == End::Detach)
        m_shared->thread.detach();
}

LatestWork::~LatestWork()
{
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->returns = nullptr;
        m_shared->next.reset();
        m_shared->tasks.clear();
    }
    ++m_shared->generation; // the job under way stops at its next step
    m_shared->wake.notify_all();
    if (m_end == End::Join)
        m_shared->thread.join();
}

void LatestWork::request(Job job)
{
    DRELIN_ASSERT_THREAD(this);
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->next = std::move(job);
        m_shared->nextGeneration = ++m_shared->generation;
    }
    m_shared->wake.notify_all();
}

void LatestWork::cancel()
{
    DRELIN_ASSERT_THREAD(this);
    const std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->next.reset();
    ++m_shared->generation;
}

void LatestWork::runTask(Job task)
{
    DRELIN_ASSERT_THREAD(this);
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->tasks.push_back(std::move(task));
    }
    m_shared->wake.notify_all();
}

void LatestWork::work(const std::shared_ptr<Run::Shared> &shared)
{
    for (;;) {
        Job job;
        int generation = TaskGeneration;
        {
            std::unique_lock<std::mutex> lock(shared->lock);
            shared->wake.wait(lock, [&shared] { return shared->next || !shared->tasks.empty() || !shared->returns; });
            if (!shared->returns)
                break;
            if (!shared->tasks.empty()) {
                job = std::move(shared->tasks.front());
                shared->tasks.pop_front();
            } else {
                job = std::move(*shared->next);
                generation = shared->nextGeneration;
                shared->next.reset();
            }
        }
        job(Run(shared, generation));
    }
    if (shared->atEnd)
        shared->atEnd();
}
