#include "picturefiles.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

#include <zlib.h>

namespace PictureFiles {

QString imageMagick()
{
    // Looked for once: the tests ask for every animation they write.
    static const QString found = [] {
        for (const char *name : {"magick", "convert"}) {
            QProcess tool;
            tool.start(QString::fromLatin1(name), {QStringLiteral("-version")});
            if (tool.waitForFinished(30000) && tool.readAllStandardOutput().contains("ImageMagick"))
                return QString::fromLatin1(name);
        }
        return QString();
    }();
    return found;
}

bool writeAnimation(const QString &path, const QList<QColor> &colours)
{
    QTemporaryDir dir;
    QStringList arguments{QStringLiteral("-delay"), QStringLiteral("20")};
    for (int i = 0; i < colours.size(); ++i) {
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(colours[i]);
        const QString file = dir.filePath(QStringLiteral("p%1.png").arg(i));
        if (!picture.save(file))
            return false;
        arguments << file;
    }
    arguments << QStringLiteral("-loop") << QStringLiteral("0") << path;
    const QString tool = imageMagick();
    return !tool.isEmpty() && QProcess::execute(tool, arguments) == 0;
}

QByteArray gzip(const QByteArray &head, qint64 spaces, const QByteArray &tail)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY); // gzip's header
    QByteArray out;
    const QByteArray blank(1 << 20, ' ');
    const auto feed = [&](const QByteArray &bytes, int flush) {
        QByteArray piece(1 << 16, '\0');
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
        stream.avail_in = uInt(bytes.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(piece.data());
            stream.avail_out = uInt(piece.size());
            deflate(&stream, flush);
            out.append(piece.constData(), piece.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    };
    feed(head, Z_NO_FLUSH);
    for (qint64 left = spaces; left > 0; left -= blank.size())
        feed(blank.left(qsizetype(std::min<qint64>(left, blank.size()))), Z_NO_FLUSH);
    feed(tail, Z_FINISH);
    deflateEnd(&stream);
    return out;
}

bool writeGif(const QString &path, const QList<QColor> &colours)
{
    constexpr int Width = 40, Height = 20;
    QByteArray gif("GIF89a");
    const auto word = [&gif](int value) { gif.append(char(value & 0xFF)).append(char(value >> 8)); };
    word(Width);
    word(Height);
    gif.append("\x00\x00\x00", 3); // no colour table of its own, background 0, square pixels
    gif.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19); // loops for ever
    for (const QColor &colour : colours) {
        gif.append("\x21\xF9\x04\x00", 4); // how long it is shown:
        word(20); // 0.2 s
        gif.append("\x00\x00", 2);
        gif.append(',');
        word(0);
        word(0);
        word(Width);
        word(Height);
        gif.append('\x80'); // a table of two colours: this one and black
        gif.append(char(colour.red())).append(char(colour.green())).append(char(colour.blue()));
        gif.append("\x00\x00\x00", 3);
        // LZW with 2-bit colours: 3-bit codes, each pixel a code of its own, and a clear code
        // after every two, before the table would need 4 bits.
        constexpr int Clear = 4, End = 5;
        QByteArray data;
        quint32 bits = 0;
        int held = 0;
        const auto code = [&](int value) {
            bits |= quint32(value) << held;
            for (held += 3; held >= 8; held -= 8, bits >>= 8)
                data.append(char(bits & 0xFF));
        };
        for (int pixel = 0; pixel < Width * Height; ++pixel) {
            if (pixel % 2 == 0)
                code(Clear);
            code(0);
        }
        code(End);
        if (held > 0)
            data.append(char(bits & 0xFF));
        gif.append('\x02'); // the colours' bits
        for (int at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            gif.append(char(block.size())).append(block);
        }
        gif.append('\x00');
    }
    gif.append(';');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(gif) == gif.size();
}

} // namespace PictureFiles
