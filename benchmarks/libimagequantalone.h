#pragma once

#include "frame/framebitmap.h"

#include <QImage>

#include <optional>

// The frame as libimagequant alone makes it, choosing, mapping and dithering (1.0) on its own
// level values (posterization 2, speed 1), each entry cut to 4 x its level: how the import made
// frames before it refined the colours and diffused the error itself, kept to measure against.
namespace LibimagequantAlone {

// What libimagequant is given: it puts level L at 4 L + L div 16, the device shows it at
// L x 255 / 63.
enum class Aim {
    AsItIs, // the picture as it is
    TableValues, // made 252/255 as bright first, as if the device showed level L as 4 x L
    DeviceCurve // each value moved to where libimagequant must aim for the device to show it
};

std::optional<FrameBitmap> quantize(const QImage &picture, Aim aim);

} // namespace LibimagequantAlone
