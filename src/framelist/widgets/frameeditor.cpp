#include "framelist/widgets/frameeditor.h"

#include "framelist/core/framelistmodel.h"
#include "framelist/core/framelookup.h"
#include "framelist/core/framenumber.h"
#include "framelist/widgets/frmmsgboxreplace.h"
#include "widgets/modals.h"

#include <QAbstractItemDelegate>
#include <QTimer>
#include <QTreeView>

#include <utility>

FrameEditor::FrameEditor(QWidget *window, QTreeView *view, FrameListModel *frames, QTimer *resortTimer)
    : QObject(window)
    , m_window(window)
    , m_view(view)
    , m_frames(frames)
    , m_timer(resortTimer)
{
    connect(m_timer, &QTimer::timeout, this, &FrameEditor::Timer2_Timer);
    connect(m_frames, &FrameListModel::textEdited, this, &FrameEditor::edited);
}

void FrameEditor::edited(int position, const QString &newText)
{
    m_edits.append({QPersistentModelIndex(m_frames->index(position - 1, 0)), newText});
    // Later: the in-place editor has closed before any message about the typed text appears.
    QMetaObject::invokeMethod(this, &FrameEditor::handleEdits, Qt::QueuedConnection);
}

void FrameEditor::handleEdits()
{
    for (const Edit &edit : std::exchange(m_edits, {})) {
        if (edit.entry.isValid())
            ListView1_AfterLabelEdit(edit.entry.row() + 1, edit.text);
    }
}

void FrameEditor::endEdit()
{
    for (int row = 0; row < m_frames->count(); ++row) {
        const QModelIndex entry = m_frames->index(row, 0);
        if (QWidget *editor = m_view->indexWidget(entry)) {
            QAbstractItemDelegate *delegate = m_view->itemDelegateForIndex(entry);
            emit delegate->commitData(editor);
            emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
    handleEdits();
}

void FrameEditor::ListView1_AfterLabelEdit(int position, const QString &newText)
{
    if (position < 1 || position > m_frames->count())
        return;
    const auto value = FrameNumber::parseTyped(newText);
    if (!value) {
        Modals::message(m_window, QString::fromLatin1(FrameNumber::RangeMessage), QStringLiteral("Error"),
                        QMessageBox::Critical, QMessageBox::Ok);
        return;
    }
    const int number = *value;
    // The entry being edited is the row the in-place editor was opened on (F2 edits the current
    // row), whatever else is selected.
    const FrameEntry &edited = m_frames->entry(position);
    if (edited.number == number)
        return; // the same number it has
    const QString editedPath = edited.path;
    const int taken = FrameLookup::FindFrame(*m_frames, number);

    // The re-sort timer may run while the question is open, so entries are followed, not counted.
    const QPersistentModelIndex editedRow = m_frames->index(position - 1, 0);
    if (taken != -1) {
        const QPersistentModelIndex other = m_frames->index(taken - 1, 0);
        const FrameEntry &existing = m_frames->entry(taken);
        const int answer = AskReplaceFrame(m_window,
                                           FrameNumber::FormatFrameNumber(existing.number)
                                               + QStringLiteral("  Frame name: ") + existing.path,
                                           FrameNumber::FormatFrameNumber(number) + QStringLiteral(" ") + editedPath);
        if (!editedRow.isValid() || !other.isValid())
            return;
        switch (answer) {
        case frmMsgBoxReplace::Yes:
        case frmMsgBoxReplace::YesToAll:
            // The edited entry's file moves onto the typed number; its old number goes.
            m_frames->setPath(other.row() + 1, editedPath);
            m_frames->remove(editedRow.row() + 1);
            m_timer->start();
            return;
        case frmMsgBoxReplace::No:
        case frmMsgBoxReplace::Cancel:
            return;
        default: // closed: the number is taken as typed, so two entries carry it
            break;
        }
    }
    m_frames->setNumber(editedRow.row() + 1, number);
    m_timer->start();
}

void FrameEditor::cmdRemove_Click()
{
    endEdit();
    const int position = FrameLookup::firstSelected(*m_frames, m_view->selectionModel());
    if (position > 0)
        m_frames->remove(position);
}

void FrameEditor::cmdRemoveAll_Click()
{
    endEdit();
    if (Modals::message(m_window, QStringLiteral("Remove all frames from list?"), QStringLiteral("Question"),
                        QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel)
        == QMessageBox::Ok)
        m_frames->clear();
}

void FrameEditor::Timer2_Timer()
{
    m_frames->setSorted(true);
    m_timer->stop();
}
