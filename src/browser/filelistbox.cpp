#include "filelistbox.h"

#include "app/itemchoice.h"
#include "upload/localpath.h"

#include <QCollator>
#include <QDir>
#include <QRegularExpression>
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
