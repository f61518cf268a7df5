#pragma once

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <QVector>

#include <optional>

// Builds Windows bitmap files byte by byte, in the shapes real tools write and in broken ones,
// so tests can make every case they need. Set the fields, then build() or save(). The defaults
// give the standard frame file once palette and pixels are filled in.
class BmpWriter
{
public:
    enum Compression : quint32 { Rgb = 0, Rle8 = 1, Rle4 = 2, Bitfields = 3 };

    // 12 writes a core header; 40, 52, 56, 108 and 124 an info header. Any other size writes the
    // info header fields cut (to at least the size field) or zero-padded to it.
    int headerSize = 40;
    qint32 width = 256;
    qint32 height = 128; // written as is; a negative height makes the rows top-down too
    bool topDown = false; // writes the height negated and the rows top row first
    quint16 planes = 1;
    quint16 bitCount = 8;
    quint32 compression = Rgb; // with Rle8 the rows are RLE8-encoded
    quint32 colorsUsed = 0; // biClrUsed, written as is
    QVector<QRgb> palette; // written in full, whatever colorsUsed says
    QByteArray pixels; // rows of (width * bitCount + 7) / 8 bytes, top row first; short = zeros
    std::optional<QByteArray> pixelData; // written as is instead of the rows (hand-made streams)
    int gap = 0; // filler bytes between colour table and pixels
    int trailing = 0; // filler bytes after the pixels
    std::optional<quint32> pixelOffset; // bfOffBits; by default where the pixels land

    // Overwrites bytes of the built file (grown with zeros if needed).
    void patch(int offset, const QByteArray &bytes);
    void patch16(int offset, quint16 value);
    void patch32(int offset, quint32 value);

    QByteArray build() const;
    bool save(const QString &path) const;

    // The 33,846-byte frame file: 40-byte header, 256 colours, bottom-up 256 x 128 rows.
    // A short palette is padded with black.
    static QByteArray standardFrame(const QVector<QRgb> &palette, const QByteArray &topFirstPixels);
    // RLE8 data for rows given in file order: runs where indices repeat, absolute mode between,
    // end-of-line after each row and end-of-bitmap after the last.
    static QByteArray encodeRle8(const QVector<QByteArray> &fileRows);

private:
    QByteArray header() const;
    QByteArray rowBytes() const;

    QVector<QPair<int, QByteArray>> m_patches;
};
