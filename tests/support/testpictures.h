#pragma once

#include <QImage>
#include <QList>
#include <QString>

// 256 x 128 pictures drawn in code, each a kind the import meets: smooth ramps that band, a
// photograph's soft shading and noise, a logo's flat colours and antialiased edges, skin tones.
namespace TestPictures {

struct Named
{
    QString name;
    QImage picture;
};

// Red across, green diagonally, blue down: every pixel another colour.
QImage gradient();
// Grey from black to white above, the darkest quarter of it stretched below.
QImage greyRamp();
// Soft shapes over a noisy sky.
QImage photoLike();
// Flat colours with antialiased circles, rounded boxes, a star and thin lines.
QImage logo();
// Light to dark skin tones down, shaded across.
QImage skinTones();
// Every hue across, from white through full colour to black down.
QImage hues();

// All of the above, in that order.
QList<Named> all();

} // namespace TestPictures
