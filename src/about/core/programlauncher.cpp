#include "about/core/programlauncher.h"

// Finding is the same everywhere; starting is in programlauncher_unix.cpp and
// programlauncher_win.cpp.

#include <QDir>
#include <QFileInfo>

QStringList ProgramLauncher::searchPath() const
{
    if (!m_searchPath.isEmpty())
        return m_searchPath;
    return qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
}

QString ProgramLauncher::findProgram(const QStringList &names) const
{
    const QStringList folders = searchPath();
    for (const QString &name : names) {
        for (const QString &folder : folders) {
            const QFileInfo candidate(QDir(folder).filePath(name));
            if (candidate.isFile() && candidate.isExecutable())
                return candidate.absoluteFilePath();
        }
    }
    return QString();
}
