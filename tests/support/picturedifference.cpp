#include "picturedifference.h"

#include "colourdifference.h"

#include <array>
#include <cmath>
#include <vector>

namespace PictureDifference {

namespace {

// A picture in linear-light sRGB, three values a pixel, rows top first.
struct Linear
{
    int width = 0;
    int height = 0;
    std::vector<double> values;

    double &at(int x, int y, int c) { return values[size_t((y * width + x) * 3 + c)]; }
    double at(int x, int y, int c) const { return values[size_t((y * width + x) * 3 + c)]; }
};

Linear linear(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    Linear out{rgb.width(), rgb.height(), std::vector<double>(size_t(rgb.width() * rgb.height() * 3))};
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            out.at(x, y, 0) = ColourDifference::linearFromSrgb(qRed(row[x]));
            out.at(x, y, 1) = ColourDifference::linearFromSrgb(qGreen(row[x]));
            out.at(x, y, 2) = ColourDifference::linearFromSrgb(qBlue(row[x]));
        }
    }
    return out;
}

// Sigma 1, three sigmas either side; the edge pixels stand in for those beyond.
Linear blurred(const Linear &in)
{
    constexpr int Radius = 3;
    std::array<double, 2 * Radius + 1> kernel{};
    double sum = 0;
    for (int i = -Radius; i <= Radius; ++i)
        sum += kernel[size_t(i + Radius)] = std::exp(-i * i / 2.0);
    for (double &k : kernel)
        k /= sum;

    const auto pass = [&](const Linear &from, int dx, int dy) {
        Linear to = from;
        for (int y = 0; y < from.height; ++y) {
            for (int x = 0; x < from.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    double value = 0;
                    for (int i = -Radius; i <= Radius; ++i) {
                        const int sx = qBound(0, x + i * dx, from.width - 1);
                        const int sy = qBound(0, y + i * dy, from.height - 1);
                        value += kernel[size_t(i + Radius)] * from.at(sx, sy, c);
                    }
                    to.at(x, y, c) = value;
                }
            }
        }
        return to;
    };
    return pass(pass(in, 1, 0), 0, 1);
}

double meanDifference(const Linear &first, const Linear &second)
{
    double sum = 0;
    for (int y = 0; y < first.height; ++y) {
        for (int x = 0; x < first.width; ++x) {
            sum += ColourDifference::ciede2000(
                ColourDifference::labFromLinear(first.at(x, y, 0), first.at(x, y, 1), first.at(x, y, 2)),
                ColourDifference::labFromLinear(second.at(x, y, 0), second.at(x, y, 1), second.at(x, y, 2)));
        }
    }
    return sum / (double(first.width) * first.height);
}

} // namespace

Mean measure(const QImage &first, const QImage &second)
{
    if (first.size() != second.size() || first.isNull())
        return {qInf(), qInf()};
    const Linear a = linear(first), b = linear(second);
    return {meanDifference(a, b), meanDifference(blurred(a), blurred(b))};
}

} // namespace PictureDifference
