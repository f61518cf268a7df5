#include "base/duration.h"

QString formatDuration(qint64 milliseconds)
{
    const qint64 seconds = milliseconds > 0 ? (milliseconds / 1000) % 86400 : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
