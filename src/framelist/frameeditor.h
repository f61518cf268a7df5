#pragma once

#include <QObject>

class FrameListModel;
class QTimer;
class QTreeView;
class QWidget;

// Changes to entries already in the frame list: the delayed re-sort after a renumbering.
class FrameEditor : public QObject
{
    Q_OBJECT
public:
    FrameEditor(QWidget *window, QTreeView *view, FrameListModel *frames, QTimer *resortTimer);

    // 200 ms after a renumbering: sort the list by entry text and stop the timer.
    void Timer2_Timer();

private:
    QWidget *m_window;
    QTreeView *m_view;
    FrameListModel *m_frames;
    QTimer *m_timer;
};
