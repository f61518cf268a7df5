#pragma once

#include <QStyledItemDelegate>

// Paints a frame-list entry's number and, after it in the same column, the file's name and a
// check mark or the reason the file is refused, so they show although the column is wider than
// the list. The entry going out in an upload is drawn bold on a tint. The entry's text and its in-place editor stay the
// four-digit number.
class FrameEntryDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // What is painted after the number: the file name, and the refusal reason (empty when the
    // file is a frame bitmap, which shows as a check mark, or while it is being checked), then that
    // the number is given twice.
    // While an upload runs, where the entry stands in it takes the check mark's place.
    struct Caption
    {
        QString fileName;
        QString problem;
        QString duplicate;
        QString upload; // "sent", "sending", "waiting"; empty outside an upload
        bool checking = false; // nothing is known of the file yet
    };
    static Caption caption(const QModelIndex &index);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Keeps what the operator has typed: a row changes while its number is edited when its file's
    // check arrives.
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
};
