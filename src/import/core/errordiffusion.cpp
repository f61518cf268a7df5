#include "import/core/errordiffusion.h"

#include "frame/deviceview.h"
#include "import/core/nearestcolour.h"
#include "import/core/perceptualcolour.h"

#include <algorithm>
#include <array>

namespace ErrorDiffusion {

namespace {

using Linear = std::array<float, 3>;

Linear linearOf(QRgb colour)
{
    return {PerceptualColour::linearFromSrgb(qRed(colour)), PerceptualColour::linearFromSrgb(qGreen(colour)),
            PerceptualColour::linearFromSrgb(qBlue(colour))};
}

} // namespace

QByteArray map(const QImage &picture, const std::vector<QRgb> &entries, double level)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    QByteArray indices(width * rgb.height(), '\0');
    if (entries.empty())
        return indices;

    std::vector<Linear> linear;
    std::vector<PerceptualColour::Point> points;
    for (const QRgb entry : entries) {
        const QRgb shown = DeviceView::shown(entry);
        linear.push_back(linearOf(shown));
        points.push_back(PerceptualColour::fromSrgb(shown));
    }
    const NearestColour search(points);
    const float strength = FullStrength * float(std::clamp(level, 0.0, 1.0));

    // The errors owed to this row and the next, with a column of room either side.
    std::vector<Linear> owed(size_t(width + 2)), owedNext(size_t(width + 2));
    for (int y = 0; y < rgb.height(); ++y) {
        std::fill(owedNext.begin(), owedNext.end(), Linear{0, 0, 0});
        const bool rightwards = y % 2 == 0;
        const int ahead = rightwards ? 1 : -1;
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int i = 0; i < width; ++i) {
            const int x = rightwards ? i : width - 1 - i;
            const size_t at = size_t(x + 1);
            Linear wanted = linearOf(row[x]);
            for (size_t c = 0; c < 3; ++c)
                wanted[c] = std::clamp(wanted[c] + strength * owed[at][c], 0.0f, 1.0f);

            const size_t nearest = search.nearest(PerceptualColour::fromLinear(wanted[0], wanted[1], wanted[2]));
            indices[y * width + x] = char(nearest);

            for (size_t c = 0; c < 3; ++c) {
                const float error = wanted[c] - linear[nearest][c];
                owed[size_t(int(at) + ahead)][c] += error * 7 / 16;
                owedNext[size_t(int(at) - ahead)][c] += error * 3 / 16;
                owedNext[at][c] += error * 5 / 16;
                owedNext[size_t(int(at) + ahead)][c] += error * 1 / 16;
            }
        }
        std::swap(owed, owedNext);
    }
    return indices;
}

} // namespace ErrorDiffusion
