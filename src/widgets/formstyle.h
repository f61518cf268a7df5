#pragma once

#include <QFont>

class QWidget;

// The look the windows were designed with: small sans-serif text on light grey.
namespace FormStyle {

// 8.25 pt sans serif, the size the control positions were laid out for.
QFont formFont();
void apply(QWidget *form);

} // namespace FormStyle
