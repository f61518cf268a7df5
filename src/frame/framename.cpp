#include "frame/framename.h"

#include <QDir>

QString frameNameFromPath(const QString &path)
{
    QString name = QDir::fromNativeSeparators(path);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

namespace FrameNumber {

QString FormatFrameNumber(int n, const QString &previous)
{
    if (n < 0 || n >= 1000)
        return previous;
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

} // namespace FrameNumber
