#pragma once

#include "core/framebitmap.h"

#include <QImage>
#include <QString>

#include <optional>

// Chooses a frame's colours for the device, which keeps 6 bits a component: at most 256 of them,
// chosen on the levels it keeps (libimagequant with a posterization of 2 bits), each colour-table
// entry 4 x a level so the cut loses nothing, no two entries alike after it; unused entries black.
namespace FrameQuantizer {

struct Settings
{
    double dither = 1.0; // Floyd-Steinberg, 0 (off) to 1
    int speed = 1; // libimagequant's: 1 is its slowest and best, 10 its fastest
    // Makes the picture 252/255 as bright first, as if the device showed level L as 4 x L. It does
    // not (see the .cpp); kept to measure against in the benchmark.
    bool scaleToTableValues = false;
};

// The frame for a 256 x 128 picture; nothing, with the reason in *error, when it cannot be made.
std::optional<FrameBitmap> quantize(const QImage &picture, const Settings &settings, QString *error = nullptr);

} // namespace FrameQuantizer
