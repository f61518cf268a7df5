#pragma once

#include "frame/framebitmap.h"

#include <QImage>
#include <QString>

#include <optional>

// Chooses a frame's colours for the device, which keeps 6 bits a component: at most 256 of them,
// chosen on the levels it keeps (libimagequant with a posterization of 2 bits), moved to where
// they look closest to the picture's (PaletteRefiner), and maps the pixels to them as the device
// shows them (ErrorDiffusion). Each colour-table entry is 4 x a level so the cut loses nothing, no
// two entries alike, unused entries black.
namespace FrameQuantizer {

struct Settings
{
    double dither = 1.0; // Floyd-Steinberg, 0 (off) to 1 (ErrorDiffusion::FullStrength)
    // libimagequant's: 1 is its slowest, 10 its fastest. Its colours are only a start for the
    // refinement, which makes up for what speed 6 gives away (bench_import measures it).
    int speed = 6;
    int refinement = 2; // rounds of PaletteRefiner; 0 keeps libimagequant's colours
    // libimagequant puts level L at 4 L + L div 16, the device shows it at L x 255 / 63: it is
    // given each value where it must aim for the device to show that value. Off: the picture as it
    // is, the levels it proposes up to one off (kept to measure).
    bool aimAtDeviceCurve = true;
};

// The frame for a 256 x 128 picture; nothing, with the reason in *error, when it cannot be made.
std::optional<FrameBitmap> quantize(const QImage &picture, const Settings &settings, QString *error = nullptr);

} // namespace FrameQuantizer
