#pragma once

#include "frame/framebitmap.h"

#include <QByteArray>
#include <QString>

// How a frame's transmission ended, as the history keeps it (the numbers are written to the file).
enum class FrameState {
    InFlight = 0, // begun and not ended: a kill, a power cut, or still going
    Complete = 1, // every character went out, the last pause too
    CutShort = 2, // stopped part way
    Failed = 3, // the line failed under it
};

// One frame as a load records it before its first character goes out.
struct SentFrame
{
    int number = 0;
    QByteArray sha256; // of the exact characters sent (WireFormat::frameSha256)
    QString name;
    QString sourcePath;
    FrameBitmap frame; // kept once for each distinct sha256, to show it when the file has gone

    // The record of frame going out as number under name, read from sourcePath.
    static SentFrame of(int number, const QString &name, const QString &sourcePath, const FrameBitmap &frame);
};
