#include "core/nearestcolour.h"

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
    const auto size = std::ptrdiff_t(m_byLightness.size());
    const auto start = std::ptrdiff_t(std::lower_bound(m_byLightness.begin(), m_byLightness.end(), point.l,
                                                       [](const Entry &entry, float l) { return entry.point.l < l; })
                                      - m_byLightness.begin());
    size_t best = 0;
    float bestDistance = std::numeric_limits<float>::max();
    const auto consider = [&](const Entry &entry) {
        const float d = PerceptualColour::distanceSquared(point, entry.point);
        if (d < bestDistance || (d == bestDistance && entry.index < best)) {
            bestDistance = d;
            best = entry.index;
        }
    };
    // A colour whose lightness alone is further than the best cannot be nearer, nor equal to it.
    const auto beyond = [&](const Entry &entry) {
        const float dl = point.l - entry.point.l;
        return dl * dl > bestDistance;
    };
    std::ptrdiff_t down = start - 1, up = start;
    bool downOpen = down >= 0, upOpen = up < size;
    while (downOpen || upOpen) {
        if (upOpen) {
            if (beyond(m_byLightness[size_t(up)]))
                upOpen = false;
            else
                consider(m_byLightness[size_t(up)]);
            upOpen = upOpen && ++up < size;
        }
        if (downOpen) {
            if (beyond(m_byLightness[size_t(down)]))
                downOpen = false;
            else
                consider(m_byLightness[size_t(down)]);
            downOpen = downOpen && --down >= 0;
        }
    }
    return best;
}
