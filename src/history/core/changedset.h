#pragma once

#include "history/core/deviceholdings.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct LineSettings;

// One entry of a list about to be sent: its number and the SHA-256 of its exact characters
// (WireFormat::frameSha256).
struct FrameJob
{
    int number = 0;
    QByteArray sha256;
};

// The entries of a list that a destination needs: those whose exact characters differ from what
// the history says it holds whole, and every slot it does not know (never sent from here, cut
// short, failed, in flight at a kill, forgotten). Of entries sharing a number only the last
// counts, as the device keeps the one sent last.
struct ChangedSet
{
    QVector<int> positions; // into the jobs, in list order
    // Why every entry is sent, when the history knows nothing of the destination; else empty.
    QString reason;

    static ChangedSet of(const QVector<FrameJob> &jobs, const DeviceHoldings &holdings);

    // "5 of 256 frames differ from what Com1 holds: 00:01:51", the time theirs on the line, for
    // the window and drelin-upload alike.
    QString countText(int total, const QString &destination, const LineSettings &line) const;
};
