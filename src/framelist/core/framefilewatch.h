#pragma once

#include "base/localpath.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Mailbox;

// Looks at the frame list's files off the window's thread: a file on a share whose server has
// gone, or on a slow stick, can keep a look waiting for minutes, and the window must not wait with
// it. One thread looks at one file at a time: its size and times every round, its header when they
// changed or when asked. A look still going at the next round but one is taken as hung: its file
// is skipped until it returns, and a fresh thread looks at the others, so a hung file holds up its
// own mark only. The hung thread is left to finish on its own, as is any thread when the watch
// goes; neither waits for it, and what it finds then reaches nobody.
class FrameFileWatch : public QObject
{
    Q_OBJECT
public:
    // What is at a path: LocalPath::stat, but where a test stands in for it.
    using Stat = std::function<LocalPath::Info(const QString &path)>;
    // Hung looks left to finish on their own at once; past this the next hung one is waited out
    // (the window still goes on), so a share that has gone with many frames on it does not leave
    // a thread behind for each.
    static constexpr int MostLeftHanging = 8;

    explicit FrameFileWatch(QObject *parent = nullptr, Stat stat = Stat());
    // Returns at once, whatever the threads are doing.
    ~FrameFileWatch() override;

    // The files to follow. Looks at others are not made, and what one finds is not told.
    void follow(const QStringList &paths);
    // Reads the file's header soon, whatever its times say: an entry added or given another file.
    void lookAt(const QString &path);
    // Looks at every followed file's size and times, and reads the header of each that changed.
    void lookRound();

signals:
    // The header of the file at path was read: why it is not a frame bitmap, empty when it is.
    void looked(const QString &path, const QString &problem);

private:
    // Shared with the threads, which may outlive the watch.
    struct Shared;

    static void work(const std::shared_ptr<Shared> &shared, int looker);
    void startLooker(int looker);

    std::shared_ptr<Shared> m_shared;
    Mailbox *m_returns;
    quint64 m_looksAtLastRound = 0;
};
