#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells when the entries of a folder change on disk (added, deleted, renamed) or the folder itself
// goes away. A burst of changes, such as thousands of files copied in, is told once it settles, so
// the folder is not listed again for each file.
class FolderWatch : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatch(QObject *parent = nullptr);

    // Watches folder instead of the one before; a change not yet told about is forgotten.
    void setFolder(const QString &folder);
    // How long the folder must stay quiet before a change is told.
    void setSettleTime(int ms) { m_settleTime = ms; }
    // Forgets a change not yet told: the folder has just been read anyway.
    void clearPending() { m_settle.stop(); }

signals:
    void changed();

private:
    void onChanged(const QString &path);
    void noteChange();
    // Qt's watcher encodes names as UTF-8; a name with other bytes would watch another path.
    static bool canWatch(const QString &path);

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QElapsedTimer m_since; // since the first change not yet told
    QString m_folder;
    QString m_parent;
    int m_settleTime = 150;
};
