#include "browser/core/folderwatch.h"

#include "base/localpath.h"

#include <QDir>
#include <QFileInfo>

namespace {
// A long copy still shows its progress: a burst is told at the latest after this many settle times.
constexpr int LongestPutOff = 8;
} // namespace

FolderWatch::FolderWatch(QObject *parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatch::onChanged);
}

bool FolderWatch::canWatch(const QString &path)
{
    return LocalPath::qtCanReach(path);
}

void FolderWatch::setFolder(const QString &folder)
{
    m_settle.stop();
    const QStringList watched = m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_folder = folder;
    // The parent tells when the folder itself is renamed or made anew; its own watch does not.
    m_parent = QDir(folder).isRoot() ? QString() : QFileInfo(folder).path();
    for (const QString &path : {m_folder, m_parent}) {
        if (canWatch(path))
            m_watcher.addPath(path);
    }
}

void FolderWatch::onChanged(const QString &path)
{
    const bool isFolder = LocalPath::stat(m_folder).isFolder;
    // A folder made anew under the same name is another folder to the old watch, which has ended.
    const bool madeAnew = isFolder && !m_watcher.directories().contains(m_folder) && canWatch(m_folder);
    if (madeAnew)
        m_watcher.addPath(m_folder);
    // A sibling coming or going in the parent is no change here.
    if (path == m_folder || !isFolder || madeAnew)
        noteChange();
}

void FolderWatch::noteChange()
{
    // Each change puts the telling off until the folder is quiet, within a limit.
    if (!m_settle.isActive())
        m_since.start();
    const qint64 left = qint64(m_settleTime) * LongestPutOff - m_since.elapsed();
    m_settle.start(int(qBound(qint64(0), left, qint64(m_settleTime))));
}
