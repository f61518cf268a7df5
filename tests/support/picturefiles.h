#pragma once

#include <QColor>
#include <QList>
#include <QString>

// Pictures of other kinds than frame bitmaps, for the import's tests.
namespace PictureFiles {

// An animation (GIF, WebP, ... by the suffix) of 40 x 20 pictures, one a colour, 0.2 s each, made
// by ImageMagick's convert.
bool writeAnimation(const QString &path, const QList<QColor> &colours);

} // namespace PictureFiles
