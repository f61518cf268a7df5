#pragma once

#include <QImage>
#include <QRgb>

#include <vector>

// Moves a frame's colours to where they look closest to the picture's: rounds of k-means over the
// picture's colours in PerceptualColour's space rather than the one libimagequant chooses in, each
// colour kept on levels the device shows.
namespace PaletteRefiner {

// entries: colour-table entries, each component 4 x a level. The refined entries, no two alike.
std::vector<QRgb> refine(const std::vector<QRgb> &entries, const QImage &picture, int rounds);

} // namespace PaletteRefiner
