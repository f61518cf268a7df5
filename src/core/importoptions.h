#pragma once

#include <QColor>

// How a picture becomes a frame.
struct ImportOptions
{
    enum class Geometry {
        Fit, // the whole picture inside the frame, centred, borders in the background colour
        Fill, // the frame covered, the middle of the picture kept
        Stretch // the picture stretched to the frame
    };
    Geometry geometry = Geometry::Fit;
    QColor background = Qt::black; // borders and whatever is transparent
    double dither = 1.0; // Floyd-Steinberg, 0 (off) to 1
    // Which pictures of an animation become frames, so a long one fits the device: from `first`
    // to `last` (0-based, inclusive; -1 for the last picture), every `step`th.
    int first = 0;
    int last = -1;
    int step = 1;
};
