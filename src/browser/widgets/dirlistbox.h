#pragma once

#include "browser/core/folderwatch.h"

#include <QListWidget>

// The folder list: the folders from the root down to the current one, then the current folder's
// subfolders that are not hidden. Opening one (double-click or Enter) makes it current. Subfolders
// made or removed on disk come and go from the list without moving its current row.
class DirListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Makes dir the current folder. Returns false, changing nothing, when it cannot be listed.
    bool setPath(const QString &dir);

signals:
    void pathChanged(const QString &path);
    // The operator opened a folder that cannot be listed; nothing changed.
    void openFailed(const QString &path);
    // The current folder was deleted or renamed on disk; nearest is the closest folder above it
    // that can still be listed. The list stays as it was until it is told where to go.
    void folderGone(const QString &nearest);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    void fill();
    void followDisk();
    // The current folder's subfolders in list order, hidden ones left out.
    QStringList subfolders() const;
    QListWidgetItem *subfolderItem(const QString &name) const;

    QString m_path;
    int m_chainLength = 0; // rows from the root down to the current folder
    FolderWatch m_watch;
};
