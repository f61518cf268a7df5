#include "cli/devicecommand.h"

#include "base/clock.h"
#include "cli/linepacer.h"
#include "cli/pseudoterminal.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "serial/core/linesettings.h"
#include "serial/core/serialsetup.h"
#include "upload/core/frametransmitter.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <optional>

std::atomic<int> DeviceCommand::s_interrupts{0};

namespace {

// Takes what arrives, reports every frame that ends, and closes a frame the line left hanging.
class Listener
{
public:
    Listener(const DeviceCommand::Options &options, QTextStream &out, QTextStream &err)
        : m_options(options)
        , m_out(out)
        , m_err(err)
    {
        m_quiet.start();
    }

    // The number of places where the sender pauses that the bytes reached.
    int take(const QByteArray &bytes)
    {
        const int pausesBefore = m_decoder.pausesPassed();
        if (!bytes.isEmpty()) {
            m_decoder.feed(bytes);
            m_quiet.restart();
        } else if (m_decoder.inFrame() && m_quiet.elapsed() >= DeviceCommand::QuietMs) {
            m_decoder.finish();
        }
        report();
        return m_decoder.pausesPassed() - pausesBefore;
    }

    void end()
    {
        m_decoder.finish();
        report();
    }

    bool failed() const { return m_failed; }

private:
    void report()
    {
        for (const DecodedFrame &frame : m_decoder.takeFrames()) {
            if (!m_options.quiet)
                m_out << DeviceCommand::describe(frame) << Qt::endl;
            if (!m_options.outDir.isEmpty() && frame.number >= 0) {
                const QString path = QDir(m_options.outDir).filePath(DeviceCommand::pictureName(frame));
                if (!frame.toImage().save(path, "PNG")) {
                    m_err << QStringLiteral("Cannot write %1").arg(path) << Qt::endl;
                    m_failed = true;
                }
            }
        }
    }

    const DeviceCommand::Options &m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    WireDecoder m_decoder;
    QElapsedTimer m_quiet;
    bool m_failed = false;
};

int readCapture(const QString &path, Listener &listener, QTextStream &err)
{
    QFile capture(path);
    if (!capture.open(QIODevice::ReadOnly)) {
        err << QStringLiteral("Cannot read %1: %2").arg(path, capture.errorString()) << Qt::endl;
        return DeviceCommand::Failure;
    }
    while (!capture.atEnd())
        listener.take(capture.read(1 << 16));
    listener.end();
    return DeviceCommand::Success;
}

// With a line rate, only as much is taken as the line carries; the rest waits in the system's
// buffers and holds up the sender as a real line does. Where the sender pauses, the line carries
// nothing for the pause: a sender that is ahead (a pseudo-terminal buffers some 20 KB and tells it
// they are gone) pauses while the device still reads, which a real line never lets happen.
class Pacing
{
public:
    explicit Pacing(int baud)
    {
        if (baud > 0)
            m_pacer.emplace(baud, m_clock);
    }
    // How many characters to take at most now; 0 after waiting a moment when the line has none yet.
    qint64 room(qint64 most)
    {
        if (!m_pacer)
            return most;
        const qint64 allowed = std::min(most, m_pacer->allowance());
        if (allowed == 0)
            m_clock.pauseMs(m_pacer->msUntilNext());
        return allowed;
    }
    void took(qint64 count, int pauses)
    {
        if (m_pacer && count > 0)
            m_pacer->take(count);
        if (m_pacer && pauses > 0)
            m_pacer->idle(pauses * FrameTransmitter::PauseMs);
    }

private:
    SteadyClock m_clock;
    std::optional<LinePacer> m_pacer;
};

int listenOnDevice(const QString &path, int lineRate, Listener &listener, QTextStream &err,
                   const std::atomic<int> &interrupts)
{
    QSerialPort port(path);
    SerialSetup::deviceLine().applyTo(port);
    port.setFlowControl(QSerialPort::NoFlowControl);
    Pacing pacing(lineRate);
    if (lineRate > 0)
        port.setReadBufferSize(64); // what Qt reads ahead is not paced
    if (!port.open(QIODevice::ReadOnly)) {
        err << QStringLiteral("Cannot open %1: %2").arg(path, port.errorString()) << Qt::endl;
        return DeviceCommand::Failure;
    }
    while (interrupts.load() == 0) {
        const qint64 room = pacing.room(1 << 16);
        if (room > 0 && port.bytesAvailable() == 0)
            port.waitForReadyRead(200);
        if (port.error() == QSerialPort::ResourceError) {
            err << QStringLiteral("%1 went away: %2").arg(path, port.errorString()) << Qt::endl;
            listener.end();
            return DeviceCommand::Failure;
        }
        const QByteArray bytes = room > 0 ? port.read(room) : QByteArray();
        pacing.took(bytes.size(), listener.take(bytes));
    }
    listener.end();
    return DeviceCommand::Success;
}

int listenOnPty(int lineRate, Listener &listener, QTextStream &out, QTextStream &err,
                const std::atomic<int> &interrupts)
{
    Pacing pacing(lineRate);
    const auto take = [&](const QByteArray &bytes) { pacing.took(bytes.size(), listener.take(bytes)); };
    if (!PseudoTerminal::listen(
            take, [&](qint64 most) { return pacing.room(most); }, out, err, interrupts))
        return DeviceCommand::Failure;
    listener.end();
    return DeviceCommand::Success;
}

} // namespace

