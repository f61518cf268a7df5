#pragma once

#include "core/importoptions.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class Mailbox;

// Makes what the import dialog previews, off the window's thread, since choosing a frame's colours
// takes tens of milliseconds, an animation's many times that: the pictures of a file laid on the
// frame as the options say, then, one picture at a time, what the device will show of each. Only
// the latest request is worked on: one made meanwhile replaces it, and what the earlier one makes
// is dropped.
class PreviewRenderer : public QObject
{
    Q_OBJECT
public:
    struct Picture
    {
        QImage frame; // as the options lay it on the frame, full colour
        QImage shown; // as the device will show it; null until made
        int delayMs = 0; // how long an animation shows it
    };

    explicit PreviewRenderer(QObject *parent = nullptr);
    ~PreviewRenderer() override;

    void request(const QString &path, const ImportOptions &options);
    // Drops the pictures and whatever is being made.
    void clear();

    // What the latest request has made so far.
    const QList<Picture> &pictures() const { return m_pictures; }
    int shownCount() const { return m_shown; }
    // Why the picture cannot be previewed; empty when it can.
    QString problem() const { return m_problem; }
    bool isDone() const { return m_done; }

signals:
    // The latest request's pictures were read, or found unreadable (problem()).
    void picturesRead();
    // What the device shows of picture `index` is made.
    void shownMade(int index);
    // Everything the latest request asked for is made.
    void done();

private:
    struct Request
    {
        int generation = 0;
        QString path;
        ImportOptions options;
    };

    void work();
    void render(const Request &request);
    bool superseded(int generation) const { return m_generation.load() != generation; }

    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    Request m_next; // under m_lock
    bool m_pending = false; // under m_lock
    bool m_stopping = false; // under m_lock
    std::atomic<int> m_generation{0}; // the latest request's
    Mailbox *m_returns;

    QList<Picture> m_pictures;
    int m_shown = 0;
    QString m_problem;
    bool m_done = true;
};
