#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <array>

// The README's picture of how pictures become frames.
namespace ComparisonSheet {

// A PNG, each row a picture: as it is, through ImageMagick and the cut, through ours and the cut.
bool write(const QString &path, const QList<std::array<QImage, 3>> &rows);

} // namespace ComparisonSheet