DeviceCommand::DeviceCommand()
    : Command(Name)
    , m_pty(QStringLiteral("pty"),
            QStringLiteral("Make a pseudo-terminal, print its path on the first line, listen until interrupted."))
    , m_device(QStringLiteral("device"),
               QStringLiteral("Listen on a serial device at 38400,N,8,2: a path such as /dev/ttyUSB0, or COMn on "
                              "Windows."),
               QStringLiteral("PATH"))
    , m_capture(QStringLiteral("capture"), QStringLiteral("Decode a stream captured by drelin-upload --capture."),
                QStringLiteral("FILE"))
    , m_out(QStringLiteral("out"), QStringLiteral("Write each frame's picture to DIR/NNN-name.png."),
            QStringLiteral("DIR"))
    , m_lineRate(QStringLiteral("line-rate"),
                 QStringLiteral("With --pty or --device: read only as fast as a line at BAUD (8N2, 11 bits a "
                                "character) carries, so an upload takes as long as on the device; 38400 is the "
                                "device's rate."),
                 QStringLiteral("BAUD"))
    , m_quiet(QStringLiteral("quiet"), QStringLiteral("No line per frame."))
{ }

QString DeviceCommand::sources()
{
    return PseudoTerminal::available() ? QStringLiteral("--pty, --device and --capture")
                                       : QStringLiteral("--device and --capture");
}

QString DeviceCommand::description() const
{
    return QStringLiteral("Plays the moving-logo inserter: decodes the frames that arrive and reports each.\n"
                          "Give one of %1.%2")
        .arg(sources(),
             PseudoTerminal::available()
                 ? QString()
                 : QStringLiteral("\nThere is no --pty on Windows, which has no pseudo-terminals: listen on a COM "
                                  "port\n(--device COM2) joined to the uploading one by a null-modem cable or a\n"
                                  "virtual port pair."));
}

QString DeviceCommand::exitStatus() const
{
    return QStringLiteral("Exit status: 0 done (also when interrupted), 1 the source could not be read\n"
                          "or a picture not written, 2 usage error.");
}

void DeviceCommand::addOptions(QCommandLineParser &parser) const
{
    if (PseudoTerminal::available())
        parser.addOption(m_pty);
    parser.addOptions({m_device, m_capture, m_out, m_lineRate, m_quiet});
}

bool DeviceCommand::readOptions(const QCommandLineParser &parser, QString *error)
{
    if (!parser.positionalArguments().isEmpty())
        return refuse(error, QStringLiteral("unknown argument %1").arg(parser.positionalArguments().constFirst()));
    if (!readSource(parser, error) || !readOut(parser, error) || !readLineRate(parser, error))
        return false;
    m_options.quiet = parser.isSet(m_quiet);
    return true;
}

