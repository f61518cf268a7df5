#include "about/core/helperprograms.h"

// On Windows both programs are found where their installers register them.

#include "about/core/keyvalue_win.h"
#include "base/localpath.h"

namespace HelperPrograms {

QString systemInformation(const ProgramLauncher &)
{
    QString path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), &path))
        return path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), &path)) {
        const QString program = path + QStringLiteral("\\MSINFO32.EXE");
        if (LocalPath::stat(program).isFile)
            return program;
    }
    return QString();
}

QString webBrowser()
{
    // Current Windows has no Internet Explorer: without it the default browser opens the page.
    QString path;
    if (!GetKeyValue(HKEY_LOCAL_MACHINE,
                     QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE"),
                     QStringLiteral("PATH"), &path)
        || path.isEmpty())
        return QString();
    path.chop(1); // the folder list ends with a separator
    const QString program = path + QStringLiteral("\\IEXPLORE.EXE");
    return LocalPath::stat(program).isFile ? program : QString();
}

} // namespace HelperPrograms
