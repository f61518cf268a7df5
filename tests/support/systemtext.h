#pragma once

#include <QString>

#include <cerrno>
#include <cstring>

// The system error text found in a message, empty when there is none. A lost line is to be told in
// the operator's words, not with an errno left over from some earlier call.
inline QString systemTextIn(const QString &message)
{
    for (const int code : {ENOTTY, EIO, ENXIO, ENODEV, EBADF, EAGAIN, EINTR, EPIPE, ENOENT}) {
        const QString text = QString::fromLocal8Bit(std::strerror(code));
        if (message.contains(text, Qt::CaseInsensitive))
            return text;
    }
    return QString();
}
