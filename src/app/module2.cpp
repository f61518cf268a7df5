#include "app/module2.h"

#include "app/frmmain.h"
#include "base/appinfo.h"

#include <QApplication>

namespace Module2 {

void prepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("drelin"));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::VersionString));
    // The desktop entry's id, which its AppStream metadata shares.
    QApplication::setDesktopFileName(QStringLiteral("test.velm.drelin"));
}

frmMain *Main()
{
    auto *window = new frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Closed mid-upload, the window hides at once and closes when the line is let go; no window
    // is visible to close last then, so its going ends the program.
    QObject::connect(window, &QObject::destroyed, qApp, &QCoreApplication::quit);
    window->Form_Load();
    window->show();
    return window;
}

} // namespace Module2
