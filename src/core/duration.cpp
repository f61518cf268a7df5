#include "core/duration.h"

#include "core/wireformat.h"

#include <cmath>

QString formatDuration(qint64 milliseconds)
{
    const qint64 seconds = milliseconds > 0 ? (milliseconds / 1000) % 86400 : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

qint64 expectedUploadMs(int frames, int baudRate, double bitsPerCharacter)
{
    if (frames <= 0 || baudRate <= 0)
        return 0;
    const double lineMs = WireFormat::FrameCharacters * bitsPerCharacter * 1000.0 / baudRate;
    return std::llround(frames * (lineMs + double(WireFormat::PauseCount * WireFormat::PauseMs)));
}
