#pragma once

#include "import/core/importoptions.h"

#include <QImage>
#include <QRect>
#include <QSize>

// Where a picture lands in the 256 x 128 frame.
namespace FrameGeometry {

// The size the picture is drawn at, and where in the frame (may reach past its edges for Fill).
QRect placement(const QSize &picture, ImportOptions::Geometry geometry);

// The frame: the picture scaled (by area when smaller, smoothly when larger) and laid on the
// background colour, transparency included. RGB32, 256 x 128.
QImage compose(const QImage &picture, const ImportOptions &options);

// The same for a picture already drawn at its placement's size (a drawing rendered to size).
QImage composeDrawn(const QImage &drawn, const QRect &placement, const QColor &background);

} // namespace FrameGeometry
