#pragma once

#include <QByteArray>
#include <QString>

struct FrameBitmap;

// What the device must receive for one frame, written out again from the protocol's tables (not
// from the program's encoder), so tests, benchmarks and fuzz seeds compare against an oracle.
namespace WireOracle {

// " [" "] " " [" NN name(8) colours pixels "] ": numbers as two uppercase hex digits, the name
// padded or cut to 8 (outside ASCII as "?"), colours red, green, blue cut to 6 bits, pixels top row
// first as groups of four bytes A B C D carrying bit planes 0+1, 2+3, 4+5, 6+7.
QByteArray frameText(int frameNumber, const QString &name, const FrameBitmap &frame);

} // namespace WireOracle
