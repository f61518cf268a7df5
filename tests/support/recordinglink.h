#pragma once

#include "base/clock.h"
#include "frame/seriallink.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

// One thing the transmitter did to the line or the clock, in order.
struct LineEvent
{
    enum Kind { Write, Drain, Pause };
    Kind kind = Write;
    QByteArray text; // for writes
    qint64 ms = 0; // for pauses

    bool operator==(const LineEvent &other) const { return kind == other.kind && text == other.text && ms == other.ms; }
};

// A serial line and a clock that record every write, drain and pause into one log, and can be
// told to fail or to run a callback at a chosen moment.
class RecordingLine : public SerialLink, public Clock
{
public:
    QVector<LineEvent> events;

    // Called after each recorded event (with its index); tests use it to press Stop at a moment.
    std::function<void(int index, const LineEvent &event)> afterEvent;
    // Writes from this 0-based write number on fail with failureText (-1: never).
    int failWritesFrom = -1;
    QString failureText = QStringLiteral("The line is gone.");

    bool write(const QByteArray &data) override;
    bool drain() override;
    QString errorDescription() const override { return m_error; }

    qint64 nowMs() const override { return m_now; }
    void pauseMs(qint64 ms) override;
    void advance(qint64 ms) { m_now += ms; }

    // Every character written, in order.
    QByteArray written() const;
    int writeCount() const { return m_writes; }

private:
    void record(const LineEvent &event);

    QString m_error;
    int m_writes = 0;
    qint64 m_now = 1000000;
};
