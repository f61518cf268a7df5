#pragma once

#include <QRect>
#include <QString>
#include <QtMath>

// Layout unit of the window designs: 1/1440 inch, 15 twips to a pixel at 96 dots per inch.
namespace Twips {

inline constexpr double PerPixel = 15.0;

inline int toPixels(int twips)
{
    return qRound(twips / PerPixel);
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

// Names a control and puts it at its place on its form, given in twips.
template<typename Widget> Widget *place(Widget *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect(left, top, width, height));
    return widget;
}

} // namespace Twips
