#pragma once

// The platform that drelin-convert draws pictures with, SVG text and all, where there may be no
// display.
namespace DrawingPlatform {

// Chooses it, unless QT_QPA_PLATFORM already has; before the application starts.
void choose();

} // namespace DrawingPlatform
