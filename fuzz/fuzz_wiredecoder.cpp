// Any byte stream, cut into pieces of any size, given to the stream decoder: every frame it
// reports must be self-consistent, and a picture must be obtainable from each.
#include "frame/wiredecoder.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <random>

namespace {

constexpr int Colours = 256;
constexpr int Groups = 8192;
constexpr int Pixels = 256 * 128;
constexpr int NameLength = 8;
constexpr int ImagesPerInput = 3; // toImage is slow next to decoding; a few cover it

void check(const DecodedFrame &frame)
{
    if (frame.pixels.size() != Pixels || frame.coloursReceived < 0 || frame.coloursReceived > Colours
        || frame.groupsReceived < 0 || frame.groupsReceived > Groups || frame.characters < 0
        || frame.nameField.size() > NameLength)
        __builtin_trap();
    for (const auto &entry : frame.sixBitPalette) {
        for (const quint8 value : entry) {
            if (value > 63)
                __builtin_trap();
        }
    }
    // The problem is what tells the user why a frame is not complete, so exactly one must hold.
    if (frame.complete == !frame.problem.isEmpty())
        __builtin_trap();
    if (frame.complete
        && (frame.coloursReceived != Colours || frame.groupsReceived != Groups || frame.number < 0
            || frame.nameField.size() != NameLength))
        __builtin_trap();
}

void checkImage(const DecodedFrame &frame)
{
    const QImage image = frame.toImage();
    if (image.width() != 256 || image.height() != 128 || image.format() != QImage::Format_Indexed8
        || image.colorCount() != Colours)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the rest is cut: 0 feeds it whole, n cuts it into pieces of
    // 1..64n bytes, the same pieces each time the input is run.
    const unsigned control = data[0];
    std::minstd_rand pieces(control + 1);
    const char *stream = reinterpret_cast<const char *>(data + 1);
    const std::size_t length = size - 1;

    WireDecoder decoder;
    int images = 0;
    const auto takeAndCheck = [&decoder, &images] {
        for (const DecodedFrame &frame : decoder.takeFrames()) {
            check(frame);
            if (images++ < ImagesPerInput)
                checkImage(frame);
        }
    };
    for (std::size_t at = 0; at < length;) {
        const std::size_t piece = control == 0 ? length : 1 + pieces() % (64 * control);
        const std::size_t taken = piece < length - at ? piece : length - at;
        decoder.feed(QByteArray(stream + at, qsizetype(taken)));
        at += taken;
        // Taking frames between pieces as well as at the end, as a reader of a live line does.
        if (piece % 2 == 0)
            takeAndCheck();
    }
    decoder.finish();
    if (decoder.inFrame())
        __builtin_trap();
    takeAndCheck();
    return 0;
}
