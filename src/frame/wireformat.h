#pragma once

#include "frame/framebitmap.h"

#include <QByteArray>
#include <QString>

#include <array>

// The device's frame protocol: printable text, numbers as two uppercase hexadecimal digits.
//
//   " [" "] " (pause) " [" NN name(8) colours(256 x RGB, 1536 chars) pixels(65536 chars) "] "
//
// The colour table is cut to 6 bits a component (value div 4), red, green, blue. The pixels go
// top row first, each row as 64 groups of four pixels, each group as four bytes A, B, C, D that
// carry the bit planes 0+1, 2+3, 4+5 and 6+7. A frame takes three one-second pauses: before the
// empty frame, after it, and after the header.
namespace WireFormat {

inline constexpr char FrameOpen[] = " [";
inline constexpr char FrameClose[] = "] ";
inline constexpr int NameLength = 8;
// Frame numbers the device takes: two hexadecimal digits.
inline constexpr int HighestFrameNumber = 255;
inline constexpr int PixelsPerGroup = 4;
// Pixel groups in a frame: 128 rows of 64 groups of four pixels.
inline constexpr int PixelGroups = FrameBitmap::PixelCount / PixelsPerGroup;
// Each colour component and each byte of a pixel group goes out as two hexadecimal digits.
inline constexpr int ColourTableCharacters = FrameBitmap::PaletteSize * 3 * 2;
inline constexpr int PixelCharacters = PixelGroups * 4 * 2;
// Everything one frame sends: the empty frame, the header, colours, pixels and the close.
inline constexpr int FrameCharacters = 2 + 2 + 2 + 2 + NameLength + ColourTableCharacters + PixelCharacters + 2;
inline constexpr int PauseCount = 3;
inline constexpr qint64 PauseMs = 1000;

// Uppercase hexadecimal digits of a non-negative value, without leading zeros but at least two:
// 0 -> "00", 10 -> "0A", 255 -> "FF", 256 -> "100".
QString FormatHex2(qint64 value);
// The two characters of a byte, appended to out.
void appendHex2(QByteArray &out, quint8 value);

// The four bytes A, B, C, D of the pixel group p0..p3 (left to right).
std::array<quint8, 4> encodePixelGroup(quint8 p0, quint8 p1, quint8 p2, quint8 p3);
// The inverse: the four pixels of a group.
std::array<quint8, 4> decodePixelGroup(quint8 a, quint8 b, quint8 c, quint8 d);

// The name padded with spaces to 8 characters or cut to its first 8, one byte per character.
// ASCII goes out unchanged; a character outside ASCII goes out as "?".
QByteArray nameField(const QString &name);

// A colour component as the device takes it: 0-255 cut to 0-63.
inline quint8 sixBits(int component)
{
    return quint8(component / 4);
}

// The 8 characters of pixel group `group` (0-63) of row `row` (0 = top of the picture).
QByteArray pixelGroupText(const FrameBitmap &frame, int row, int group);

// Every character the transmitter writes for a whole frame, in order: FrameCharacters of them.
QByteArray frameText(int frameNumber, const QString &name, const FrameBitmap &frame);
// The SHA-256 of frameText (32 bytes): two frames that differ in anything the device gets, the
// number and the name field included, differ here.
QByteArray frameSha256(int frameNumber, const QString &name, const FrameBitmap &frame);

} // namespace WireFormat

// How long `frames` frames take on a line of `baudRate` bit/s with `bitsPerCharacter` bits a
// character: every character of a frame and its pauses.
qint64 expectedUploadMs(int frames, int baudRate, double bitsPerCharacter);
