#include "history/core/loadinfo.h"

#include <QDir>
#include <QStringList>
#include <QSysInfo>

namespace {
const QStringList ResultNames = {QStringLiteral("finished"), QStringLiteral("stopped"), QStringLiteral("failed")};
}

LoadInfo LoadInfo::here(const QString &listFile)
{
    // USER on Unix, USERNAME on Windows.
    QString user;
    for (const char *name : {"USER", "USERNAME", "LOGNAME"}) {
        user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            break;
    }
    // A shell started without them (a service, cron): the home folder is named after the user.
    if (user.isEmpty())
        user = QDir::home().dirName();
    return {QSysInfo::machineHostName(), user, listFile};
}

QString LoadInfo::resultName(LoadResult result)
{
    return ResultNames.at(int(result));
}

std::optional<LoadResult> LoadInfo::resultNamed(const QString &name)
{
    const qsizetype index = ResultNames.indexOf(name);
    if (index < 0)
        return std::nullopt;
    return LoadResult(index);
}
