#pragma once

#include "framelist/core/framefilewatch.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QTimer>
#include <QVector>

// Where an entry stands in the upload that is sending it; None outside an upload.
enum class UploadMark { None, Sent, Sending, Waiting };

// One frame of the list: its frame number and the full path of its bitmap file. The number's
// four-digit text is made where it is shown.
struct FrameEntry
{
    int number = 0;
    QString path;
    QString problem; // why the file is not a frame bitmap; empty when it is or until it is known
    QString duplicate; // that another entry carries the same number, and what the device keeps
    UploadMark mark = UploadMark::None;
    bool checked = false; // whether anything is known of the file yet
};

// The frame list: entries in list order, shown as the columns "Frame", "File" and "Check" (whether
// the file is a frame bitmap, and why not; that its number is given twice). A file is checked when
// its entry is added, when the entry gets another file, and when it changes on disk (its size and
// times are looked at every second); never on a repaint. The checks run off the window's thread
// (FrameFileWatch), as a file on a share or a stick can take long to answer: until the first
// arrives an entry shows what was last known of its file, or "checking...".
// Positions in the public functions are 1-based, as the list's users count them.
class FrameListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FrameColumn = 0, PathColumn = 1, CheckColumn = 2, ColumnCount };
    enum Role { UploadMarkRole = Qt::UserRole + 1, ProblemRole, DuplicateRole, CheckingRole };
    static constexpr int DiskLookMs = 1000;

    // stat: how the files are looked at; a test stands in for LocalPath::stat.
    explicit FrameListModel(QObject *parent = nullptr, FrameFileWatch::Stat stat = FrameFileWatch::Stat());

    // What an entry's check shows while its file has not been looked at.
    static QString checkingText();

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
    int add(int number, const QString &path);
    void setNumber(int position, int number);
    void setPath(int position, const QString &path);
    void remove(int position);
    void clear();

    // Marks each entry at `positions` (1-based, in sending order): those before `sending` (an
    // index into positions) went out, the one at it is going, the rest wait. clearUploadMarks()
    // after the upload.
    void setUploadMarks(const QVector<int> &positions, int sending);
    void clearUploadMarks();

    // Switching sorting on sorts the list at once, ascending by frame number. A changed number does
    // not move its entry until sorting is switched on again.
    void setSorted(bool sorted);

signals:
    // The operator finished editing an entry's text in the list; the handler decides what happens.
    void textEdited(int position, const QString &newText);
    // An entry's file was looked at anew: it is new to the list or changed on disk.
    void fileLooked(const QString &path);

private:
    int sortedPosition(int number) const;
    void sortNow();
    void check(int row);
    void followEntries();
    void looked(const QString &path, const QString &problem);
    void noteDuplicates();
    void rowsChanged(int first, int last);

    QVector<FrameEntry> m_entries;
    QHash<QString, QString> m_known; // each entry's file's problem as last looked at
    FrameFileWatch *m_files;
    QTimer *m_diskLook; // "diskLook"
    bool m_sorted = false;
};
