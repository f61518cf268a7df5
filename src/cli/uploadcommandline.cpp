#include "cli/uploadcommand.h"

#include "framelist/core/framenumber.h"
#include "network/core/deviceaddress.h"
#include "serial/core/portmap.h"

#include <QCommandLineParser>
#include <QHash>
#include <QSet>

#include <algorithm>

// drelin-upload's reading of its arguments, one group of options at a time.

bool UploadCommand::readOptions(const QCommandLineParser &parser, QString *error)
{
    if (!readDestinations(parser, error) || !readFrom(parser, error) || !readReconnect(parser, error)
        || !readHistory(parser, error))
        return false;
    m_options.quiet = parser.isSet(m_quiet);
    if (m_options.showHistory || m_options.forget)
        return true;
    return parser.isSet(m_list) ? readList(parser, error) : readFrames(parser, error);
}

bool UploadCommand::readHistory(const QCommandLineParser &parser, QString *error)
{
    m_options.changed = parser.isSet(m_changed);
    m_options.noHistory = parser.isSet(m_noHistory);
    m_options.showHistory = parser.isSet(m_showHistory);
    m_options.forget = parser.isSet(m_forget);
    m_options.historyFile = parser.value(m_historyFile);
    if (parser.isSet(m_historyFile) && m_options.historyFile.isEmpty())
        return refuse(error, QStringLiteral("--history-file takes a file name, not \"\""));
    if (m_options.noHistory && (m_options.changed || parser.isSet(m_historyFile)))
        return refuse(error,
                      QStringLiteral("--no-history turns the load history off: give it without --changed "
                                     "and --history-file"));
    if (!m_options.showHistory && !m_options.forget)
        return true;
    if (m_options.showHistory && m_options.forget)
        return refuse(error, QStringLiteral("give either --show-history or --forget, not both"));
    const QStringList arguments = parser.positionalArguments();
    // Reading or forgetting sends nothing: an option that would send is a mistake worth saying.
    for (const QCommandLineOption *sending :
         {&m_port, &m_device, &m_capture, &m_list, &m_offset, &m_from, &m_changed, &m_reconnect}) {
        if (parser.isSet(*sending))
            return refuse(error,
                          QStringLiteral("--%1 sends frames; --show-history and --forget send nothing")
                              .arg(sending->names().constFirst()));
    }
    if (m_options.forget) {
        m_options.historyDestination = parser.value(m_forget);
        if (m_options.historyDestination.isEmpty())
            return refuse(error, QStringLiteral("--forget takes a destination, not \"\""));
        if (!arguments.isEmpty())
            return refuse(
                error,
                QStringLiteral("--forget takes one destination: \"%1\" is one too many").arg(arguments.constFirst()));
        return true;
    }
    if (arguments.size() > 1)
        return refuse(error,
                      QStringLiteral("--show-history takes at most one destination: \"%1\" is one too many")
                          .arg(arguments.at(1)));
    m_options.historyDestination = arguments.value(0);
    return true;
}

bool UploadCommand::readReconnect(const QCommandLineParser &parser, QString *error)
{
    if (parser.isSet(m_reconnect)
        && !readNumber(parser, m_reconnect, 1, MaxReconnectSeconds, &m_options.reconnectSeconds))
        return refuse(error,
                      QStringLiteral("--reconnect takes seconds from 1 to %1, not \"%2\"")
                          .arg(MaxReconnectSeconds)
                          .arg(parser.value(m_reconnect)));
    return true;
}

bool UploadCommand::readDestinations(const QCommandLineParser &parser, QString *error)
{
    // The destinations in the order given: the parser keeps the order of the names.
    QHash<QString, int> taken;
    for (const QString &name : parser.optionNames()) {
        for (const QCommandLineOption *option : {&m_port, &m_device, &m_capture}) {
            if (name == option->names().constFirst()
                && !readDestination(name, parser.values(*option).at(taken[name]++), error))
                return false;
        }
    }
    if (m_options.destinations.isEmpty())
        m_options.destinations.append(UploadDestination::Target());
    return true;
}

