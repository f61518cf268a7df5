#include "browser/widgets/filelistbox.h"

#include "base/localpath.h"
#include "browser/core/folderlisting.h"
#include "widgets/itemchoice.h"

#include <QCollator>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QStringListModel>

#include <algorithm>

FileListBox::FileListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new QStringListModel(this))
{
    // Choosing a file by the keys previews it as a click does.
    connect(ItemChoice::install(this, m_model), &ItemChoice::chosen, this,
            [this](const QModelIndex &index) { emit fileClicked(index.row()); });
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true); // keeps a folder of thousands of names quick to lay out
    connect(&m_watch, &FolderWatch::changed, this, &FileListBox::followDisk);
}

void FileListBox::setPath(const QString &dir)
{
    m_path = dir;
    m_watch.setFolder(dir);
    refill();
}

void FileListBox::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    refill();
}

void FileListBox::refill()
{
    m_model->setStringList(FolderListing::matching(m_path, m_pattern));
}

void FileListBox::syncWithDisk()
{
    m_watch.clearPending();
    followDisk();
}

void FileListBox::followDisk()
{
    emit relisted();
    const QStringList fresh = FolderListing::matching(m_path, m_pattern);
    const QStringList shown = m_model->stringList();
    if (fresh == shown)
        return;
    const QPersistentModelIndex top(indexAt(QPoint(0, 0)));

    // Rows, not a reset: the selection model keeps what the operator chose on the rows that stay,
    // and the choice watcher knows a current item moved by the model is no click.
    const QSet<QString> wanted(fresh.cbegin(), fresh.cend());
    for (int row = int(shown.size()); row > 0;) {
        if (wanted.contains(shown.at(row - 1))) {
            --row;
            continue;
        }
        const int end = row;
        while (row > 0 && !wanted.contains(shown.at(row - 1)))
            --row;
        m_model->removeRows(row, end - row);
    }
    const QStringList kept = m_model->stringList();
    int row = 0;
    qsizetype next = 0; // in kept
    for (qsizetype i = 0; i < fresh.size();) {
        if (next < kept.size() && kept.at(next) == fresh.at(i)) {
            ++next;
            ++i;
            ++row;
            continue;
        }
        qsizetype end = i;
        while (end < fresh.size() && !(next < kept.size() && kept.at(next) == fresh.at(end)))
            ++end;
        m_model->insertRows(row, int(end - i));
        for (; i < end; ++i, ++row)
            m_model->setData(m_model->index(row), fresh.at(i));
    }
    // Only when the kept names were not in the fresh order (a collation that changed its mind).
    if (row < m_model->rowCount())
        m_model->removeRows(row, m_model->rowCount() - row);

    if (top.isValid())
        scrollTo(top, QAbstractItemView::PositionAtTop);
}

int FileListBox::ListCount() const
{
    return m_model->rowCount();
}

QString FileListBox::List(int index) const
{
    return m_model->index(index).data().toString();
}

bool FileListBox::Selected(int index) const
{
    return selectionModel()->isSelected(m_model->index(index));
}

void FileListBox::setSelected(int index, bool selected)
{
    selectionModel()->select(m_model->index(index),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int FileListBox::ListIndex() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void FileListBox::selectAndClick(int index)
{
    const QModelIndex target = m_model->index(index);
    if (!target.isValid())
        return;
    if (target == currentIndex()) {
        selectionModel()->select(target, QItemSelectionModel::ClearAndSelect);
        emit fileClicked(index);
        return;
    }
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect); // raises fileClicked
}
