#include "import/core/framequantizer.h"

#include "import/core/errordiffusion.h"
#include "import/core/libimagequantthreads.h"
#include "import/core/paletterefiner.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace FrameQuantizer {

namespace {

struct AttrDeleter
{
    void operator()(liq_attr *attr) const { liq_attr_destroy(attr); }
};
struct ImageDeleter
{
    void operator()(liq_image *image) const { liq_image_destroy(image); }
};
struct ResultDeleter
{
    void operator()(liq_result *result) const { liq_result_destroy(result); }
};

// The value libimagequant puts level L at with a posterization of 2 bits: the top bits repeated
// below.
int libimagequantValue(int level)
{
    return 4 * level + level / 16;
}

// Each value where libimagequant's curve is at the value's level on the device's curve.
QImage aimedAtDeviceCurve(const QImage &rgba)
{
    static const std::array<uchar, 256> table = [] {
        std::array<uchar, 256> values{};
        for (int v = 0; v < 256; ++v) {
            const double level = v * 63.0 / 255.0;
            const int below = std::min(int(level), 62);
            const double value = libimagequantValue(below)
                + (libimagequantValue(below + 1) - libimagequantValue(below)) * (level - below);
            values[size_t(v)] = uchar(std::lround(value));
        }
        return values;
    }();
    QImage aimed = rgba;
    for (int y = 0; y < aimed.height(); ++y) {
        uchar *p = aimed.scanLine(y);
        for (int x = 0; x < aimed.width(); ++x, p += 4) {
            for (int c = 0; c < 3; ++c)
                p[c] = table[p[c]];
        }
    }
    return aimed;
}

// libimagequant's proposal of at most 256 colours, as table entries (4 x level), no two alike.
std::optional<std::vector<QRgb>> chosenEntries(const QImage &rgba, int speed)
{
    const std::unique_ptr<liq_attr, AttrDeleter> attr(liq_attr_create());
    liq_set_max_colors(attr.get(), FrameBitmap::PaletteSize);
    liq_set_min_posterization(attr.get(), 2); // the 2 bits the device drops
    liq_set_speed(attr.get(), qBound(1, speed, 10));
    const std::unique_ptr<liq_image, ImageDeleter> image(
        liq_image_create_rgba(attr.get(), rgba.constBits(), rgba.width(), rgba.height(), 0));
    liq_result *made = nullptr;
    LibimagequantThreads::keepToCallingThread();
    if (!image || liq_image_quantize(image.get(), attr.get(), &made) != LIQ_OK)
        return std::nullopt;
    const std::unique_ptr<liq_result, ResultDeleter> result(made);
    const liq_palette *palette = liq_get_palette(result.get());
    std::vector<QRgb> entries;
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color c = palette->entries[i];
        entries.push_back(qRgb(c.r & 0xFC, c.g & 0xFC, c.b & 0xFC));
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return entries;
}

} // namespace

std::optional<FrameBitmap> quantize(const QImage &picture, const Settings &settings, QString *error)
{
    if (picture.width() != FrameBitmap::Width || picture.height() != FrameBitmap::Height) {
        if (error)
            *error = QStringLiteral("the picture is not %1 x %2").arg(FrameBitmap::Width).arg(FrameBitmap::Height);
        return std::nullopt;
    }
    QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    if (settings.aimAtDeviceCurve)
        rgba = aimedAtDeviceCurve(rgba);
    const auto chosen = chosenEntries(rgba, settings.speed);
    if (!chosen || chosen->empty()) {
        if (error)
            *error = QStringLiteral("the colours could not be chosen");
        return std::nullopt;
    }
    const std::vector<QRgb> entries = PaletteRefiner::refine(*chosen, picture, std::max(0, settings.refinement));
    const QByteArray indices = ErrorDiffusion::map(picture, entries, settings.dither);

    // The table holds the entries some pixel uses, in the order first used.
    FrameBitmap frame;
    std::array<int, FrameBitmap::PaletteSize> slot;
    slot.fill(-1);
    int used = 0;
    for (int i = 0; i < indices.size(); ++i) {
        const auto index = size_t(uchar(indices[i]));
        if (slot[index] < 0) {
            slot[index] = used;
            frame.palette[size_t(used++)] = entries[index];
        }
        frame.pixels[i] = char(slot[index]);
    }
    return frame;
}

} // namespace FrameQuantizer
