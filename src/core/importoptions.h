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
};
