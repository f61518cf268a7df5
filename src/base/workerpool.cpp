#include "base/workerpool.h"

#include <algorithm>

WorkerPool::WorkerPool(int threads)
{
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_threads.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
        m_tasks.clear();
    }
    m_queued.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

int WorkerPool::cores()
{
    return std::max(1, int(std::thread::hardware_concurrency()));
}

void WorkerPool::post(std::function<void()> task)
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_tasks.push_back(std::move(task));
    }
    m_queued.notify_one();
}

void WorkerPool::work()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_queued.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_stopping)
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}
