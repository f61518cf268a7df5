#include "frame/wireformat.h"

#include "frame/framebitmap.h"

#include <QCryptographicHash>
#include <QList>

#include <cmath>

namespace WireFormat {

namespace {
constexpr char HexDigits[] = "0123456789ABCDEF";
}

QString FormatHex2(qint64 value)
{
    QString text = QString::number(value, 16).toUpper();
    if (text.size() == 1)
        text.prepend(QLatin1Char('0'));
    return text;
}

void appendHex2(QByteArray &out, quint8 value)
{
    out.append(HexDigits[value >> 4]);
    out.append(HexDigits[value & 0x0F]);
}

std::array<quint8, 4> encodePixelGroup(quint8 p0, quint8 p1, quint8 p2, quint8 p3)
{
    const quint8 p[4] = {p0, p1, p2, p3};
    std::array<quint8, 4> out{};
    for (int k = 0; k < 4; ++k) {
        // A: planes 0 and 1, p0 in the high bit of each nibble.
        out[0] |= quint8(((p[k] >> 0) & 1) << (7 - k));
        out[0] |= quint8(((p[k] >> 1) & 1) << (3 - k));
        // B, C, D: planes 2n (low nibble) and 2n+1 (high nibble), p0 in the low bit.
        for (int n = 1; n <= 3; ++n) {
            out[n] |= quint8(((p[k] >> (2 * n)) & 1) << k);
            out[n] |= quint8(((p[k] >> (2 * n + 1)) & 1) << (k + 4));
        }
    }
    return out;
}

std::array<quint8, 4> decodePixelGroup(quint8 a, quint8 b, quint8 c, quint8 d)
{
    const quint8 bytes[4] = {a, b, c, d};
    std::array<quint8, 4> p{};
    for (int k = 0; k < 4; ++k) {
        p[k] |= quint8((a >> (7 - k)) & 1);
        p[k] |= quint8(((a >> (3 - k)) & 1) << 1);
        for (int n = 1; n <= 3; ++n) {
            p[k] |= quint8(((bytes[n] >> k) & 1) << (2 * n));
            p[k] |= quint8(((bytes[n] >> (k + 4)) & 1) << (2 * n + 1));
        }
    }
    return p;
}

QByteArray nameField(const QString &name)
{
    QByteArray field;
    field.reserve(NameLength);
    // Counted in characters as the operator sees them, not in UTF-16 units.
    for (const uint code : name.toUcs4()) {
        if (field.size() == NameLength)
            break;
        field.append(code < 0x80 ? char(code) : '?');
    }
    while (field.size() < NameLength)
        field.append(' ');
    return field;
}

QByteArray pixelGroupText(const FrameBitmap &frame, int row, int group)
{
    const char *p = frame.pixels.constData() + row * FrameBitmap::Width + group * PixelsPerGroup;
    const auto bytes = encodePixelGroup(quint8(p[0]), quint8(p[1]), quint8(p[2]), quint8(p[3]));
    QByteArray text;
    text.reserve(8);
    for (const quint8 byte : bytes)
        appendHex2(text, byte);
    return text;
}

QByteArray frameText(int frameNumber, const QString &name, const FrameBitmap &frame)
{
    // Each output bit of a pixel group comes from one bit of one pixel, so a group is the OR of
    // what each of its pixels makes alone: four look-ups a group instead of 32 bit moves.
    static const auto alone = [] {
        std::array<std::array<std::array<quint8, 4>, 256>, PixelsPerGroup> table{};
        for (int v = 0; v < 256; ++v) {
            table[0][v] = encodePixelGroup(quint8(v), 0, 0, 0);
            table[1][v] = encodePixelGroup(0, quint8(v), 0, 0);
            table[2][v] = encodePixelGroup(0, 0, quint8(v), 0);
            table[3][v] = encodePixelGroup(0, 0, 0, quint8(v));
        }
        return table;
    }();
    QByteArray text;
    text.reserve(FrameCharacters);
    text.append(FrameOpen).append(FrameClose).append(FrameOpen);
    text.append(FormatHex2(frameNumber).toLatin1());
    text.append(nameField(name));
    for (const QRgb entry : frame.palette) {
        for (const int value : {qRed(entry), qGreen(entry), qBlue(entry)})
            appendHex2(text, sixBits(value));
    }
    const qsizetype pixelsAt = text.size();
    text.resize(pixelsAt + PixelCharacters);
    char *out = text.data() + pixelsAt;
    const auto *p = reinterpret_cast<const quint8 *>(frame.pixels.constData());
    for (int i = 0; i < FrameBitmap::PixelCount; i += PixelsPerGroup) {
        for (int byte = 0; byte < 4; ++byte) {
            const quint8 value = quint8(alone[0][p[i]][byte] | alone[1][p[i + 1]][byte] | alone[2][p[i + 2]][byte]
                                        | alone[3][p[i + 3]][byte]);
            *out++ = HexDigits[value >> 4];
            *out++ = HexDigits[value & 0x0F];
        }
    }
    text.append(FrameClose);
    return text;
}

QByteArray frameSha256(int frameNumber, const QString &name, const FrameBitmap &frame)
{
    return QCryptographicHash::hash(frameText(frameNumber, name, frame), QCryptographicHash::Sha256);
}

} // namespace WireFormat

qint64 expectedUploadMs(int frames, int baudRate, double bitsPerCharacter)
{
    if (frames <= 0 || baudRate <= 0)
        return 0;
    const double lineMs = WireFormat::FrameCharacters * bitsPerCharacter * 1000.0 / baudRate;
    return std::llround(frames * (lineMs + double(WireFormat::PauseCount * WireFormat::PauseMs)));
}
