#include "frame/duplicateframes.h"

#include <iterator>

namespace DuplicateFrames {

QMap<int, int> count(const QVector<int> &numbers)
{
    QMap<int, int> times;
    for (const int number : numbers)
        ++times[number];
    for (auto it = times.begin(); it != times.end();)
        it = it.value() > 1 ? std::next(it) : times.erase(it);
    return times;
}

QString note(int number, int times)
{
    const QString frame = QStringLiteral("frame %1").arg(number, 4, 10, QLatin1Char('0'));
    if (times == 2)
        return frame + QStringLiteral(" is given twice: the later one overwrites the earlier on the device");
    return frame + QStringLiteral(" is given %1 times: the last one overwrites the others on the device").arg(times);
}

} // namespace DuplicateFrames
