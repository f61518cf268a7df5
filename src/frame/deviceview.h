#pragma once

#include <QImage>
#include <QRgb>

// What the device shows: it keeps 6 bits a colour component (the wire sends value div 4) and
// shows level L as L x 255 / 63.
namespace DeviceView {

// The 8-bit value the device shows for a 6-bit level (0-63).
int shownLevel(int sixBits);
// The colour the device shows for a colour-table entry as a frame file holds it.
QRgb shown(QRgb entry);
// A picture as the device would show it, each pixel's colour through the 6-bit cut.
QImage shown(const QImage &picture);

} // namespace DeviceView
