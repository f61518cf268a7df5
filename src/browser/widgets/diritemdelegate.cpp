#include "browser/widgets/diritemdelegate.h"

int DirItemDelegate::indent(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    // Half a folder icon a level keeps a deep chain inside the narrow list.
    return index.data(DepthRole).toInt() * option.decorationSize.width() / 2;
}

void DirItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    const int shift = indent(*option, index);
    QStyledItemDelegate::initStyleOption(option, index);
    option->rect.setLeft(option->rect.left() + shift);
}

QSize DirItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(option, index), 0);
}
