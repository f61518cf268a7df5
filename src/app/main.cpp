#include "app/frmmain.h"
#include "app/module2.h"
#include "framelist/widgets/framelistfiles.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Module2::prepareApplication();
    frmMain *window = Module2::Main();
    // A list file named on the command line (how Explorer opens a ".frames" file) opens as Open
    // list opens it, once the window runs.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        QTimer::singleShot(0, window, [window, file = arguments.at(1)] { window->listFiles()->open(file); });
    return QApplication::exec();
}
