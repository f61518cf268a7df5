#include "programlauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

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

bool ProgramLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool ProgramLauncher::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
