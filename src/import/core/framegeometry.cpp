#include "import/core/framegeometry.h"

#include "frame/framebitmap.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace FrameGeometry {

QRect placement(const QSize &picture, ImportOptions::Geometry geometry)
{
    const QSize frame(FrameBitmap::Width, FrameBitmap::Height);
    if (geometry == ImportOptions::Geometry::Stretch || picture.isEmpty())
        return QRect(QPoint(0, 0), frame);
    const double byWidth = double(frame.width()) / picture.width();
    const double byHeight = double(frame.height()) / picture.height();
    const double scale =
        geometry == ImportOptions::Geometry::Fit ? std::min(byWidth, byHeight) : std::max(byWidth, byHeight);
    const QSize size(std::max(1, int(std::lround(picture.width() * scale))),
                     std::max(1, int(std::lround(picture.height() * scale))));
    return QRect(QPoint((frame.width() - size.width()) / 2, (frame.height() - size.height()) / 2), size);
}

QImage composeDrawn(const QImage &drawn, const QRect &placement, const QColor &background)
{
    QImage frame(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
    frame.fill(background.rgb());
    QPainter painter(&frame);
    painter.drawImage(placement.topLeft(), drawn);
    return frame;
}

QImage compose(const QImage &picture, const ImportOptions &options)
{
    const QRect where = placement(picture.size(), options.geometry);
    // Qt's smooth scaling averages over the area when it shrinks, so a photo does not alias; it
    // does so for colour formats only (a 1-bit picture would shrink to pure black and white).
    const QImage colours = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage scaled = colours.size() == where.size()
        ? colours
        : colours.scaled(where.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return composeDrawn(scaled, where, options.background);
}

} // namespace FrameGeometry
