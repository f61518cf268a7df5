#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace BoundedRead {

// What is left to read from the device, but never more than most + 1 bytes, so a file that grew
// past its limit shows as longer than the limit. Memory is taken as the bytes come, not for the
// limit up front: a limit of hundreds of megabytes would otherwise be asked of the system for each
// small file. expected is where to start (the size the file had); it may be wrong either way.
QByteArray read(QIODevice &device, qint64 most, qint64 expected);

} // namespace BoundedRead
