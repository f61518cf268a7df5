#pragma once

#include <QtGlobal>

class Clock;

// Lets through only as many characters as a serial line at `baud` carries: 11 bits a character
// (a start bit, 8 data bits, no parity, 2 stop bits). A line cannot send in the past, so time it
// stood idle is not saved up beyond a few milliseconds' worth.
class LinePacer
{
public:
    static constexpr int BitsPerCharacter = 11;
    static constexpr qint64 BurstMs = 20;

    LinePacer(int baud, const Clock &clock);

    // How many characters may be taken now.
    qint64 allowance();
    // `count` characters were taken.
    void take(qint64 count);
    // The line carries nothing for `ms` from now, as while the sender pauses.
    void idle(qint64 ms);
    // How long until the next character may be taken, at least 1 ms.
    int msUntilNext();

private:
    void update();

    double m_perMs;
    const Clock &m_clock;
    qint64 m_lastMs;
    double m_credit = 0;
};
