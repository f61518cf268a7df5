#pragma once

#include "history/core/sentframe.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>

// What the history says a slot of a device holds.
enum class SlotState {
    Empty, // nothing was ever sent there from here
    Unknown, // the frame sent there last did not end whole, or the device was forgotten since
    Complete, // the frame sent there last went out whole
};

// The state as the operator reads it: "empty", "unknown", "complete".
QString slotStateName(SlotState state);

struct SlotHolding
{
    SlotState state = SlotState::Empty;
    // Of the frame sent there last, when one was: how it ended, and whether the device was
    // forgotten after it.
    FrameState recorded = FrameState::InFlight;
    bool forgotten = false;
    QByteArray sha256;
    QString name;
    QString sourcePath;
    QDateTime loaded; // when it ended, or began when it never ended
    QString workstation;
    QString user;
};

// Every slot of one destination: what the history knows of what the device holds.
struct DeviceHoldings
{
    static constexpr int Slots = 256;

    // False when the history knows nothing of the destination: no frame sent, never forgotten.
    bool known = false;
    QDateTime forgotten; // the latest time it was forgotten; invalid when never
    std::array<SlotHolding, Slots> held; // by frame number
};
