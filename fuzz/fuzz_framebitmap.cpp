// Any bytes given to the bitmap reader: it must either refuse them with a reason or return a
// whole frame with an opaque colour table.
#include "frame/framebitmap.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString error;
    const auto bitmap =
        FrameBitmapReader::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &error);
    if (!bitmap) {
        if (error.isEmpty())
            __builtin_trap();
        return 0;
    }
    const FrameBitmap &frame = *bitmap;
    if (!error.isEmpty() || frame.pixels.size() != FrameBitmap::PixelCount)
        __builtin_trap();
    for (const QRgb colour : frame.palette) {
        if (qAlpha(colour) != 255)
            __builtin_trap();
    }
    return 0;
}
