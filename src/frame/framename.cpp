#include "frame/framename.h"

#include <QDir>

QString frameNameFromPath(const QString &path)
{
    QString name = QDir::fromNativeSeparators(path);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}
