#pragma once

#include "browser/core/folderwatch.h"

#include <QListView>
#include <QStringList>

class QStringListModel;

// The file list: the names in one folder that match the pattern, sorted as a file list is
// (letter case ignored), several selectable at once. Indices are 0-based. It follows the folder on
// disk: files that come and go are added and taken out, and the operator's choice stays put.
class FileListBox : public QListView
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString &dir);
    // "*.bmp" style; the match ignores letter case.
    void setPattern(const QString &pattern);

    int ListCount() const;
    QString List(int index) const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);
    int ListIndex() const;
    // Selects one entry as a click would, and raises fileClicked.
    void selectAndClick(int index);

    // Lists the folder again now, so what follows acts on the files on disk, whether the watch
    // has told of a change yet or not.
    void syncWithDisk();
    // How long the folder must stay quiet after a change before it is listed again.
    void setSettleTime(int ms) { m_watch.setSettleTime(ms); }

signals:
    void fileClicked(int index);
    // The folder was listed again for a change on disk.
    void relisted();

private:
    void refill();
    // Takes out the names gone and adds the new ones, so the selection, the current item and the
    // view's place stay with the names that are still there, and nothing is previewed.
    void followDisk();

    QStringListModel *m_model;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    FolderWatch m_watch;
};
