#include "about/core/programlauncher.h"

// Programs on Unix start through QProcess; web addresses go to the desktop's opener, xdg-open.

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool ProgramLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

void ProgramLauncher::openUrl(const QUrl &url, const std::function<void(bool opened)> &done)
{
    // Run the desktop's opener ourselves: started is not opened, its exit status says.
    const QString opener = findProgram({QStringLiteral("xdg-open")});
    if (opener.isEmpty()) {
        done(QDesktopServices::openUrl(url));
        return;
    }
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
}
