#include "base/boundedread.h"

#include <QIODevice>

#include <algorithm>

namespace BoundedRead {

QByteArray read(QIODevice &device, qint64 most, qint64 expected)
{
    constexpr qint64 Chunk = 1 << 20;
    const qint64 cap = most + 1;
    QByteArray bytes = device.read(std::clamp<qint64>(expected + 1, 1, cap));
    while (bytes.size() < cap) {
        const QByteArray more = device.read(std::min(Chunk, cap - bytes.size()));
        if (more.isEmpty())
            break; // the end, or an error the caller asks the device about
        bytes += more;
    }
    return bytes;
}

} // namespace BoundedRead
