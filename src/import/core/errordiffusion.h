#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <vector>

// Maps a picture to a frame's colours as the device shows them, with Floyd-Steinberg error
// diffusion: each pixel takes the colour nearest it in PerceptualColour's space, and what it
// misses goes on to its neighbours in linear light, where the eye mixes dots. Rows alternate
// direction so the error does not drift one way.
namespace ErrorDiffusion {

// A colour index for each pixel, rows top first. level: 0 (nearest colour only) to 1.
QByteArray map(const QImage &picture, const std::vector<QRgb> &entries, double level);

// The part of a pixel's error level 1 passes on: all of it makes more noise than it takes away
// with 256 colours on the device's levels (measured by bench_import).
constexpr float FullStrength = 0.85f;

} // namespace ErrorDiffusion