bool UploadCommand::readDestination(const QString &option, const QString &value, QString *error)
{
    using Kind = UploadDestination::Target::Kind;
    UploadDestination::Target target;
    if (option == m_port.names().constFirst()) {
        bool ok = false;
        target.kind = Kind::Port;
        target.port = value.toInt(&ok);
        if (!ok || target.port < PortMap::FirstPort || target.port > PortMap::LastPort)
            return refuse(error,
                          QStringLiteral("--port takes a number from %1 to %2, not \"%3\"")
                              .arg(PortMap::FirstPort)
                              .arg(PortMap::LastPort)
                              .arg(value));
    } else {
        const bool isDevice = option == m_device.names().constFirst();
        target.kind = isDevice ? Kind::Device : Kind::Capture;
        target.path = value;
        QString wrong;
        if (isDevice && DeviceAddress::isNetworkText(value) && !DeviceAddress::parse(value, &wrong))
            return refuse(error, wrong);
        if (isDevice && DeviceAddress::isNetworkText(value))
            target.kind = Kind::Server;
        // An empty path would only fail later, as a port or a file that cannot be opened.
        if (target.path.isEmpty())
            return refuse(error,
                          isDevice ? QStringLiteral("--device takes a path, not \"\"")
                                   : QStringLiteral("--capture takes a file name, not \"\""));
    }
    if (m_options.destinations.contains(target))
        return refuse(error, QStringLiteral("%1 is given twice").arg(target.arguments().join(QLatin1Char(' '))));
    m_options.destinations.append(target);
    return true;
}

bool UploadCommand::readFrom(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(m_from))
        return true;
    if (!readNumber(parser, m_from, 0, FrameNumber::Highest, &m_options.from))
        return refuse(error,
                      QStringLiteral("--from takes a number from 0 to 255, not \"%1\"").arg(parser.value(m_from)));
    return true;
}

bool UploadCommand::readList(const QCommandLineParser &parser, QString *error)
{
    m_options.list = parser.value(m_list);
    if (m_options.list.isEmpty())
        return refuse(error, QStringLiteral("--list takes a file name, not \"\""));
    if (!parser.positionalArguments().isEmpty())
        return refuse(error, QStringLiteral("give either --list or FRAME arguments, not both"));
    if (parser.isSet(m_offset))
        return refuse(error, QStringLiteral("--offset numbers FRAME arguments, not a list"));
    return true;
}

bool UploadCommand::readFrames(const QCommandLineParser &parser, QString *error)
{
    int next = 0;
    if (parser.isSet(m_offset) && !readNumber(parser, m_offset, 0, FrameNumber::Highest, &next))
        return refuse(error,
                      QStringLiteral("--offset takes a number from 0 to 255, not \"%1\"").arg(parser.value(m_offset)));
    const QStringList frames = parser.positionalArguments();
    if (frames.isEmpty())
        return refuse(error, QStringLiteral("no frames given"));
    QSet<int> numbers;
    for (const QString &frame : frames) {
        UploadJob job;
        if (!readFrame(frame, &next, &job, error))
            return false;
        const int number = job.number;
        if (numbers.contains(number))
            return refuse(error, QStringLiteral("frame number %1 is given twice").arg(number));
        numbers.insert(number);
        m_options.jobs.append(job);
    }
    return true;
}

bool UploadCommand::readFrame(const QString &frame, int *next, UploadJob *job, QString *error)
{
    QString path = frame;
    QString numberText;
    int number = 0;
    bool ok = true;
    // NUMBER=PATH, split by hand: a path that is not UTF-8 carries lone surrogates, which a
    // regular expression refuses to match.
    const int equals = int(frame.indexOf(QLatin1Char('=')));
    const bool numbered = equals > 0 && equals + 1 < frame.size()
        && std::all_of(frame.begin(), frame.begin() + equals,
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (numbered) {
        numberText = frame.left(equals);
        path = frame.mid(equals + 1);
        // Too many digits for an int is out of range too, not frame 0.
        number = numberText.toInt(&ok);
    } else {
        number = (*next)++;
        numberText = QString::number(number);
    }
    if (!ok || number < 0 || number > FrameNumber::Highest)
        return refuse(error, QStringLiteral("frame number %1 of %2 is not within 0-255").arg(numberText, path));
    *job = {number, path, {}};
    return true;
}
