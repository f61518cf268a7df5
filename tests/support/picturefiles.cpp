#include "picturefiles.h"

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace PictureFiles {

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
    return QProcess::execute(QStringLiteral("convert"), arguments) == 0;
}

} // namespace PictureFiles
