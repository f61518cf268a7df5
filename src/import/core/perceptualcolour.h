#pragma once

#include <QRgb>

#include <array>

// Colours where straight-line distance is close to how different the eye finds them: CIELAB
// (sRGB, D65) with chroma C taken as ln(1 + 0.045 C) / 0.045, since CIEDE2000 divides chroma
// differences by 1 + 0.045 C. What the import measures its choices in.
namespace PerceptualColour {

struct Point
{
    float l = 0;
    float a = 0;
    float b = 0;
};

// An 8-bit sRGB component in linear light, 0 to 1.
float linearFromSrgb(int component);
// A linear-light component as 8-bit sRGB, unrounded and clamped to 0-255.
double srgbFromLinear(double component);

Point fromLinear(float red, float green, float blue);
Point fromSrgb(QRgb colour);
// The sRGB components (0 to 255, unrounded, clamped) of a point.
std::array<double, 3> srgbOf(const Point &point);

// Squared, which is all a nearest-colour search needs.
inline float distanceSquared(const Point &p, const Point &q)
{
    return (p.l - q.l) * (p.l - q.l) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b);
}

} // namespace PerceptualColour
