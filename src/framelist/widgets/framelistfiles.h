#pragma once

#include "framelist/core/framelistfile.h"
#include "framelist/core/keptlist.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class FrameListModel;
class QAbstractItemView;
class QAction;
class QLabel;
class QWidget;

// The frame list kept in files. Open, Save and Save as work on ".frames" files and give the
// window its caption ("NAME[*] - title" while a list file is open). Save keeps the file's
// comments and blank lines, and asks before it overwrites what changed on disk since. Besides,
// every change of the list is kept in the user's data folder within a second, with the list file
// it came from, so a list outlives an exit, a crash or a power cut: the empty list tells what it
// held and Restore brings it back.
class FrameListFiles : public QObject
{
    Q_OBJECT
public:
    static constexpr int KeepDelayMs = 300;

    // keptFile: where the list is kept between runs (by default in the user's data folder).
    FrameListFiles(QWidget *window, FrameListModel *frames, QAbstractItemView *list,
                   const QString &keptFile = QString());

    QAction *openAction() const { return m_open; }
    QAction *saveAction() const { return m_save; }
    QAction *saveAsAction() const { return m_saveAs; }
    QAction *restoreAction() const { return m_restore; }

    // Replaces the list with the file's entries; a refused file gets a box and changes nothing.
    bool open(const QString &file);
    // Save writes the open list file, or asks for a name when there is none.
    bool save();
    bool saveAs();
    bool saveTo(const QString &file);
    // The list kept by the last run (or this one); false when there is none or it is refused.
    bool restorePrevious();
    // The window is about to close: unsaved changes of an open list file are saved, dropped or
    // keep the window open, as the operator answers. True when it may close.
    bool mayClose();

    QString keptFile() const { return m_keptFile; }
    // The list file the list was opened from or saved to; empty when none.
    QString file() const { return m_file; }
    // Writes the kept copy now instead of within the second.
    void keepNow();
    // How long a list of so many frames takes on the line, for the empty list's hint.
    void setLineTime(std::function<qint64(int frames)> lineTime);
    // Runs before the list is read or replaced: ends a number edit still open in it.
    void setBeforeChange(std::function<void()> endEdit) { m_endEdit = std::move(endEdit); }

    static QString defaultKeptFile();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVector<FrameListFile::Entry> entries() const;
    void setEntries(const QVector<FrameListFile::Entry> &entries);
    bool unsaved() const;
    void endEdit();
    // The list file as it is on disk now, taken as the one the list was opened from or saved to.
    void takeFile(const QString &file, const FrameListFile::Contents &contents);
    void forgetFile();
    // Save found the file changed on disk since: overwrite, reload or cancel.
    bool changedOnDisk(const QString &file, const std::optional<QByteArray> &now);
    bool write(const QString &file, const FrameListFile::Layout &layout);
    void listChanged();
    void showCaption();
    void showPreviousHint();
    QString startFolder() const;
    QString droppedList(const QEvent *event) const;

    QWidget *m_window;
    FrameListModel *m_frames;
    QString m_keptFile;
    QString m_file; // the open list file, or empty
    QVector<FrameListFile::Entry> m_saved; // as the open list file holds them
    FrameListFile::Layout m_layout; // its other lines, kept by Save
    QByteArray m_onDisk; // a hash of its bytes when opened or saved; empty when it was not there
    KeptList::Contents m_kept; // as the kept copy holds them
    QString m_keptProblem; // why the kept copy could not be read
    QTimer m_keepTimer;
    std::function<qint64(int)> m_lineTime;
    std::function<void()> m_endEdit;
    QLabel *m_hint;
    QAction *m_open;
    QAction *m_save;
    QAction *m_saveAs;
    QAction *m_restore;
};
