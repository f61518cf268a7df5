#include "wireoracle.h"

#include "frame/framebitmap.h"

#include <QList>

namespace WireOracle {

namespace {

void hex(QByteArray &out, int value)
{
    out += QByteArray::number(value, 16).toUpper().rightJustified(2, '0');
}

// Bit n of pixel k.
int bit(const quint8 *p, int k, int n)
{
    return (p[k] >> n) & 1;
}

} // namespace

QByteArray frameText(int frameNumber, const QString &name, const FrameBitmap &frame)
{
    QByteArray text = " ["
                      "] "
                      " [";
    hex(text, frameNumber);
    QByteArray field;
    for (const uint code : name.toUcs4())
        field += code < 0x80 ? char(code) : '?';
    text += field.left(8).leftJustified(8, ' ');
    for (const QRgb entry : frame.palette) {
        hex(text, qRed(entry) / 4);
        hex(text, qGreen(entry) / 4);
        hex(text, qBlue(entry) / 4);
    }
    for (int row = 0; row < FrameBitmap::Height; ++row) {
        for (int column = 0; column < FrameBitmap::Width; column += 4) {
            const auto *p =
                reinterpret_cast<const quint8 *>(frame.pixels.constData()) + row * FrameBitmap::Width + column;
            int a = 0;
            for (int k = 0; k < 4; ++k)
                a += bit(p, k, 0) << (7 - k) | bit(p, k, 1) << (3 - k);
            hex(text, a);
            for (int n = 1; n <= 3; ++n) {
                int b = 0;
                for (int k = 0; k < 4; ++k)
                    b += bit(p, k, 2 * n) << k | bit(p, k, 2 * n + 1) << (k + 4);
                hex(text, b);
            }
        }
    }
    text += "] ";
    return text;
}

} // namespace WireOracle
