#pragma once

#include <QByteArray>
#include <QRgb>
#include <QString>

#include <array>
#include <optional>

// A frame as the device takes it: 256 x 128 pixels of 8-bit colour indices and a 256-entry
// colour table.
struct FrameBitmap
{
    static constexpr int Width = 256;
    static constexpr int Height = 128;
    static constexpr int PaletteSize = 256;
    static constexpr int PixelCount = Width * Height;

    // Entry e of the colour table (alpha always 255). Entries the file does not hold are black.
    std::array<QRgb, PaletteSize> palette = blackPalette();
    // Height rows of Width colour indices, the top row of the picture first.
    QByteArray pixels = QByteArray(PixelCount, '\0');

    quint8 pixel(int row, int column) const { return quint8(pixels.at(row * Width + column)); }

    static std::array<QRgb, PaletteSize> blackPalette()
    {
        std::array<QRgb, PaletteSize> black;
        black.fill(qRgb(0, 0, 0));
        return black;
    }
};

// Reads frame bitmaps from Windows bitmap files: the 40, 52, 56, 108 and 124-byte info headers
// (and the 12-byte core header), uncompressed or RLE8, BI_BITFIELDS on an 8-bit file, short colour
// tables, bottom-up or top-down rows, gaps and trailing bytes. Anything that is not a 256 x 128
// 8-bit picture is refused with the reason.
class FrameBitmapReader
{
public:
    // The frame, or nothing with the reason it was refused in *error.
    static std::optional<FrameBitmap> readFile(const QString &path, QString *error = nullptr);
    static std::optional<FrameBitmap> parse(const QByteArray &data, QString *error = nullptr);
    // Only the reason: empty when the file is a frame bitmap.
    static QString problemWith(const QString &path);

    // Files larger than this are refused unread: a frame file is about 33 KB.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
};
