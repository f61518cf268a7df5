#pragma once

#include <QFont>
#include <QList>

class QWidget;

// The look the windows were designed with: small sans-serif text on light grey.
namespace FormStyle {

// 8.25 pt sans serif, the size the control positions were laid out for.
QFont formFont();
void apply(QWidget *form);
// The tab order as designed: each control after the one before it in the list.
void setTabOrder(const QList<QWidget *> &order);

} // namespace FormStyle
