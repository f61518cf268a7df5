#include "cli/devicecommand.h"

#include "cli/listener.h"
#include "cli/pacing.h"
#include "cli/pseudoterminal.h"
#include "cli/tcpline.h"
#include "serial/core/linesettings.h"
#include "serial/core/serialsetup.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QTextStream>

std::atomic<int> DeviceCommand::s_interrupts{0};

namespace {

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

int listenOnTcp(const TcpLine::Endpoint &endpoint, int lineRate, Listener &listener, QTextStream &out, QTextStream &err,
                const std::atomic<int> &interrupts)
{
    Pacing pacing(lineRate);
    if (!TcpLine(listener, pacing).listen(endpoint, out, err, interrupts))
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
    , m_listen(QStringLiteral("listen"),
               QStringLiteral("Listen for one raw TCP client at a time on PORT (0: a free one) at ADDRESS "
                              "(127.0.0.1 unless given; IPv6 in brackets), print the address on the first line, "
                              "listen until interrupted."),
               QStringLiteral("[ADDRESS:]PORT"))
    , m_capture(QStringLiteral("capture"), QStringLiteral("Decode a stream captured by drelin-upload --capture."),
                QStringLiteral("FILE"))
    , m_out(QStringLiteral("out"), QStringLiteral("Write each frame's picture to DIR/NNN-name.png."),
            QStringLiteral("DIR"))
    , m_lineRate(QStringLiteral("line-rate"),
                 QStringLiteral("With %1: read only as fast as a line at BAUD (8N2, 11 bits a "
                                "character) carries, so an upload takes as long as on the device; 38400 is the "
                                "device's rate.")
                     .arg(pacedSources()),
                 QStringLiteral("BAUD"))
    , m_quiet(QStringLiteral("quiet"), QStringLiteral("No line per frame."))
{ }

QString DeviceCommand::sources()
{
    return PseudoTerminal::available() ? QStringLiteral("--pty, --device, --listen and --capture")
                                       : QStringLiteral("--device, --listen and --capture");
}

QString DeviceCommand::pacedSources()
{
    return PseudoTerminal::available() ? QStringLiteral("--pty, --device or --listen")
                                       : QStringLiteral("--device or --listen");
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
                                  "virtual port pair, or on TCP (--listen 4001) for an upload to tcp://."));
}

QString DeviceCommand::exitStatus() const
{
    return QStringLiteral("Exit status: 0 done (also when interrupted), 1 the source could not be read\n"
                          "(or its address listened on) or a picture not written, 2 usage error.");
}

void DeviceCommand::addOptions(QCommandLineParser &parser) const
{
    if (PseudoTerminal::available())
        parser.addOption(m_pty);
    parser.addOptions({m_device, m_listen, m_capture, m_out, m_lineRate, m_quiet});
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
            + given.count(QStringLiteral("listen")) + given.count(QStringLiteral("capture"))
        != 1)
        return refuse(error, QStringLiteral("give one of %1").arg(sources()));
    if (parser.isSet(m_listen)) {
        m_options.source = Source::Listen;
        const std::optional<TcpLine::Endpoint> endpoint = TcpLine::parse(parser.value(m_listen), error);
        if (endpoint)
            m_options.endpoint = *endpoint;
        return endpoint.has_value();
    }
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
        return refuse(error, QStringLiteral("--line-rate paces a line: give it with %1").arg(pacedSources()));
    return true;
}

void DeviceCommand::interrupt()
{
    s_interrupts.fetch_add(1);
}

int DeviceCommand::run(QTextStream &out, QTextStream &err)
{
    const Options &options = m_options;
    if (!options.outDir.isEmpty() && !QDir().mkpath(options.outDir)) {
        err << QStringLiteral("Cannot make the folder %1").arg(options.outDir) << Qt::endl;
        return Failure;
    }
    Listener listener(options.outDir, options.quiet, out, err);
    int result = Failure;
    switch (options.source) {
    case Source::Capture:
        result = readCapture(options.path, listener, err);
        break;
    case Source::Device:
        result = listenOnDevice(options.path, options.lineRate, listener, err, s_interrupts);
        break;
    case Source::Listen:
        result = listenOnTcp(options.endpoint, options.lineRate, listener, out, err, s_interrupts);
        break;
    case Source::Pty:
        result = listenOnPty(options.lineRate, listener, out, err, s_interrupts);
        break;
    }
    return listener.failed() ? Failure : result;
}
