#include "filelistbox.h"

#include "app/itemchoice.h"
#include "upload/localpath.h"

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

QStringList FileListBox::listFolder(const QString &dir, const QString &pattern)
{
    if (dir.isEmpty())
        return {};
    // Matched here rather than by QDir's name filters so "LOGO.BMP" is a bitmap on every platform.
    const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern),
                                      QRegularExpression::CaseInsensitiveOption);
    QStringList matched;
    for (const QString &name : LocalPath::entries(dir, LocalPath::Kind::Files)) {
        // A name that is not UTF-8 carries escape characters the pattern matcher would refuse;
        // the pattern only looks at the ending, so they stand in as any other character.
        QString comparable = name;
        for (QChar &c : comparable) {
            if (c.isSurrogate())
                c = QChar::ReplacementCharacter;
        }
        if (wildcard.match(comparable).hasMatch())
            matched.append(name);
    }
    std::stable_sort(matched.begin(), matched.end(), &FileListBox::comesBefore);
    return matched;
}

bool FileListBox::comesBefore(const QString &a, const QString &b)
{
    static const QCollator collator = [] {
        QCollator caseless;
        caseless.setCaseSensitivity(Qt::CaseInsensitive);
        return caseless;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
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
    m_model->setStringList(listFolder(m_path, m_pattern));
}

void FileListBox::syncWithDisk()
{
    m_watch.clearPending();
    followDisk();
}

void FileListBox::followDisk()
{
    ++m_relists;
    const QStringList fresh = listFolder(m_path, m_pattern);
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
