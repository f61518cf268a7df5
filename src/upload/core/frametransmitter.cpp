#include "upload/core/frametransmitter.h"

#include "base/clock.h"
#include "frame/framebitmap.h"
#include "frame/seriallink.h"
#include "frame/wireformat.h"
#include "upload/core/uploadstate.h"

FrameTransmitter::FrameTransmitter(SerialLink &link, Clock &clock, UploadState &state, TransmitObserver *observer)
    : m_link(link)
    , m_clock(clock)
    , m_state(state)
    , m_observer(observer ? observer : &m_silent)
{ }

bool FrameTransmitter::write(const QByteArray &text)
{
    if (m_link.write(text))
        return true;
    m_error = m_link.errorDescription();
    return false;
}

bool FrameTransmitter::drain()
{
    if (m_link.drain())
        return true;
    m_error = m_link.errorDescription();
    return false;
}

bool FrameTransmitter::writeAndDrain(const QByteArray &text)
{
    return write(text) && drain();
}

FrameTransmitter::Result FrameTransmitter::failed()
{
    m_observer->frameCutShort();
    return Result::Failed;
}

FrameTransmitter::Result FrameTransmitter::stopped()
{
    m_observer->frameCutShort();
    return Result::Stopped;
}

void FrameTransmitter::pause()
{
    ++m_pauses;
    m_clock.pauseMs(PauseMs);
}

FrameTransmitter::Result FrameTransmitter::SendFrame(int frameNumber, const QString &path, const QString &name,
                                                     const FrameBitmap *loaded)
{
    m_error.clear();
    m_pauses = 0;
    m_link.frameBegun(frameNumber);
    m_observer->frameBegun();
    pause();

    // The whole file is read now, so nothing the window does can close it under the frame.
    QString refused;
    std::optional<FrameBitmap> file;
    if (loaded)
        file = *loaded;
    else
        file = FrameBitmapReader::readFile(path, &refused);
    m_observer->tickerStarted();

    // Check 1: a closed port or a file that cannot be sent ends the frame before anything else.
    if (!write(WireFormat::FrameOpen))
        return failed();
    if (!file) {
        m_error = QStringLiteral("%1: %2").arg(path, refused);
        return failed();
    }
    const FrameBitmap &frame = *file;

    if (!drain() || !writeAndDrain(WireFormat::FrameClose))
        return failed();
    pause();

    // Check 2, then the header: number and the name field two characters at a time.
    if (!writeAndDrain(WireFormat::FrameOpen))
        return failed();
    if (!writeAndDrain(WireFormat::FormatHex2(frameNumber).toLatin1()))
        return failed();
    const QByteArray field = WireFormat::nameField(name);
    for (int i = 0; i < WireFormat::NameLength; i += 2) {
        if (!writeAndDrain(field.mid(i, 2)))
            return failed();
    }
    pause();

    // The colour table, cut to 6 bits, red first; each component drained on its own.
    QByteArray component;
    for (const QRgb entry : frame.palette) {
        if (m_state.StopRequested.load())
            return stopped();
        for (const int value : {qRed(entry), qGreen(entry), qBlue(entry)}) {
            component.clear();
            WireFormat::appendHex2(component, WireFormat::sixBits(value));
            if (!writeAndDrain(component))
                return failed();
        }
    }

    // The pixels, top row first, four pixels a group, queued without draining.
    for (int row = 0; row < FrameBitmap::Height; ++row) {
        for (int column = 0; column < FrameBitmap::Width; column += WireFormat::PixelsPerGroup) {
            if (m_state.StopRequested.load())
                return stopped();
            if (!write(WireFormat::pixelGroupText(frame, row, column / WireFormat::PixelsPerGroup)))
                return failed();
            m_observer->progressed(m_state.ProgressValue.fetch_add(UploadState::ProgressPerGroup)
                                   + UploadState::ProgressPerGroup);
        }
    }

    if (!writeAndDrain(WireFormat::FrameClose))
        return failed();
    // The upload's time estimate counts on this many.
    Q_ASSERT(m_pauses == WireFormat::PauseCount);
    m_observer->frameEnded();
    return Result::Sent;
}
