#pragma once

#include <QObject>

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

private:
    QWidget *m_window;
    QTreeView *m_view;
    FrameListModel *m_frames;
    QTimer *m_timer;
};
