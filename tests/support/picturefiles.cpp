#include "picturefiles.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

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
