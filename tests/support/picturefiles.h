#pragma once

#include <QColor>
#include <QList>
#include <QString>

// Pictures of other kinds than frame bitmaps, for the import's tests.
namespace PictureFiles {

// ImageMagick's program: "magick", or "convert" where that is ImageMagick's and not another program
// of the name (Windows has one); empty when there is none.
QString imageMagick();

// An animation (GIF, WebP, ... by the suffix) of 40 x 20 pictures, one a colour, 0.2 s each, made
// by ImageMagick; false when it could not be made.
bool writeAnimation(const QString &path, const QList<QColor> &colours);

// `head`, then `spaces` spaces, then `tail`, compressed with gzip a piece at a time (a small file
// that inflates past any memory).
QByteArray gzip(const QByteArray &head, qint64 spaces = 0, const QByteArray &tail = QByteArray());

// An animated GIF of 40 x 20 pictures, one a colour, 0.2 s each, written here without ImageMagick
// (which takes seconds a picture for some): for animations of hundreds of pictures.
bool writeGif(const QString &path, const QList<QColor> &colours);

} // namespace PictureFiles
