#pragma once

#include "frame/wireformat.h"

#include <QByteArray>
#include <QString>

class Clock;
struct FrameBitmap;
class SerialLink;
struct UploadState;

// What a frame's transmission tells the window, on the transmitting thread.
class TransmitObserver
{
public:
    virtual ~TransmitObserver() = default;
    // The frame has begun: the stop button shows.
    virtual void frameBegun() { }
    // The elapsed-time ticker starts.
    virtual void tickerStarted() { }
    // After every pixel group, with the upload's progress value.
    virtual void progressed(int progressValue) { Q_UNUSED(progressValue); }
    // The frame went out whole: the stop button hides, the ticker stops.
    virtual void frameEnded() { }
    // The frame ended early (a stop or a failure): the ticker stops; the stop button stays as it is.
    virtual void frameCutShort() { }
};

// Sends one frame: header, colour table and pixels, with the drains and one-second pauses the
// device needs. Plain sequential code on the serial thread; the window reaches it only through
// UploadState::StopRequested, which it looks at before every colour entry and every pixel group.
class FrameTransmitter
{
public:
    enum class Result { Sent, Stopped, Failed };

    static constexpr qint64 PauseMs = WireFormat::PauseMs;

    FrameTransmitter(SerialLink &link, Clock &clock, UploadState &state, TransmitObserver *observer = nullptr);

    // The file is read as the frame starts, unless `loaded` holds it already (read once for
    // several lines).
    Result SendFrame(int frameNumber, const QString &path, const QString &name, const FrameBitmap *loaded = nullptr);

    // After Failed: the description of the latest failure, for the operator.
    QString errorDescription() const { return m_error; }

private:
    bool write(const QByteArray &text);
    bool drain();
    bool writeAndDrain(const QByteArray &text);
    Result failed();
    Result stopped();
    void pause();

    SerialLink &m_link;
    Clock &m_clock;
    UploadState &m_state;
    TransmitObserver *m_observer;
    TransmitObserver m_silent;
    QString m_error;
    int m_pauses = 0; // in the frame being sent
};
