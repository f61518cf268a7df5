#include "programrun.h"

#include <QProcess>

ProgramRun ProgramRun::finish(QProcess &process, int timeoutMs)
{
    ProgramRun result;
    if (!process.waitForFinished(timeoutMs))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

ProgramRun ProgramRun::of(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    return finish(process, timeoutMs);
}

QString ProgramRun::usageErrorProblem(const QString &name, const QString &says) const
{
    const QList<QByteArray> lines = err.trimmed().split('\n');
    if (exitCode != 2)
        return QStringLiteral("exit code %1, not 2").arg(exitCode);
    if (!out.isEmpty())
        return QStringLiteral("printed on stdout: ") + QString::fromUtf8(out);
    if (lines.size() != 2 || !lines[0].startsWith((name + QStringLiteral(": ")).toUtf8())
        || !lines[0].contains(says.toUtf8()) || lines[1] != QStringLiteral("Try '%1 --help'.").arg(name).toUtf8())
        return QStringLiteral("said: ") + QString::fromUtf8(err);
    return QString();
}
