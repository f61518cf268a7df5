#include "history/widgets/slotdelegate.h"

#include "history/widgets/slotgridmodel.h"

#include "frame/framename.h"

#include <QPainter>

namespace {

QColor stateColour(const SlotView &slot)
{
    if (slot.holding.state == SlotState::Unknown)
        return QColor(0xB0, 0x60, 0x00);
    if (slot.holding.state == SlotState::Complete)
        return slot.differs ? QColor(0xC0, 0x00, 0x00) : QColor(0x00, 0x70, 0x00);
    return QColor(0x60, 0x60, 0x60);
}

} // namespace

void SlotDelegate::paintSlot(QPainter *painter, const QRect &cell, int number, const SlotView &slot)
{
    painter->save();
    const QRect picture(cell.left() + (cell.width() - ThumbnailWidth) / 2, cell.top() + 4, ThumbnailWidth,
                        ThumbnailHeight);
    if (slot.thumbnail.isNull())
        painter->fillRect(picture, QColor(0xD8, 0xD8, 0xD8));
    else
        painter->drawImage(picture, slot.thumbnail);
    painter->setPen(stateColour(slot));
    painter->drawRect(picture.adjusted(-1, -1, 0, 0));

    const int line = (cell.bottom() - picture.bottom() - 4) / 3;
    QRect text(cell.left() + 2, picture.bottom() + 4, cell.width() - 4, line);
    const QFontMetrics metrics(painter->font());
    const auto draw = [&](const QString &words, const QColor &colour) {
        painter->setPen(colour);
        painter->drawText(text, Qt::AlignHCenter | Qt::AlignVCenter,
                          metrics.elidedText(words, Qt::ElideRight, text.width()));
        text.translate(0, line);
    };
    const QString name = slot.holding.name;
    draw(name.isEmpty() ? FrameNumber::FormatFrameNumber(number)
                        : FrameNumber::FormatFrameNumber(number) + QLatin1Char(' ') + name,
         Qt::black);
    draw(slot.loadedText(), Qt::black);
    draw(slot.stateText(), stateColour(slot));
    painter->restore();
}

void SlotDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *model = qobject_cast<const SlotGridModel *>(index.model());
    if (!model) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, option.palette.highlight().color().lighter(170));
    const QRect cell(option.rect.topLeft(), QSize(CellWidth, CellHeight));
    paintSlot(painter, cell, index.row(), model->slotViews()[size_t(index.row())]);
}

QSize SlotDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    return QSize(CellWidth, CellHeight);
}
