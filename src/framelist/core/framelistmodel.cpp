#include "framelist/core/framelistmodel.h"

#include "frame/duplicateframes.h"
#include "framelist/core/framenumber.h"

#include <QBrush>
#include <QSet>

#include <algorithm>

FrameListModel::FrameListModel(QObject *parent, FrameFileWatch::Stat stat)
    : QAbstractTableModel(parent)
    , m_files(new FrameFileWatch(this, std::move(stat)))
    , m_diskLook(new QTimer(this))
{
    connect(m_files, &FrameFileWatch::looked, this, &FrameListModel::looked);
    m_diskLook->setObjectName(QStringLiteral("diskLook"));
    m_diskLook->setInterval(DiskLookMs);
    connect(m_diskLook, &QTimer::timeout, m_files, &FrameFileWatch::lookRound);
}

QString FrameListModel::checkingText()
{
    return QStringLiteral("checking...");
}

void FrameListModel::rowsChanged(int first, int last)
{
    // The whole row: the number column paints the file's name and check beside the number.
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void FrameListModel::check(int row)
{
    // What is known of the file shows until the look asked for here arrives.
    FrameEntry &item = m_entries[row];
    const auto known = m_known.constFind(item.path);
    item.checked = known != m_known.cend();
    item.problem = item.checked ? *known : QString();
    m_files->lookAt(item.path);
    rowsChanged(row, row);
}

void FrameListModel::followEntries()
{
    QStringList paths;
    paths.reserve(count());
    for (const FrameEntry &item : std::as_const(m_entries))
        paths.append(item.path);
    m_files->follow(paths);
    const QSet<QString> used(paths.cbegin(), paths.cend());
    for (auto it = m_known.begin(); it != m_known.end();)
        it = used.contains(it.key()) ? std::next(it) : m_known.erase(it);
}

void FrameListModel::looked(const QString &path, const QString &problem)
{
    // The look is at a path, not a row: entries removed or given another file since get nothing.
    bool used = false;
    for (int row = 0; row < count(); ++row) {
        FrameEntry &item = m_entries[row];
        if (item.path != path)
            continue;
        used = true;
        if (!item.checked || item.problem != problem) {
            item.checked = true;
            item.problem = problem;
            rowsChanged(row, row);
        }
    }
    if (used) {
        m_known.insert(path, problem);
        emit fileLooked(path);
    }
}

void FrameListModel::noteDuplicates()
{
    QVector<int> numbers;
    for (const FrameEntry &item : std::as_const(m_entries))
        numbers.append(item.number);
    const QMap<int, int> twice = DuplicateFrames::count(numbers);
    for (int row = 0; row < count(); ++row) {
        const int number = numbers.at(row);
        const QString note = twice.contains(number) ? DuplicateFrames::note(number, twice.value(number)) : QString();
        if (m_entries.at(row).duplicate != note) {
            m_entries[row].duplicate = note;
            rowsChanged(row, row);
        }
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
    QStringList notes;
    for (const QString &note : {item.checked ? QString() : checkingText(), item.problem, item.duplicate}) {
        if (!note.isEmpty())
            notes << note;
    }
    switch (role) {
    case Qt::ToolTipRole: // the number column is wide; the file is always a hover away
        return QStringList(QStringList{item.path} + notes).join(QLatin1Char('\n'));
    case Qt::ForegroundRole:
        return item.problem.isEmpty() ? QVariant() : QBrush(Qt::red);
    case UploadMarkRole:
        return int(item.mark);
    case ProblemRole:
        return item.problem;
    case CheckingRole:
        return !item.checked;
    case DuplicateRole:
        return item.duplicate;
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == FrameColumn)
            return FrameNumber::FormatFrameNumber(item.number);
        if (index.column() == PathColumn)
            return item.path;
        if (index.column() == CheckColumn)
            return notes.isEmpty() ? QStringLiteral("OK") : notes.join(QStringLiteral("; "));
        break;
    default:
        break;
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

int FrameListModel::sortedPosition(int number) const
{
    const auto it = std::upper_bound(m_entries.cbegin(), m_entries.cend(), number,
                                     [](int n, const FrameEntry &e) { return n < e.number; });
    return int(it - m_entries.cbegin());
}

int FrameListModel::add(int number, const QString &path)
{
    const int row = m_sorted ? sortedPosition(number) : count();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, FrameEntry{number, path, QString(), QString(), UploadMark::None});
    endInsertRows();
    followEntries();
    check(row);
    noteDuplicates();
    m_diskLook->start();
    return row + 1;
}

void FrameListModel::setNumber(int position, int number)
{
    m_entries[position - 1].number = number;
    rowsChanged(position - 1, position - 1);
    noteDuplicates();
}

void FrameListModel::setPath(int position, const QString &path)
{
    m_entries[position - 1].path = path;
    followEntries();
    check(position - 1);
}

void FrameListModel::remove(int position)
{
    beginRemoveRows(QModelIndex(), position - 1, position - 1);
    m_entries.removeAt(position - 1);
    endRemoveRows();
    followEntries();
    noteDuplicates();
    if (m_entries.isEmpty())
        m_diskLook->stop();
}

void FrameListModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
    followEntries();
    m_diskLook->stop();
}

void FrameListModel::setUploadMarks(const QVector<int> &positions, int sending)
{
    for (int i = 0; i < positions.size(); ++i) {
        const int row = positions.at(i) - 1;
        const UploadMark mark = i < sending ? UploadMark::Sent
            : i == sending                  ? UploadMark::Sending
                                            : UploadMark::Waiting;
        if (row >= 0 && row < count() && m_entries.at(row).mark != mark) {
            m_entries[row].mark = mark;
            rowsChanged(row, row);
        }
    }
}

void FrameListModel::clearUploadMarks()
{
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).mark != UploadMark::None) {
            m_entries[row].mark = UploadMark::None;
            rowsChanged(row, row);
        }
    }
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
    // Equal numbers keep their order.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QVector<int> order(count());
    for (int i = 0; i < count(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_entries.at(a).number < m_entries.at(b).number; });
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
