#include "import/core/nearestcolour.h"

#include <algorithm>
#include <limits>

NearestColour::NearestColour(const std::vector<PerceptualColour::Point> &points)
{
    m_byLightness.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        m_byLightness.push_back({points[i], i});
    std::stable_sort(m_byLightness.begin(), m_byLightness.end(),
                     [](const Entry &a, const Entry &b) { return a.point.l < b.point.l; });
}

size_t NearestColour::nearest(const PerceptualColour::Point &point) const
{
    const Entry *begin = m_byLightness.data();
    const Entry *end = begin + m_byLightness.size();
    const Entry *start =
        std::lower_bound(begin, end, point.l, [](const Entry &entry, float l) { return entry.point.l < l; });
    size_t best = 0;
    float bestDistance = std::numeric_limits<float>::max();
    // Summed as PerceptualColour::distanceSquared sums, so a part already past the best means the
    // whole is; a colour whose lightness alone is past it ends the search that way.
    const auto consider = [&](const Entry &entry) {
        const float dl = point.l - entry.point.l;
        const float lightness = dl * dl;
        if (lightness > bestDistance)
            return false;
        const float da = point.a - entry.point.a;
        const float part = lightness + da * da;
        if (part > bestDistance)
            return true;
        const float db = point.b - entry.point.b;
        const float d = part + db * db;
        if (d < bestDistance || (d == bestDistance && entry.index < best)) {
            bestDistance = d;
            best = entry.index;
        }
        return true;
    };
    for (const Entry *up = start; up != end && consider(*up); ++up) { }
    for (const Entry *down = start; down != begin && consider(*(down - 1)); --down) { }
    return best;
}
