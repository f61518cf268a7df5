#pragma once

#include <QRgb>

// How far apart two colours look: CIELAB under D65 and the CIEDE2000 difference, for judging
// what the device shows against the picture it was made from.
namespace ColourDifference {

struct Lab
{
    double L = 0;
    double a = 0;
    double b = 0;
};

// An 8-bit sRGB component in linear light, 0 to 1.
double linearFromSrgb(int component);
// A colour in linear-light sRGB components (0 to 1) as CIELAB, reference white D65.
Lab labFromLinear(double red, double green, double blue);
Lab labFromSrgb(QRgb colour);

// CIEDE2000 with kL = kC = kH = 1.
double ciede2000(const Lab &first, const Lab &second);

} // namespace ColourDifference
