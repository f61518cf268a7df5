#include "bmpwriter.h"

#include <QFile>

namespace {

constexpr int FileHeaderSize = 14;
constexpr char Filler = char(0xA5); // not 0, so a reader that reads the filler shows it
// Pictures larger than this get no pixel bytes: broken sizes must not make the tests eat memory.
constexpr qint64 MaxPixelBytes = 16 * 1024 * 1024;

void appendU16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void appendU32(QByteArray &out, quint32 value)
{
    appendU16(out, quint16(value & 0xFFFF));
    appendU16(out, quint16(value >> 16));
}

void appendMasks(QByteArray &out)
{
    appendU32(out, 0x00FF0000);
    appendU32(out, 0x0000FF00);
    appendU32(out, 0x000000FF);
}

void encodeRow(QByteArray &out, const QByteArray &row)
{
    const int n = int(row.size());
    int i = 0;
    while (i < n) {
        int run = 1;
        while (i + run < n && run < 255 && row.at(i + run) == row.at(i))
            ++run;
        if (run >= 3) {
            out.append(char(run));
            out.append(row.at(i));
            i += run;
            continue;
        }
        // Gather indices up to the next run of three.
        int j = i;
        while (j < n && j - i < 255) {
            if (j + 2 < n && row.at(j) == row.at(j + 1) && row.at(j) == row.at(j + 2))
                break;
            ++j;
        }
        const int length = j - i;
        if (length < 3) { // absolute mode needs at least 3 indices
            for (int k = i; k < j; ++k) {
                out.append(char(1));
                out.append(row.at(k));
            }
        } else {
            out.append(char(0));
            out.append(char(length));
            out.append(row.mid(i, length));
            if (length % 2 == 1)
                out.append(char(0));
        }
        i = j;
    }
}

} // namespace

void BmpWriter::patch(int offset, const QByteArray &bytes)
{
    m_patches.append({offset, bytes});
}

void BmpWriter::patch16(int offset, quint16 value)
{
    QByteArray bytes;
    appendU16(bytes, value);
    patch(offset, bytes);
}

void BmpWriter::patch32(int offset, quint32 value)
{
    QByteArray bytes;
    appendU32(bytes, value);
    patch(offset, bytes);
}

QByteArray BmpWriter::build() const
{
    const QByteArray info = header();
    const bool core = headerSize == 12;
    QByteArray table;
    if (headerSize == 40 && compression == Bitfields)
        appendMasks(table); // the 40-byte header keeps them between itself and the colours
    for (const QRgb colour : palette) {
        table.append(char(qBlue(colour)));
        table.append(char(qGreen(colour)));
        table.append(char(qRed(colour)));
        if (!core)
            table.append(char(0));
    }
    const QByteArray data = pixelData.value_or(rowBytes());

    const qint64 naturalOffset = FileHeaderSize + info.size() + table.size() + gap;
    QByteArray file("BM");
    appendU32(file, quint32(naturalOffset + data.size() + trailing));
    appendU32(file, 0); // reserved
    appendU32(file, pixelOffset.value_or(quint32(naturalOffset)));
    file.append(info);
    file.append(table);
    file.append(QByteArray(qMax(gap, 0), Filler));
    file.append(data);
    file.append(QByteArray(qMax(trailing, 0), Filler));

    for (const auto &[offset, bytes] : m_patches) {
        if (file.size() < offset + bytes.size())
            file.resize(offset + bytes.size(), '\0');
        file.replace(offset, bytes.size(), bytes);
    }
    return file;
}

bool BmpWriter::save(const QString &path) const
{
    QFile file(path);
    const QByteArray data = build();
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush();
}

QByteArray BmpWriter::standardFrame(const QVector<QRgb> &palette, const QByteArray &topFirstPixels)
{
    BmpWriter writer;
    writer.palette = palette;
    writer.palette.resize(256, qRgb(0, 0, 0));
    writer.pixels = topFirstPixels;
    return writer.build();
}

QByteArray BmpWriter::encodeRle8(const QVector<QByteArray> &fileRows)
{
    QByteArray out;
    for (const QByteArray &row : fileRows) {
        encodeRow(out, row);
        out.append(char(0));
        out.append(char(0)); // end of line
    }
    if (!out.isEmpty())
        out.chop(2); // the last row ends the bitmap instead
    out.append(char(0));
    out.append(char(1));
    return out;
}

QByteArray BmpWriter::header() const
{
    QByteArray out;
    if (headerSize == 12) {
        appendU32(out, 12);
        appendU16(out, quint16(width));
        appendU16(out, quint16(height));
        appendU16(out, planes);
        appendU16(out, bitCount);
        return out;
    }
    const qint32 writtenHeight = topDown ? -height : height;
    appendU32(out, quint32(headerSize));
    appendU32(out, quint32(width));
    appendU32(out, quint32(writtenHeight));
    appendU16(out, planes);
    appendU16(out, bitCount);
    appendU32(out, compression);
    appendU32(out, quint32(pixelData.value_or(rowBytes()).size())); // biSizeImage
    appendU32(out, 2835); // 72 dpi
    appendU32(out, 2835);
    appendU32(out, colorsUsed);
    appendU32(out, 0); // all colours important
    appendMasks(out); // the 52-byte header and up hold the masks themselves
    appendU32(out, 0); // alpha mask
    appendU32(out, 0x73524742); // 'sRGB' colour space in the 108-byte header and up
    out.resize(qMax(headerSize, 4), '\0'); // the size field itself always goes out
    return out;
}

QByteArray BmpWriter::rowBytes() const
{
    const bool topFirst = topDown != (height < 0);
    const qint64 rows = qAbs(qint64(height));
    const qint64 rowLength = (qAbs(qint64(width)) * bitCount + 7) / 8;
    const qint64 stride = (rowLength + 3) / 4 * 4;
    if (rows * stride > MaxPixelBytes)
        return {};

    QVector<QByteArray> fileRows;
    for (qint64 i = 0; i < rows; ++i) {
        const qint64 source = topFirst ? i : rows - 1 - i;
        QByteArray row = pixels.mid(source * rowLength, rowLength);
        row.resize(compression == Rle8 ? rowLength : stride, '\0');
        fileRows.append(row);
    }
    if (compression == Rle8)
        return encodeRle8(fileRows);
    QByteArray out;
    for (const QByteArray &row : fileRows)
        out.append(row);
    return out;
}
