#pragma once

#include <QColor>

#include <algorithm>

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
    // to `last` (0-based, inclusive; -1 for the last picture), every `step`th. A still picture
    // always becomes its frame.
    int first = 0;
    int last = -1;
    int step = 1;

    // Whether picture `index` of an animation becomes a frame.
    bool takes(int index) const
    {
        const int from = std::max(first, 0);
        return index >= from && (last < 0 || index <= last) && (index - from) % std::max(step, 1) == 0;
    }
    // How many of an animation's `pictures` become frames.
    int taken(int pictures) const
    {
        const int from = std::max(first, 0);
        const int to = last < 0 ? pictures - 1 : std::min(last, pictures - 1);
        return to < from ? 0 : (to - from) / std::max(step, 1) + 1;
    }
};
