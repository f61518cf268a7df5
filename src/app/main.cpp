#include "app/module2.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Module2::prepareApplication();
    Module2::Main();
    return QApplication::exec();
}
