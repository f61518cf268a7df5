#include "frame/framewriter.h"

#include "base/outputfile.h"

#include <QtEndian>

namespace FrameWriter {

namespace {

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

QByteArray encode(const FrameBitmap &frame)
{
    constexpr quint32 HeaderBytes = 14 + 40;
    constexpr quint32 TableBytes = FrameBitmap::PaletteSize * 4;
    constexpr quint32 PixelOffset = HeaderBytes + TableBytes;
    QByteArray out;
    out.reserve(int(PixelOffset) + FrameBitmap::PixelCount);
    out.append("BM");
    put32(out, PixelOffset + FrameBitmap::PixelCount);
    put32(out, 0);
    put32(out, PixelOffset);
    put32(out, 40);
    put32(out, FrameBitmap::Width);
    put32(out, FrameBitmap::Height); // positive: bottom-up
    put16(out, 1);
    put16(out, 8);
    put32(out, 0); // BI_RGB
    put32(out, FrameBitmap::PixelCount);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, FrameBitmap::PaletteSize);
    put32(out, 0);
    for (const QRgb entry : frame.palette) {
        out.append(char(qBlue(entry)));
        out.append(char(qGreen(entry)));
        out.append(char(qRed(entry)));
        out.append('\0');
    }
    for (int row = FrameBitmap::Height - 1; row >= 0; --row)
        out.append(frame.pixels.constData() + row * FrameBitmap::Width, FrameBitmap::Width);
    return out;
}

bool write(const FrameBitmap &frame, const QString &path, QString *error)
{
    OutputFile file(path);
    return file.open(error) && file.write(encode(frame), error) && file.commit(error);
}

} // namespace FrameWriter
