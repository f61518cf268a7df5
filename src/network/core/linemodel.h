#pragma once

#include <QtGlobal>

// The far serial line as the sender imagines it: what a device server's UART sends, at `baud`
// with `bitsPerCharacter` bits a character, from the moment the characters are handed over. The
// UART's queue cannot be seen through TCP; this model stands in for it. Times are the caller's
// monotonic microseconds.
class LineModel
{
public:
    LineModel(int baud, int bitsPerCharacter);

    // `count` characters were handed over at `nowUs`.
    void sent(qint64 count, qint64 nowUs);
    // When the line will have sent everything handed over so far.
    qint64 endUs() const { return qint64(m_endUs); }
    // How far the line is behind what was handed over at `nowUs`; 0 when it is idle.
    qint64 aheadUs(qint64 nowUs) const;
    // How many characters may be handed over at `nowUs` so that the line is at most `limitUs` behind.
    qint64 room(qint64 nowUs, qint64 limitUs) const;
    double usPerCharacter() const { return m_usPerCharacter; }

private:
    double m_usPerCharacter;
    double m_endUs = 0;
};
