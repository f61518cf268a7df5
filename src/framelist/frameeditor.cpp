#include "frameeditor.h"

#include "framelistmodel.h"

#include <QTimer>
#include <QTreeView>

FrameEditor::FrameEditor(QWidget *window, QTreeView *view, FrameListModel *frames, QTimer *resortTimer)
    : QObject(window)
    , m_window(window)
    , m_view(view)
    , m_frames(frames)
    , m_timer(resortTimer)
{
    connect(m_timer, &QTimer::timeout, this, &FrameEditor::Timer2_Timer);
}

void FrameEditor::Timer2_Timer()
{
    m_frames->setSorted(true);
    m_timer->stop();
}
