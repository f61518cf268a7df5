#pragma once

#include <QSize>
#include <QStyledItemDelegate>

struct SlotView;

// A slot in the grid and on the contact sheet: its picture as the device shows it (a grey
// placeholder until it is made), and beneath it the number and name, when it was loaded and its
// state. Every cell the same size, so the grid lays 256 of them out at once.
class SlotDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int ThumbnailWidth = 128; // half the frame's size
    static constexpr int ThumbnailHeight = 64;
    static constexpr int CellWidth = ThumbnailWidth + 12;
    static constexpr int CellHeight = ThumbnailHeight + 60;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Paints slot `number` into cell (CellWidth x CellHeight), on the window's thread (its fonts).
    static void paintSlot(QPainter *painter, const QRect &cell, int number, const SlotView &slot);
};
