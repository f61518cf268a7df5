#include "import/core/perceptualcolour.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace PerceptualColour {

namespace {

constexpr float ChromaWeight = 0.045f;
constexpr float WhiteX = 0.95047f;
constexpr float WhiteZ = 1.08883f;
constexpr float Delta = 6.0f / 29.0f;

// The cube root of t, 0 to about 1.1, to float's precision: a guess from the exponent, then
// Newton's steps. The library's cube root takes five times as long, and every pixel of every
// frame takes three.
float cubeRoot(float t)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &t, sizeof bits);
    bits = bits / 3 + 709921077u; // the exponent divided by 3, near enough
    float root = 0;
    std::memcpy(&root, &bits, sizeof root);
    for (int step = 0; step < 3; ++step)
        root = (2 * root + t / (root * root)) * (1.0f / 3.0f);
    return root;
}

float labF(float t)
{
    return t > Delta * Delta * Delta ? cubeRoot(t) : t / (3 * Delta * Delta) + 4.0f / 29.0f;
}

float labFInverse(float t)
{
    return t > Delta ? t * t * t : 3 * Delta * Delta * (t - 4.0f / 29.0f);
}

} // namespace

float linearFromSrgb(int component)
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int i = 0; i < 256; ++i) {
            const double v = i / 255.0;
            values[size_t(i)] = float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return values;
    }();
    return table[size_t(component & 0xFF)];
}

double srgbFromLinear(double component)
{
    const double v = std::clamp(component, 0.0, 1.0);
    return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
}

Point fromLinear(float red, float green, float blue)
{
    const float fx = labF((0.4124564f * red + 0.3575761f * green + 0.1804375f * blue) / WhiteX);
    const float fy = labF(0.2126729f * red + 0.7151522f * green + 0.0721750f * blue);
    const float fz = labF((0.0193339f * red + 0.1191920f * green + 0.9503041f * blue) / WhiteZ);
    const float a = 500 * (fx - fy), b = 200 * (fy - fz);
    const float chroma = std::hypot(a, b);
    const float k = chroma > 1e-6f ? std::log1p(ChromaWeight * chroma) / ChromaWeight / chroma : 1.0f;
    return {116 * fy - 16, a * k, b * k};
}

Point fromSrgb(QRgb colour)
{
    return fromLinear(linearFromSrgb(qRed(colour)), linearFromSrgb(qGreen(colour)), linearFromSrgb(qBlue(colour)));
}

std::array<double, 3> srgbOf(const Point &point)
{
    const float squeezed = std::hypot(point.a, point.b);
    const float k = squeezed > 1e-6f ? std::expm1(ChromaWeight * squeezed) / ChromaWeight / squeezed : 1.0f;
    const float fy = (point.l + 16) / 116, fx = fy + point.a * k / 500, fz = fy - point.b * k / 200;
    const double x = double(labFInverse(fx)) * WhiteX, y = labFInverse(fy), z = double(labFInverse(fz)) * WhiteZ;
    return {srgbFromLinear(3.2404542 * x - 1.5371385 * y - 0.4985314 * z),
            srgbFromLinear(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z),
            srgbFromLinear(0.0556434 * x - 0.2040259 * y + 1.0572252 * z)};
}

} // namespace PerceptualColour
