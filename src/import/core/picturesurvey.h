#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class Mailbox;

// What the import dialog marks on each picture as soon as it is added, found off the window's
// thread: how many pictures the file holds, or why it cannot become a frame (empty, not a picture,
// damaged). Files are looked at in the order given, each once.
class PictureSurvey : public QObject
{
    Q_OBJECT
public:
    struct Finding
    {
        int pictures = 0; // 1 for a still picture; 0 when it cannot become a frame
        QString problem; // why it cannot; empty when it can
    };

    explicit PictureSurvey(QObject *parent = nullptr);
    // The file being looked at is finished; the others are not looked at.
    ~PictureSurvey() override;

    void survey(const QStringList &paths);
    // What was found of the file; nothing until found() tells it.
    const Finding *finding(const QString &path) const;
    bool isDone() const { return m_asked.size() == m_findings.size(); }

signals:
    void found(const QString &path);

private:
    void work();

    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<QString> m_queue; // under m_lock
    bool m_stopping = false; // under m_lock
    Mailbox *m_returns;

    QHash<QString, Finding> m_findings;
    QSet<QString> m_asked;
};
