#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where windows open: centred in the screen's available area (without panels and docks). A window
// larger than that area keeps its top-left corner in it, so its menu bar and title can be reached.
namespace ScreenPlacement {

QPoint centred(const QSize &outer, const QRect &available);

// Moves the window there, on the screen it is on (or the primary screen).
void centre(QWidget *window);

} // namespace ScreenPlacement
