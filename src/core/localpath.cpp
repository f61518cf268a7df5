#include "core/localpath.h"

// What is the same on every platform; the rest is in localpath_unix.cpp and localpath_win.cpp.
namespace LocalPath {

QString fromUrlBytes(const QByteArray &percentEncodedPath)
{
    return decode(QByteArray::fromPercentEncoding(percentEncodedPath));
}

} // namespace LocalPath
