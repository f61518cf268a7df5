#include "core/framequantizer.h"

#include <libimagequant.h>

#include <QHash>

#include <memory>

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

// The device shows level L as L x 255 / 63. With a posterization of 2 bits libimagequant puts a
// level at 4 x L + L div 16 (the top bits repeated below), never more than one off what the device
// shows, and chooses and dithers against that: so the level it means is its value div 4, the very
// cut the wire makes, and the device shows what it aimed at. Scaling the picture as if the device
// showed 4 x L corrects a second time and makes it worse; the benchmark measures both.
QImage scaledToTableValues(const QImage &rgba)
{
    QImage scaled = rgba;
    for (int y = 0; y < scaled.height(); ++y) {
        uchar *p = scaled.scanLine(y);
        for (int x = 0; x < scaled.width(); ++x, p += 4) {
            for (int c = 0; c < 3; ++c)
                p[c] = uchar((p[c] * 252 + 127) / 255);
        }
    }
    return scaled;
}

bool refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

std::optional<FrameBitmap> quantize(const QImage &picture, const Settings &settings, QString *error)
{
    if (picture.width() != FrameBitmap::Width || picture.height() != FrameBitmap::Height) {
        refuse(error, QStringLiteral("the picture is not 256 x 128"));
        return std::nullopt;
    }
    QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    if (settings.scaleToTableValues)
        rgba = scaledToTableValues(rgba);

    const std::unique_ptr<liq_attr, AttrDeleter> attr(liq_attr_create());
    liq_set_max_colors(attr.get(), FrameBitmap::PaletteSize);
    liq_set_min_posterization(attr.get(), 2); // the 2 bits the device drops
    liq_set_speed(attr.get(), qBound(1, settings.speed, 10));
    const std::unique_ptr<liq_image, ImageDeleter> image(
        liq_image_create_rgba(attr.get(), rgba.constBits(), rgba.width(), rgba.height(), 0));
    liq_result *made = nullptr;
    if (!image || liq_image_quantize(image.get(), attr.get(), &made) != LIQ_OK) {
        refuse(error, QStringLiteral("the colours could not be chosen"));
        return std::nullopt;
    }
    const std::unique_ptr<liq_result, ResultDeleter> result(made);
    liq_set_dithering_level(result.get(), float(qBound(0.0, settings.dither, 1.0)));

    FrameBitmap frame;
    if (liq_write_remapped_image(result.get(), image.get(), frame.pixels.data(), size_t(frame.pixels.size()))
        != LIQ_OK) {
        refuse(error, QStringLiteral("the picture could not be mapped to its colours"));
        return std::nullopt;
    }

    // Each entry on its level (value div 4, as the wire cuts it); entries the cut makes alike
    // become one, so no two entries of the table show the same.
    const liq_palette *palette = liq_get_palette(result.get());
    QHash<QRgb, int> taken;
    int used = 0;
    std::array<uchar, FrameBitmap::PaletteSize> to{};
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color c = palette->entries[i];
        const QRgb entry = qRgb(c.r & 0xFC, c.g & 0xFC, c.b & 0xFC);
        const auto found = taken.constFind(entry);
        if (found != taken.constEnd()) {
            to[i] = uchar(*found);
            continue;
        }
        taken.insert(entry, used);
        frame.palette[size_t(used)] = entry;
        to[i] = uchar(used++);
    }
    for (char &pixel : frame.pixels)
        pixel = char(to[uchar(pixel)]);
    return frame;
}

} // namespace FrameQuantizer
