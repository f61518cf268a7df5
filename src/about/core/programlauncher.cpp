#include "about/core/programlauncher.h"

#include <QCoreApplication>
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

void ProgramLauncher::openUrl(const QUrl &url, const std::function<void(bool opened)> &done)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Run the desktop's opener ourselves: started is not opened, its exit status says.
    const QString opener = findProgram({QStringLiteral("xdg-open")});
    if (!opener.isEmpty()) {
        // Owned by the application, so closing the dialog does not end the opener.
        auto *process = new QProcess(QCoreApplication::instance());
        QObject::connect(process, &QProcess::finished, process, [process, done](int code, QProcess::ExitStatus status) {
            done(status == QProcess::NormalExit && code == 0);
            process->deleteLater();
        });
        QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                done(false);
                process->deleteLater();
            }
        });
        process->setProgram(opener);
        process->setArguments({url.toString(QUrl::FullyEncoded)});
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start();
        return;
    }
#endif
    done(QDesktopServices::openUrl(url));
}
