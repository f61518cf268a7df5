#pragma once

#include <QAbstractTableModel>
#include <QFileSystemWatcher>
#include <QString>
#include <QVector>

// One frame of the list: its four-digit number text and the full path of its bitmap file.
struct FrameEntry
{
    QString text;
    QString path;
    QString problem; // why the file is not a frame bitmap; empty when it is
};

// The frame list: entries in list order, shown as the columns "Frame", "File" and "Check" (whether
// the file is a frame bitmap, and why not). A file is checked when its entry is added, when the
// entry gets another file, and when the file changes on disk; never on a repaint.
// Positions in the public functions are 1-based, as the list's users count them.
class FrameListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FrameColumn = 0, PathColumn = 1, CheckColumn = 2, ColumnCount };

    explicit FrameListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    int count() const { return int(m_entries.size()); }
    const FrameEntry &entry(int position) const { return m_entries.at(position - 1); }
    const QVector<FrameEntry> &entries() const { return m_entries; }

    // Adds an entry at the end, or in its sorted place once sorting is on. Returns its position.
    int add(const QString &text, const QString &path);
    void setText(int position, const QString &text);
    void setPath(int position, const QString &path);
    void remove(int position);
    void clear();

    // Switching sorting on sorts the list at once, ascending by entry text. A changed text does not
    // move its entry until sorting is switched on again.
    void setSorted(bool sorted);

signals:
    // The operator finished editing an entry's text in the list; the handler decides what happens.
    void textEdited(int position, const QString &newText);

private:
    int sortedPosition(const QString &text) const;
    void sortNow();
    void check(int row);
    void watch(const QString &path);
    void unwatchUnused();
    void fileChanged(const QString &path);
    void folderChanged(const QString &folder);

    QVector<FrameEntry> m_entries;
    QFileSystemWatcher m_watcher;
    bool m_sorted = false;
};
