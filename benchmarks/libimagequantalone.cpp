#include "libimagequantalone.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace LibimagequantAlone {

namespace {

int libimagequantValue(int level)
{
    return 4 * level + level / 16;
}

std::array<uchar, 256> aimTable(Aim aim)
{
    std::array<uchar, 256> table{};
    for (int v = 0; v < 256; ++v) {
        if (aim == Aim::AsItIs) {
            table[size_t(v)] = uchar(v);
        } else if (aim == Aim::TableValues) {
            table[size_t(v)] = uchar((v * 252 + 127) / 255);
        } else {
            const double level = v * 63.0 / 255.0;
            const int below = std::min(int(level), 62);
            const double value = libimagequantValue(below)
                + (libimagequantValue(below + 1) - libimagequantValue(below)) * (level - below);
            table[size_t(v)] = uchar(std::lround(value));
        }
    }
    return table;
}

} // namespace

std::optional<FrameBitmap> quantize(const QImage &picture, Aim aim)
{
    QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    const std::array<uchar, 256> table = aimTable(aim);
    for (int y = 0; y < rgba.height(); ++y) {
        uchar *p = rgba.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x, p += 4) {
            for (int c = 0; c < 3; ++c)
                p[c] = table[p[c]];
        }
    }
    const std::unique_ptr<liq_attr, void (*)(liq_attr *)> attr(liq_attr_create(), liq_attr_destroy);
    liq_set_max_colors(attr.get(), FrameBitmap::PaletteSize);
    liq_set_min_posterization(attr.get(), 2);
    liq_set_speed(attr.get(), 1);
    const std::unique_ptr<liq_image, void (*)(liq_image *)> image(
        liq_image_create_rgba(attr.get(), rgba.constBits(), rgba.width(), rgba.height(), 0), liq_image_destroy);
    liq_result *made = nullptr;
    if (!image || liq_image_quantize(image.get(), attr.get(), &made) != LIQ_OK)
        return std::nullopt;
    const std::unique_ptr<liq_result, void (*)(liq_result *)> result(made, liq_result_destroy);
    liq_set_dithering_level(result.get(), 1.0f);
    FrameBitmap frame;
    if (liq_write_remapped_image(result.get(), image.get(), frame.pixels.data(), size_t(frame.pixels.size())) != LIQ_OK)
        return std::nullopt;
    const liq_palette *palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color c = palette->entries[i];
        frame.palette[i] = qRgb(c.r & 0xFC, c.g & 0xFC, c.b & 0xFC);
    }
    return frame;
}

} // namespace LibimagequantAlone
