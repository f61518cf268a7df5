#include "widgets/formstyle.h"

#include <QWidget>

namespace FormStyle {

QFont formFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

void apply(QWidget *form)
{
    form->setFont(formFont());
}

} // namespace FormStyle
