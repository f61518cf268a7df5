#pragma once

#include "frame/framebitmap.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <array>

// One frame as the device received it.
struct DecodedFrame
{
    int number = -1; // -1 when the number did not arrive
    QByteArray nameField; // the name characters as received (up to 8)
    // Colour table as received: red, green, blue of each entry, 6 bits each (0-63).
    std::array<std::array<quint8, 3>, FrameBitmap::PaletteSize> sixBitPalette{};
    QByteArray pixels = QByteArray(FrameBitmap::PixelCount, '\0'); // top row first; pixels that did not arrive are 0
    int coloursReceived = 0; // complete colour-table entries
    int groupsReceived = 0; // complete pixel groups (of WireFormat::PixelGroups)
    bool complete = false; // everything and the closing "] " arrived
    qint64 characters = 0; // characters of this frame, from its " [" on
    QString problem; // why the frame is not complete; empty when it is

    // The picture as the device would show it, colours scaled back from 6 to 8 bits.
    QImage toImage() const;
};

// Decodes the frame protocol from a byte stream, however it is cut into pieces. A malformed or
// cut-off frame is reported with the reason and decoding goes on at the next " [" marker.
class WireDecoder
{
public:
    WireDecoder();
    ~WireDecoder();
    WireDecoder(const WireDecoder &) = delete;
    WireDecoder &operator=(const WireDecoder &) = delete;

    void feed(const QByteArray &bytes);
    // The stream has ended: a frame still in progress is reported as cut off.
    void finish();
    // The frames decoded since the last call, in the order they arrived.
    QList<DecodedFrame> takeFrames();
    // True while a frame has begun and not yet ended.
    bool inFrame() const;
    // How often the stream has reached a place where the sender pauses: after the empty frame,
    // after the name and after a frame's close.
    int pausesPassed() const;

private:
    struct State;
    State *d;
};
