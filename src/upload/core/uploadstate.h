#pragma once

#include <QtGlobal>

#include <atomic>

// What the window and the transmitter share during an upload. The window writes StopRequested
// while the transmitter runs on the serial thread, hence the atomics.
struct UploadState
{
    // Progress units: 4 a pixel group, so a whole frame is 32768 (8192 groups).
    static constexpr int ProgressPerGroup = 4;
    static constexpr int ProgressPerFrame = ProgressPerGroup * 128 * 64;

    // Set by the stop action; the transmitter returns at its next stop check.
    std::atomic<bool> StopRequested{false};
    // Progress units sent in this upload: 4 a pixel group, 32768 a frame.
    std::atomic<int> ProgressValue{0};
    // Monotonic milliseconds when the upload started.
    std::atomic<qint64> UploadStartTime{0};
};
