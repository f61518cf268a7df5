#pragma once

#include <QByteArray>
#include <QString>

// The serial line as the frame transmitter sees it: sequential, blocking, one thread.
class SerialLink
{
public:
    virtual ~SerialLink() = default;

    // Queues the characters for transmission in order. Waits for room when the queue is full and
    // never drops a character. Returns false when the line cannot take them.
    virtual bool write(const QByteArray &data) = 0;

    // Waits until everything written has left the operating system's transmit queue.
    virtual bool drain() = 0;

    // Frame `number` starts: what a failure tells may name it and how far it got.
    virtual void frameBegun(int number) { Q_UNUSED(number); }

    // After a failure that lost the line: makes it again, where this kind of line can and was told
    // to; the frame that failed is then sent again whole. False leaves the failure as it was.
    virtual bool reconnect() { return false; }

    // What went wrong in the latest failing call, in words for the operator.
    virtual QString errorDescription() const = 0;
};
