#pragma once

#include <QImage>

// How far apart two pictures of one size look: the mean CIEDE2000 over their pixels, as they are
// and after both are blurred alike, as the eye blurs dots seen from a distance.
namespace PictureDifference {

struct Mean
{
    double perPixel = 0;
    double blurred = 0; // after a Gaussian blur of sigma 1 pixel, in linear light
};

Mean measure(const QImage &first, const QImage &second);

} // namespace PictureDifference
