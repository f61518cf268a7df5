#include "serial/core/portdetails.h"

// The ports the system reports are in portdetails_unix.cpp and portdetails_win.cpp.

#include <QDir>
#include <QFileInfo>

QString PortDetails::linkIn(const QString &folder, const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QFileInfoList links =
        QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.filePath();
    }
    return QString();
}
