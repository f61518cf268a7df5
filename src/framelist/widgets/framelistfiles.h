#pragma once

#include "framelist/core/framelistfile.h"

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
// window its caption ("NAME[*] - title" while a list file is open). Besides, every change of the
// list is kept in the user's data folder within a second, so a list outlives an exit, a crash or a
// power cut: the empty list tells what it held and Restore brings it back.
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

    QString keptFile() const { return m_keptFile; }
    // Writes the kept copy now instead of within the second.
    void keepNow();
    // How long a list of so many frames takes on the line, for the empty list's hint.
    void setLineTime(std::function<qint64(int frames)> lineTime);

    static QString defaultKeptFile();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVector<FrameListFile::Entry> entries() const;
    void setEntries(const QVector<FrameListFile::Entry> &entries);
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
    QVector<FrameListFile::Entry> m_kept; // as the kept copy holds them
    QTimer m_keepTimer;
    std::function<qint64(int)> m_lineTime;
    QLabel *m_hint;
    QAction *m_open;
    QAction *m_save;
    QAction *m_saveAs;
    QAction *m_restore;
};
