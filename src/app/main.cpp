#include "app/appinfo.h"
#include "app/artwork.h"
#include "app/module2.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("drelin"));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::VersionString));
    QApplication::setDesktopFileName(QStringLiteral("drelin"));
    QApplication::setWindowIcon(Artwork::programIcon());
    Module2::Main();
    return QApplication::exec();
}
