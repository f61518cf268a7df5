#pragma once

#include <QRect>
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

} // namespace Twips
