#pragma once

#include "import/core/perceptualcolour.h"

#include <cstddef>
#include <vector>

// The nearest of a frame's colours to each colour of a picture, in PerceptualColour's space, which
// the refiner and the error diffusion ask for every pixel. The colours are kept in order of
// lightness: a search starts at the asked lightness and goes outwards, and stops where the
// lightness alone is further than the nearest found so far. The answer is the one measuring to
// every colour gives, the first of equals.
class NearestColour
{
public:
    explicit NearestColour(const std::vector<PerceptualColour::Point> &points);

    // The index, in the points given, of the one nearest `point`; 0 when there are none.
    size_t nearest(const PerceptualColour::Point &point) const;

private:
    struct Entry
    {
        PerceptualColour::Point point;
        size_t index;
    };
    std::vector<Entry> m_byLightness;
};
