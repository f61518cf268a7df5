#include "import/core/paletterefiner.h"

#include "frame/deviceview.h"
#include "import/core/nearestcolour.h"
#include "import/core/perceptualcolour.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace PaletteRefiner {

namespace {

using PerceptualColour::Point;

// The table entry (4 x level a component) whose shown colour is nearest the point, among the
// levels around it.
QRgb nearestEntry(const Point &target)
{
    const std::array<double, 3> srgb = PerceptualColour::srgbOf(target);
    QRgb best = 0;
    float bestDistance = std::numeric_limits<float>::max();
    for (int k = 0; k < 27; ++k) {
        std::array<int, 3> level{};
        for (int c = 0, step = k; c < 3; ++c, step /= 3)
            level[size_t(c)] = std::clamp(int(std::lround(srgb[size_t(c)] * 63 / 255)) + step % 3 - 1, 0, 63);
        const QRgb entry = qRgb(4 * level[0], 4 * level[1], 4 * level[2]);
        const float d = PerceptualColour::distanceSquared(target, PerceptualColour::fromSrgb(DeviceView::shown(entry)));
        if (d < bestDistance) {
            bestDistance = d;
            best = entry;
        }
    }
    return best;
}

} // namespace

std::vector<QRgb> refine(const std::vector<QRgb> &entries, const QImage &picture, int rounds)
{
    // Each colour of the picture once, with how many pixels have it.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[row[x] | 0xFF000000u];
    }
    std::vector<Point> colours;
    std::vector<double> weights;
    colours.reserve(size_t(counts.size()));
    weights.reserve(size_t(counts.size()));
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        colours.push_back(PerceptualColour::fromSrgb(it.key()));
        weights.push_back(it.value());
    }

    std::vector<QRgb> refined = entries;
    const size_t n = refined.size();
    for (int round = 0; round < rounds && n > 0; ++round) {
        std::vector<Point> shown(n);
        for (size_t j = 0; j < n; ++j)
            shown[j] = PerceptualColour::fromSrgb(DeviceView::shown(refined[j]));
        // Each entry moves to the mean of the colours nearest it, onto the nearest levels.
        const NearestColour search(shown);
        std::vector<std::array<double, 4>> sums(n, {0, 0, 0, 0});
        for (size_t i = 0; i < colours.size(); ++i) {
            std::array<double, 4> &sum = sums[search.nearest(colours[i])];
            sum[0] += weights[i] * double(colours[i].l);
            sum[1] += weights[i] * double(colours[i].a);
            sum[2] += weights[i] * double(colours[i].b);
            sum[3] += weights[i];
        }
        for (size_t j = 0; j < n; ++j) {
            const std::array<double, 4> &sum = sums[j];
            if (sum[3] > 0)
                refined[j] = nearestEntry({float(sum[0] / sum[3]), float(sum[1] / sum[3]), float(sum[2] / sum[3])});
        }
    }
    std::sort(refined.begin(), refined.end());
    refined.erase(std::unique(refined.begin(), refined.end()), refined.end());
    return refined;
}

} // namespace PaletteRefiner
