#include "picturefiles.h"

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

} // namespace PictureFiles
