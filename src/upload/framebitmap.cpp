// Placeholder until the reader lands.
#include "framebitmap.h"

FrameBitmapReader::Result FrameBitmapReader::readFile(const QString &)
{
    return {std::nullopt, QStringLiteral("not implemented")};
}

FrameBitmapReader::Result FrameBitmapReader::parse(const QByteArray &)
{
    return {std::nullopt, QStringLiteral("not implemented")};
}
