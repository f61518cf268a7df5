#pragma once

#include "import/core/importoptions.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// Reads pictures of any format Qt's image plugins read (PNG, JPEG, GIF, WebP, SVG, TIFF, TGA, ...)
// and lays each on the 256 x 128 frame: one for a still picture, one for each picture of an
// animation. A drawing (SVG) is drawn at the frame's size rather than scaled from a bitmap.
class PictureReader
{
public:
    struct Picture
    {
        QImage frame; // 256 x 128, RGB32
        int delayMs = 0; // how long an animation shows it
        int number = 0; // its place in the file, from 0
    };

    struct Read
    {
        QList<Picture> pictures;
        int leftOut = 0; // pictures of the animation chosen, past the limit
        bool animated = false; // more than one picture, or a format that animates
        QString caveat; // what the operator should know of how it was drawn; empty when nothing
    };

    // At most `limit` pictures, of an animation those the options choose; false with the reason
    // (unreadable, not a regular file, too large, not a picture, a format no plugin reads, no
    // pixels, none chosen, damaged or cut short) in *error. What the image plugins say while
    // reading goes into the reason, never to the console.
    static bool read(const QString &path, const ImportOptions &options, int limit, Read *out, QString *error);

    // How many pictures the file holds (1 for a still), read from its header; 0 when unknown.
    static int pictureCount(const QString &path);

    // For file dialogs: the patterns of every format the plugins read.
    static QStringList nameFilters();
};
