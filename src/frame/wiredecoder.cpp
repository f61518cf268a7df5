#include "frame/wiredecoder.h"

#include "frame/deviceview.h"

#include "frame/framebitmap.h"
#include "frame/wireformat.h"

#include <cstring>
#include <utility>

namespace {

// Character positions inside a frame, counted from its " [".
constexpr int NameStart = 4;
constexpr int ColourStart = NameStart + WireFormat::NameLength;
constexpr int PixelStart = ColourStart + WireFormat::ColourTableCharacters;
constexpr int CloseStart = PixelStart + WireFormat::PixelCharacters;
constexpr int FrameEnd = CloseStart + 2;

constexpr int MaxSixBitValue = 63;

int hexDigit(char c)
{
    // Only uppercase: the sender never writes lowercase, so one is a fault on the line.
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Where in the frame the character at `position` belongs.
QString sectionAt(int position)
{
    if (position < NameStart)
        return QStringLiteral("in the frame number");
    if (position < ColourStart)
        return QStringLiteral("in the name");
    if (position < PixelStart)
        return QStringLiteral("in the colour table");
    if (position < CloseStart)
        return QStringLiteral("in the pixels");
    return QStringLiteral("in the closing \"] \"");
}

// A received byte as a reader of a log can tell it apart: control bytes would be invisible.
QString describe(char c)
{
    const auto byte = uchar(c);
    if (byte >= 0x20 && byte < 0x7F)
        return QStringLiteral("'%1'").arg(QLatin1Char(c));
    return QStringLiteral("byte 0x%1").arg(QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')));
}

QString componentName(int component)
{
    static const char *const names[] = {"red", "green", "blue"};
    return QString::fromLatin1(names[component]);
}

} // namespace

struct WireDecoder::State
{
    enum class Phase {
        Seeking, // between frames, looking for " ["
        AfterSpace, // a ' ' that may begin " ["
        AfterOpen, // " [": a sync marker or a frame follows
        AfterSyncClose, // " [" "]": a ' ' completes the sync marker
        InFrame,
    };

    State()
        : blankPixels(FrameBitmap::PixelCount, '\0')
    {
        resetFrame();
    }

    void consume(char c);
    void frameCharacter(char c);
    void acceptByte(quint8 value);
    void endFrame(const QString &problem);
    void resetFrame();
    void addProblem(const QString &problem);

    Phase phase = Phase::Seeking;
    DecodedFrame frame;
    int position = 0; // characters of the frame so far, its " [" included
    int highNibble = -1; // first digit of a pair still waiting for its second
    std::array<quint8, 4> bytes{}; // the colour entry or pixel group being assembled
    int byteCount = 0;
    int pauses = 0;
    bool colourRangeReported = false;
    // Frames share this until a pixel arrives: a run of false starts then costs no pixel memory.
    QByteArray blankPixels;
    QList<DecodedFrame> finished;
};

void WireDecoder::State::consume(char c)
{
    switch (phase) {
    case Phase::Seeking:
        if (c == ' ')
            phase = Phase::AfterSpace;
        return;
    case Phase::AfterSpace:
        if (c == '[')
            phase = Phase::AfterOpen;
        else if (c != ' ')
            phase = Phase::Seeking;
        return;
    case Phase::AfterOpen:
        if (c == ']') {
            phase = Phase::AfterSyncClose;
            return;
        }
        phase = Phase::InFrame;
        position = 2;
        frameCharacter(c);
        return;
    case Phase::AfterSyncClose:
        if (c == ' ') {
            // The space may also open the next marker, should the line have lost that one's.
            phase = Phase::AfterSpace;
            ++pauses;
            return;
        }
        // " [" and "]" without the space: a frame whose first number digit is the ']'.
        phase = Phase::InFrame;
        position = 2;
        frameCharacter(']');
        consume(c); // the frame has ended, so this only scans
        return;
    case Phase::InFrame:
        frameCharacter(c);
        return;
    }
}

void WireDecoder::State::frameCharacter(char c)
{
    if (position >= CloseStart) {
        const char expected = position == CloseStart ? ']' : ' ';
        if (c != expected) {
            endFrame(QStringLiteral("no closing \"] \" after the pixels: %1 at character %2 of the frame")
                         .arg(describe(c))
                         .arg(position + 1));
            consume(c);
            return;
        }
        if (++position == FrameEnd) {
            ++pauses;
            frame.characters = position;
            frame.complete = frame.problem.isEmpty();
            finished.append(std::move(frame));
            resetFrame();
            phase = Phase::AfterSpace; // as after a sync marker
        }
        return;
    }

    // The name is taken as it comes: any byte, markers included, may be part of it.
    if (position >= NameStart && position < ColourStart) {
        frame.nameField.append(c);
        if (++position == ColourStart)
            ++pauses;
        return;
    }

    const int digit = hexDigit(c);
    if (digit < 0) {
        endFrame(QStringLiteral("unexpected %1 at character %2 of the frame, %3")
                     .arg(describe(c))
                     .arg(position + 1)
                     .arg(sectionAt(position)));
        // The stray character may be the start of the next marker.
        consume(c);
        return;
    }
    ++position;
    if (highNibble < 0) {
        highNibble = digit;
        return;
    }
    const auto value = quint8((highNibble << 4) | digit);
    highNibble = -1;
    if (position == NameStart)
        frame.number = value;
    else
        acceptByte(value);
}

void WireDecoder::State::acceptByte(quint8 value)
{
    bytes[std::size_t(byteCount++)] = value;
    if (position <= PixelStart) {
        // Whole entries only, like the pixel groups: the table then agrees with coloursReceived.
        if (byteCount < 3)
            return;
        byteCount = 0;
        const auto entry = std::size_t(frame.coloursReceived++);
        for (std::size_t component = 0; component < 3; ++component) {
            if (bytes[component] > MaxSixBitValue && !colourRangeReported) {
                colourRangeReported = true;
                addProblem(QStringLiteral("colour %1 %2 is %3, above %4")
                               .arg(entry)
                               .arg(componentName(int(component)))
                               .arg(bytes[component])
                               .arg(MaxSixBitValue));
            }
            // A colour register holds six bits; the top two of a bad value go nowhere.
            frame.sixBitPalette[entry][component] = quint8(bytes[component] & MaxSixBitValue);
        }
        return;
    }

    if (byteCount < 4)
        return;
    byteCount = 0;
    const auto group = WireFormat::decodePixelGroup(bytes[0], bytes[1], bytes[2], bytes[3]);
    const qsizetype first = qsizetype(frame.groupsReceived++) * WireFormat::PixelsPerGroup;
    if (frame.pixels.size() >= first + WireFormat::PixelsPerGroup) {
        char *out = frame.pixels.data() + first;
        for (std::size_t k = 0; k < group.size(); ++k)
            out[k] = char(group[k]);
    }
}

void WireDecoder::State::endFrame(const QString &problem)
{
    frame.characters = position;
    frame.complete = false;
    addProblem(problem);
    finished.append(std::move(frame));
    resetFrame();
    phase = Phase::Seeking;
}

void WireDecoder::State::addProblem(const QString &problem)
{
    // A bad colour value is found first but is rarely the whole story: keep both.
    if (frame.problem.isEmpty())
        frame.problem = problem;
    else
        frame.problem += QStringLiteral("; ") + problem;
}

void WireDecoder::State::resetFrame()
{
    // Field by field rather than a fresh DecodedFrame, which would allocate its own pixels.
    frame.number = -1;
    frame.nameField.clear();
    frame.sixBitPalette = {};
    frame.pixels = blankPixels;
    frame.coloursReceived = 0;
    frame.groupsReceived = 0;
    frame.complete = false;
    frame.characters = 0;
    frame.problem.clear();
    position = 0;
    highNibble = -1;
    byteCount = 0;
    colourRangeReported = false;
}

WireDecoder::WireDecoder()
    : d(new State)
{ }

WireDecoder::~WireDecoder()
{
    delete d;
}

void WireDecoder::feed(const QByteArray &bytes)
{
    for (const char c : bytes)
        d->consume(c);
}

void WireDecoder::finish()
{
    if (d->phase == State::Phase::InFrame) {
        d->endFrame(QStringLiteral("the stream ended after %1 characters of the frame, %2")
                        .arg(d->position)
                        .arg(sectionAt(d->position)));
    }
    d->resetFrame();
    d->phase = State::Phase::Seeking;
}

bool WireDecoder::inFrame() const
{
    return d->phase == State::Phase::InFrame;
}

int WireDecoder::pausesPassed() const
{
    return d->pauses;
}

QList<DecodedFrame> WireDecoder::takeFrames()
{
    return std::exchange(d->finished, {});
}

QImage DecodedFrame::toImage() const
{
    QImage image(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_Indexed8);
    if (image.isNull())
        return image;

    QList<QRgb> colours;
    colours.reserve(FrameBitmap::PaletteSize);
    for (const auto &entry : sixBitPalette)
        colours.append(
            qRgb(DeviceView::shownLevel(entry[0]), DeviceView::shownLevel(entry[1]), DeviceView::shownLevel(entry[2])));
    image.setColorTable(colours);

    // Tolerate a shortened pixel array: the struct is public and may be filled by hand.
    for (int y = 0; y < FrameBitmap::Height; ++y) {
        uchar *line = image.scanLine(y);
        const qsizetype start = qsizetype(y) * FrameBitmap::Width;
        const qsizetype count = qBound(qsizetype(0), pixels.size() - start, qsizetype(FrameBitmap::Width));
        if (count > 0)
            std::memcpy(line, pixels.constData() + start, std::size_t(count));
        std::memset(line + count, 0, std::size_t(FrameBitmap::Width - count));
    }
    return image;
}
