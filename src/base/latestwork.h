#pragma once

#include <QObject>

#include <functional>
#include <memory>

class Mailbox;

// A thread of its own for work where only the latest request counts: a request made meanwhile
// replaces the one waiting, and the one being worked on is told it is superseded, so what it still
// hands back is dropped on arrival. Tasks, unlike requests, are never dropped: they run in order
// before the next request. What a job hands back runs on the thread this object lives on.
class LatestWork : public QObject
{
    Q_OBJECT
public:
    // What a job sees of itself on the worker thread.
    class Run
    {
    public:
        // A later request came, the work was cancelled, or its owner has gone: stop at the next step.
        bool superseded() const;
        // Runs work on the owner's thread, unless the job is superseded by then.
        void post(std::function<void()> work) const;

    private:
        friend class LatestWork;
        struct Shared;
        Run(std::shared_ptr<Shared> shared, int generation);

        std::shared_ptr<Shared> m_shared;
        int m_generation; // a task's is none: only its owner's going supersedes it
    };
    using Job = std::function<void(const Run &run)>;

    enum class End {
        Detach, // the destructor returns at once; the job under way finishes alone, telling nobody
        Join, // the destructor waits for the step under way (for what the thread must close itself)
    };

    // atEnd runs on the worker thread as it ends.
    explicit LatestWork(End end, QObject *parent = nullptr, std::function<void()> atEnd = {});
    ~LatestWork() override;

    void request(Job job);
    // Drops the request waiting and supersedes the one under way.
    void cancel();
    void runTask(Job task);

private:
    static void work(const std::shared_ptr<Run::Shared> &shared);

    std::shared_ptr<Run::Shared> m_shared;
    End m_end;
};
