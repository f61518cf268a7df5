#include "picturefiles.h"

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

} // namespace PictureFiles
