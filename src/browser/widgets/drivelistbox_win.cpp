#include "browser/widgets/drivelistbox.h"

// Volumes on Windows: the drive letters, each its own tree ("C:/"), in the order of the letters.

#include <QDir>
#include <QFileInfo>

QList<DriveListBox::Volume> DriveListBox::mountedVolumes()
{
    // Every letter the system knows, ready or not: picking one without a medium says so.
    QList<Volume> volumes;
    for (const QFileInfo &drive : QDir::drives())
        volumes.append({drive.filePath(), QByteArray()});
    return volumes;
}

bool DriveListBox::isPickable(const Volume &)
{
    return true;
}

QString DriveListBox::topRoot()
{
    return QString();
}

bool DriveListBox::holds(const QString &root, const QString &path)
{
    // "C:/" holds "c:/Frames" and "C:/" itself; letters have no case.
    return path.startsWith(root, Qt::CaseInsensitive)
        || (root.endsWith(QLatin1Char('/')) && path.compare(root.chopped(1), Qt::CaseInsensitive) == 0);
}
