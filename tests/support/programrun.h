#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QProcess;

// One of the command-line programs run to its end, as a script sees it.
struct ProgramRun
{
    int exitCode = -1; // -1 when it crashed or did not end in time
    QByteArray out;
    QByteArray err;

    // Waits for a started process and takes what it printed.
    static ProgramRun finish(QProcess &process, int timeoutMs = 60000);
    // Starts program with the caller's environment and waits for it.
    static ProgramRun of(const QString &program, const QStringList &arguments, int timeoutMs = 60000);

    // Empty when this is a usage error as the programs tell one: exit 2, nothing on stdout, and on
    // stderr "NAME: ..." containing `says`, then "Try 'NAME --help'.", not the whole help.
    // Otherwise what differs.
    QString usageErrorProblem(const QString &name, const QString &says) const;
};