bool DeviceCommand::readSource(const QCommandLineParser &parser, QString *error)
{
    // Every occurrence counts: "--pty --pty" is as unclear as "--pty --device PATH".
    const QStringList given = parser.optionNames();
    if (given.count(QStringLiteral("pty")) + given.count(QStringLiteral("device"))
            + given.count(QStringLiteral("capture"))
        != 1)
        return refuse(error, QStringLiteral("give one of %1").arg(sources()));
    if (!parser.isSet(m_device) && !parser.isSet(m_capture))
        return true;
    const bool isDevice = parser.isSet(m_device);
    m_options.source = isDevice ? Source::Device : Source::Capture;
    m_options.path = parser.value(isDevice ? m_device : m_capture);
    // An empty path would only fail later, as a device or a file that cannot be opened.
    if (m_options.path.isEmpty())
        return refuse(error,
                      isDevice ? QStringLiteral("--device takes a path, not \"\"")
                               : QStringLiteral("--capture takes a file name, not \"\""));
    return true;
}

bool DeviceCommand::readOut(const QCommandLineParser &parser, QString *error)
{
    // An empty folder would quietly write no pictures at all.
    if (!parser.isSet(m_out))
        return true;
    m_options.outDir = parser.value(m_out);
    if (m_options.outDir.isEmpty())
        return refuse(error, QStringLiteral("--out takes a folder, not \"\""));
    return true;
}

bool DeviceCommand::readLineRate(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(m_lineRate))
        return true;
    if (!readNumber(parser, m_lineRate, MinLineRate, MaxLineRate, &m_options.lineRate))
        return refuse(error,
                      QStringLiteral("--line-rate takes a rate from %1 to %2 baud, not \"%3\"")
                          .arg(MinLineRate)
                          .arg(MaxLineRate)
                          .arg(parser.value(m_lineRate)));
    if (m_options.source == Source::Capture)
        return refuse(error, QStringLiteral("--line-rate paces a line: give it with --pty or --device"));
    return true;
}

void DeviceCommand::interrupt()
{
    s_interrupts.fetch_add(1);
}

QString DeviceCommand::describe(const DecodedFrame &frame)
{
    const QString number = frame.number < 0
        ? QStringLiteral("?")
        : QStringLiteral("%1 (%2)").arg(frame.number).arg(frame.number, 4, 10, QLatin1Char('0'));
    QString line = QStringLiteral("frame %1 \"%2\": %3, %4 characters")
                       .arg(number, QString::fromLatin1(frame.nameField),
                            frame.complete ? QStringLiteral("complete") : QStringLiteral("partial"))
                       .arg(frame.characters);
    if (!frame.complete)
        line += QStringLiteral(" (%1 colours, %2 of %3 pixel groups): %4")
                    .arg(frame.coloursReceived)
                    .arg(frame.groupsReceived)
                    .arg(WireFormat::PixelGroups)
                    .arg(frame.problem);
    return line;
}

QString DeviceCommand::pictureName(const DecodedFrame &frame)
{
    QString name;
    for (const char c : frame.nameField.trimmed()) {
        const bool safe =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += safe ? QChar::fromLatin1(c) : QLatin1Char('_');
    }
    const QString number = QStringLiteral("%1").arg(frame.number, 3, 10, QLatin1Char('0'));
    return name.isEmpty() ? number + QStringLiteral(".png") : number + QLatin1Char('-') + name + QStringLiteral(".png");
}

int DeviceCommand::run(QTextStream &out, QTextStream &err)
{
    const Options &options = m_options;
    if (!options.outDir.isEmpty() && !QDir().mkpath(options.outDir)) {
        err << QStringLiteral("Cannot make the folder %1").arg(options.outDir) << Qt::endl;
        return Failure;
    }
    Listener listener(options, out, err);
    int result = Failure;
    switch (options.source) {
    case Source::Capture:
        result = readCapture(options.path, listener, err);
        break;
    case Source::Device:
        result = listenOnDevice(options.path, options.lineRate, listener, err, s_interrupts);
        break;
    case Source::Pty:
        result = listenOnPty(options.lineRate, listener, out, err, s_interrupts);
        break;
    }
    return listener.failed() ? Failure : result;
}
