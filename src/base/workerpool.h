#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Threads that take work in the order it was given; whoever gave it takes each result back when
// it wants it, waiting if it is not made yet. Results pass under the pool's standard lock, which
// the thread sanitizer can check.
class WorkerPool
{
public:
    template<typename Result> class Pending
    {
        friend class WorkerPool;
        std::optional<Result> m_result; // under the pool's lock
    };

    explicit WorkerPool(int threads);
    // Work not started is dropped; what runs is waited for.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    template<typename Result> std::shared_ptr<Pending<Result>> start(std::function<Result()> work)
    {
        auto pending = std::make_shared<Pending<Result>>();
        post([this, pending, work = std::move(work)] {
            Result made = work();
            const std::lock_guard<std::mutex> guard(m_lock);
            pending->m_result = std::move(made);
            m_finished.notify_all();
        });
        return pending;
    }

    // Waits for the work's result.
    template<typename Result> Result take(const std::shared_ptr<Pending<Result>> &pending)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_finished.wait(lock, [&] { return pending->m_result.has_value(); });
        return std::move(*pending->m_result);
    }

    // The computer's cores, at least 1.
    static int cores();

private:
    void post(std::function<void()> task);
    void work();

    std::vector<std::thread> m_threads;
    std::mutex m_lock;
    std::condition_variable m_queued;
    std::condition_variable m_finished;
    std::deque<std::function<void()>> m_tasks; // under m_lock
    bool m_stopping = false; // under m_lock
};
