#include "framelist/core/framelistmodel.h"

#include "core/framebitmap.h"

#include <QBrush>
#include <QFileInfo>

#include <algorithm>

FrameListModel::FrameListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FrameListModel::fileChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FrameListModel::folderChanged);
}

void FrameListModel::check(int row)
{
    FrameEntry &item = m_entries[row];
    item.problem = FrameBitmapReader::problemWith(item.path);
    watch(item.path);
    const QModelIndex changed = index(row, CheckColumn);
    emit dataChanged(changed, changed);
}

void FrameListModel::watch(const QString &path)
{
    // The folder too: a file that is deleted and made again is no longer watched by itself.
    const QString folder = QFileInfo(path).absolutePath();
    for (const QString &watched : {path, folder}) {
        if (QFileInfo::exists(watched) && !m_watcher.files().contains(watched)
            && !m_watcher.directories().contains(watched))
            m_watcher.addPath(watched);
    }
}

void FrameListModel::unwatchUnused()
{
    QStringList used;
    for (const FrameEntry &item : std::as_const(m_entries))
        used << item.path << QFileInfo(item.path).absolutePath();
    QStringList unused;
    for (const QString &watched : m_watcher.files() + m_watcher.directories()) {
        if (!used.contains(watched))
            unused << watched;
    }
    if (!unused.isEmpty())
        m_watcher.removePaths(unused);
}

void FrameListModel::fileChanged(const QString &path)
{
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).path == path)
            check(row);
    }
}

void FrameListModel::folderChanged(const QString &folder)
{
    for (int row = 0; row < count(); ++row) {
        if (QFileInfo(m_entries.at(row).path).absolutePath() == folder)
            check(row);
    }
}

int FrameListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int FrameListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FrameListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const FrameEntry &item = m_entries.at(index.row());
    if (role == Qt::ToolTipRole) // the number column is wide; the file is always a hover away
        return item.problem.isEmpty() ? item.path : item.path + QLatin1Char('\n') + item.problem;
    if (role == Qt::ForegroundRole && !item.problem.isEmpty())
        return QBrush(Qt::red);
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (index.column() == FrameColumn)
            return item.text;
        if (index.column() == PathColumn)
            return item.path;
        if (index.column() == CheckColumn)
            return item.problem.isEmpty() ? QStringLiteral("OK") : item.problem;
    }
    return QVariant();
}

QVariant FrameListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case FrameColumn:
        return QStringLiteral("Frame");
    case PathColumn:
        return QStringLiteral("File");
    case CheckColumn:
        return QStringLiteral("Check");
    default:
        return QVariant();
    }
}

Qt::ItemFlags FrameListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == FrameColumn)
        result |= Qt::ItemIsEditable;
    return result;
}

bool FrameListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // The in-place editor does not write the entry itself: the list's edit handler checks the
    // typed text and applies what it accepts.
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != FrameColumn)
        return false;
    emit textEdited(index.row() + 1, value.toString());
    return false;
}

int FrameListModel::sortedPosition(const QString &text) const
{
    const auto it = std::upper_bound(m_entries.cbegin(), m_entries.cend(), text,
                                     [](const QString &t, const FrameEntry &e) { return t < e.text; });
    return int(it - m_entries.cbegin());
}

int FrameListModel::add(const QString &text, const QString &path)
{
    const int row = m_sorted ? sortedPosition(text) : count();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, FrameEntry{text, path, QString()});
    endInsertRows();
    check(row);
    return row + 1;
}

void FrameListModel::setText(int position, const QString &text)
{
    m_entries[position - 1].text = text;
    const QModelIndex changed = index(position - 1, FrameColumn);
    emit dataChanged(changed, changed);
}

void FrameListModel::setPath(int position, const QString &path)
{
    m_entries[position - 1].path = path;
    const QModelIndex changed = index(position - 1, PathColumn);
    emit dataChanged(changed, changed);
    check(position - 1);
}

void FrameListModel::remove(int position)
{
    beginRemoveRows(QModelIndex(), position - 1, position - 1);
    m_entries.removeAt(position - 1);
    endRemoveRows();
    unwatchUnused();
}

void FrameListModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
    unwatchUnused();
}

void FrameListModel::setSorted(bool sorted)
{
    // Switching it on sorts at once, also when it was on already (a renumbered entry moves).
    m_sorted = sorted;
    if (sorted)
        sortNow();
}

void FrameListModel::sortNow()
{
    // Entry texts are four digits, so text order is frame-number order; equal texts keep their order.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QVector<int> order(count());
    for (int i = 0; i < count(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_entries.at(a).text < m_entries.at(b).text; });
    QVector<FrameEntry> sorted;
    sorted.reserve(count());
    QVector<int> newRowOf(count());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(m_entries.at(order[i]));
        newRowOf[order[i]] = i;
    }
    m_entries = sorted;
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
