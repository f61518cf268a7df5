#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QVector>

class FrameListModel;
class QTimer;
class QTreeView;
class QWidget;

// Changes to entries already in the frame list: renumbering in place, removing one or all, and
// the re-sort 200 ms after a renumbering.
class FrameEditor : public QObject
{
    Q_OBJECT
public:
    FrameEditor(QWidget *window, QTreeView *view, FrameListModel *frames, QTimer *resortTimer);

    // The operator ended editing the number of the entry at `position` with `newText`.
    void ListView1_AfterLabelEdit(int position, const QString &newText);
    // Removes the first selected entry; nothing when none is selected.
    void cmdRemove_Click();
    // Asks, then empties the list.
    void cmdRemoveAll_Click();
    void Timer2_Timer();

    // Ends a number edit that is open or not yet handled: the number typed goes to the entry it
    // was typed on, or nowhere when that entry is gone. Whatever changes or reads the list as a
    // whole calls this first, so no edit lands on a row that has moved under it.
    void endEdit();

private:
    // The in-place editor handed over its text; handled once the editor has closed.
    void edited(int position, const QString &newText);
    void handleEdits();

    struct Edit
    {
        QPersistentModelIndex entry; // follows its row through removals and sorting
        QString text;
    };

    QWidget *m_window;
    QTreeView *m_view;
    FrameListModel *m_frames;
    QTimer *m_timer;
    QVector<Edit> m_edits;
};
