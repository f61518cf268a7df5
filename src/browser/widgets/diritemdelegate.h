#pragma once

#include <QStyledItemDelegate>

// Draws a folder-list entry indented by its depth below the root, leaving the entry's text the
// plain folder name so typing a name finds it.
class DirItemDelegate : public QStyledItemDelegate
{
public:
    // The entry's depth below the root (an int; the root is 0).
    static constexpr int DepthRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    static int indent(const QStyleOptionViewItem &option, const QModelIndex &index);
};
