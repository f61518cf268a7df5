#include "about/core/helperprograms.h"

// On Unix the system information program is the first known one on the search path; web
// addresses go to the desktop's handler.

#include "about/core/programlauncher.h"

#include <QStringList>

namespace HelperPrograms {

QString systemInformation(const ProgramLauncher &launcher)
{
    return launcher.findProgram({QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
                                 QStringLiteral("lshw-gtk"), QStringLiteral("gnome-system-monitor"),
                                 QStringLiteral("xfce4-taskmanager")});
}

QString webBrowser()
{
    return QString();
}

} // namespace HelperPrograms
