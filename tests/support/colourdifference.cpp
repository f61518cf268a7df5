#include "colourdifference.h"

#include <array>
#include <cmath>

namespace ColourDifference {

namespace {

constexpr double Pi = 3.14159265358979323846;

double radians(double degrees)
{
    return degrees * Pi / 180.0;
}

// CIELAB's f(t): a cube root, linear near black.
double labF(double t)
{
    constexpr double Delta = 6.0 / 29.0;
    return t > Delta * Delta * Delta ? std::cbrt(t) : t / (3 * Delta * Delta) + 4.0 / 29.0;
}

// a' is a stretched by G; the hue angle in degrees, 0 to 360, and 0 for a neutral colour.
double hueDegrees(double b, double aPrime)
{
    if (b == 0 && aPrime == 0)
        return 0;
    const double h = std::atan2(b, aPrime) * 180.0 / Pi;
    return h < 0 ? h + 360 : h;
}

// C^7 / (C^7 + 25^7), under a square root in both G and R_C.
double chromaWeight(double c)
{
    const double c7 = std::pow(c, 7);
    return std::sqrt(c7 / (c7 + std::pow(25.0, 7)));
}

} // namespace

double linearFromSrgb(int component)
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int i = 0; i < 256; ++i) {
            const double v = i / 255.0;
            values[size_t(i)] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        }
        return values;
    }();
    return table[size_t(component & 0xFF)];
}

Lab labFromLinear(double red, double green, double blue)
{
    // sRGB's primaries to XYZ, each divided by D65's white (0.95047, 1, 1.08883).
    const double x = (0.4124564 * red + 0.3575761 * green + 0.1804375 * blue) / 0.95047;
    const double y = 0.2126729 * red + 0.7151522 * green + 0.0721750 * blue;
    const double z = (0.0193339 * red + 0.1191920 * green + 0.9503041 * blue) / 1.08883;
    const double fx = labF(x), fy = labF(y), fz = labF(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Lab labFromSrgb(QRgb colour)
{
    return labFromLinear(linearFromSrgb(qRed(colour)), linearFromSrgb(qGreen(colour)), linearFromSrgb(qBlue(colour)));
}

double ciede2000(const Lab &first, const Lab &second)
{
    const double chromaMean = (std::hypot(first.a, first.b) + std::hypot(second.a, second.b)) / 2;
    const double g = 0.5 * (1 - chromaWeight(chromaMean));
    const double a1 = (1 + g) * first.a, a2 = (1 + g) * second.a;
    const double c1 = std::hypot(a1, first.b), c2 = std::hypot(a2, second.b);
    const double h1 = hueDegrees(first.b, a1), h2 = hueDegrees(second.b, a2);

    // Hue differences and means go the short way round the circle; a neutral colour has none.
    const bool neutral = c1 * c2 == 0;
    double dh = h2 - h1;
    if (neutral)
        dh = 0;
    else if (dh > 180)
        dh -= 360;
    else if (dh < -180)
        dh += 360;
    double hMean = h1 + h2;
    if (!neutral)
        hMean = std::abs(h1 - h2) <= 180 ? hMean / 2 : (hMean < 360 ? hMean + 360 : hMean - 360) / 2;

    const double dL = second.L - first.L;
    const double dC = c2 - c1;
    const double dH = 2 * std::sqrt(c1 * c2) * std::sin(radians(dh / 2));

    const double lMean = (first.L + second.L) / 2;
    const double cMean = (c1 + c2) / 2;
    const double t = 1 - 0.17 * std::cos(radians(hMean - 30)) + 0.24 * std::cos(radians(2 * hMean))
        + 0.32 * std::cos(radians(3 * hMean + 6)) - 0.20 * std::cos(radians(4 * hMean - 63));
    const double l50 = (lMean - 50) * (lMean - 50);
    const double sL = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sC = 1 + 0.045 * cMean;
    const double sH = 1 + 0.015 * cMean * t;
    const double rotation = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double rT = -2 * chromaWeight(cMean) * std::sin(radians(2 * rotation));

    const double l = dL / sL, c = dC / sC, h = dH / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

} // namespace ColourDifference
