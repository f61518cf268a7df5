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

void setTabOrder(const QList<QWidget *> &order)
{
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void apply(QWidget *form)
{
    form->setFont(formFont());
}

} // namespace FormStyle
