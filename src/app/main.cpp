#include "app/frmmain.h"
#include "app/module2.h"
#include "base/localpath.h"
#include "base/processsetup.h"
#include "framelist/widgets/framelistfiles.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    prepareProcess();
    QApplication app(argc, argv); // takes its own options out of argv
    Module2::prepareApplication();
    frmMain *window = Module2::Main();
    // A list file named on the command line (how a file manager or Explorer opens a ".frames"
    // file) opens as Open list opens it, once the window runs. Qt has taken out the options that
    // were its own; the name itself is taken byte for byte.
    const QStringList arguments = LocalPath::arguments(argc, argv);
    if (QApplication::arguments().size() > 1 && !arguments.isEmpty())
        QTimer::singleShot(0, window, [window, file = arguments.constLast()] { window->listFiles()->open(file); });
    return QApplication::exec();
}
