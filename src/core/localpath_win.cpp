#include "core/localpath.h"

// File names on Windows: UTF-16, through Qt's wide-character file functions.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace LocalPath {

QString decode(const QByteArray &bytes)
{
    return QFile::decodeName(bytes);
}

QByteArray encode(const QString &path)
{
    return QFile::encodeName(path);
}

QStringList entries(const QString &folder, Kind kind, QString *error)
{
    QStringList names;
    const QDir dir(folder);
    if (!dir.isReadable() && error)
        *error = QStringLiteral("the folder cannot be read");
    names = dir.entryList((kind == Kind::Folders ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Files) | QDir::Hidden
                          | QDir::System);
    return names;
}

Info stat(const QString &path, QString *error)
{
    Info result;
    const QFileInfo info(path);
    result.exists = info.exists();
    result.isFolder = info.isDir();
    result.isFile = info.isFile();
    result.size = info.size();
    if (!result.exists && error)
        *error = QStringLiteral("No such file or directory");
    return result;
}

bool openForReading(QFile &file, const QString &path, QString *error)
{
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

QStringList arguments(int argc, char **argv)
{
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments().mid(1);
}

QString currentFolder()
{
    return QDir::currentPath();
}

} // namespace LocalPath
