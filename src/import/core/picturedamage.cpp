#include "import/core/picturedamage.h"

#include <QtEndian>

#include <zlib.h>

namespace PictureDamage {

namespace {

const QString CutShort = QStringLiteral("it ends before its last part: it was cut short");

// Chunk after chunk, each with its check sum, to IEND.
QString pngDamage(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    qsizetype at = 8; // the signature
    while (bytes.size() - at >= 12) {
        const quint32 length = qFromBigEndian<quint32>(data + at);
        if (length > quint32(bytes.size() - at - 12))
            return CutShort;
        const QByteArray type = bytes.mid(at + 4, 4);
        const quint32 sum = qFromBigEndian<quint32>(data + at + 8 + length);
        if (crc32(0, data + at + 4, uInt(length + 4)) != sum)
            return QStringLiteral("its %1 chunk at byte %2 fails its check sum").arg(QString::fromLatin1(type)).arg(at);
        if (type == "IEND")
            return QString();
        at += 12 + qsizetype(length);
    }
    return CutShort;
}

// Skips a colour table whose presence and size the flags byte tells.
qsizetype colourTable(uchar flags)
{
    return flags & 0x80 ? 3 * (qsizetype(2) << (flags & 7)) : 0;
}

// Block after block to the trailer: extensions and pictures, each a run of sub-blocks.
QString gifDamage(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 13)
        return CutShort;
    qsizetype at = 13 + colourTable(data[10]);
    int pictures = 0;
    const auto cut = [&pictures] {
        return QStringLiteral("it ends after %1 whole picture%2: it was cut short")
            .arg(pictures)
            .arg(pictures == 1 ? QString() : QStringLiteral("s"));
    };
    while (at < size) {
        const uchar block = data[at];
        if (block == 0x3B)
            return QString(); // the trailer
        if (block == 0x21) {
            at += 2;
        } else if (block == 0x2C) {
            if (size - at < 11)
                return cut();
            at += 10 + colourTable(data[at + 9]) + 1; // the descriptor, its colours, the code size
        } else {
            return QStringLiteral("it holds something unknown at byte %1").arg(at);
        }
        while (at < size && data[at] != 0)
            at += 1 + data[at];
        if (at >= size)
            return cut();
        ++at; // the sub-blocks' end
        pictures += block == 0x2C;
    }
    return cut();
}

} // namespace

QString find(const QByteArray &bytes, const QByteArray &format)
{
    if (format == "png")
        return pngDamage(bytes);
    if (format == "gif")
        return gifDamage(bytes);
    return QString();
}

} // namespace PictureDamage
