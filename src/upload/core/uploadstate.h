#pragma once

#include "frame/wireformat.h"

#include <QtGlobal>

#include <atomic>

// What the window and the transmitter share during an upload. The window writes StopRequested
// while the transmitter runs on the serial thread, hence the atomics.
struct UploadState
{
    // Progress units: 4 a pixel group.
    static constexpr int ProgressPerGroup = 4;
    static constexpr int ProgressPerFrame = ProgressPerGroup * WireFormat::PixelGroups;

    // Set by the stop action; the transmitter returns at its next stop check.
    std::atomic<bool> StopRequested{false};
    // Progress units sent in this upload: ProgressPerGroup a pixel group, ProgressPerFrame a frame.
    std::atomic<int> ProgressValue{0};
    // Monotonic milliseconds when the upload started.
    std::atomic<qint64> UploadStartTime{0};
};
