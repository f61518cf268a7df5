#include "cli/uploadcommand.h"

#include "base/commandword.h"
#include "base/console.h"
#include "cli/uploadreport.h"
#include "framelist/core/framelistfile.h"
#include "framelist/core/framenumber.h"
#include "network/core/deviceaddress.h"
#include "serial/core/portmap.h"
#include "upload/core/uploadcheck.h"

#include <QCommandLineParser>
#include <QHash>
#include <QSet>
#include <QTextStream>

#include <algorithm>

#include <chrono>
#include <thread>

static_assert(std::atomic<int>::is_always_lock_free, "the interrupt handler may only touch lock-free atomics");

std::atomic<int> UploadCommand::s_interrupts{0};

namespace {

QString frames(int count)
{
    return count == 1 ? QStringLiteral("1 frame") : QStringLiteral("%1 frames").arg(count);
}

} // namespace

UploadCommand::UploadCommand()
    : Command(Name)
    , m_port(QStringLiteral("port"),
             QStringLiteral("The serial port Com N (1-16) as the program maps it (COMN on Windows); default: the "
                            "stored port."),
             QStringLiteral("N"))
    , m_device(QStringLiteral("device"),
               QStringLiteral("The serial device to use: a path, or a device server as tcp://HOST:PORT "
                              "(raw) or rfc2217://HOST:PORT."),
               QStringLiteral("PATH"))
    , m_capture(QStringLiteral("capture"), QStringLiteral("Write the bytes the port would receive to FILE instead."),
                QStringLiteral("FILE"))
    , m_offset(QStringLiteral("offset"),
               QStringLiteral("The number of the first bare PATH (default 0); the next ones count up."),
               QStringLiteral("K"))
    , m_list(QStringLiteral("list"),
             QStringLiteral("Send the entries of a frame list file in number order (no FRAME then)."),
             QStringLiteral("FILE"))
    , m_from(QStringLiteral("from"),
             QStringLiteral("Send only the frames numbered NUMBER or higher (to continue an upload)."),
             QStringLiteral("NUMBER"))
    , m_quiet(QStringLiteral("quiet"), QStringLiteral("No line per frame sent and no progress; errors still show."))
    , m_reconnect(QStringLiteral("reconnect"),
                  QStringLiteral("When a device server hangs up, call it again for up to SECONDS and send the "
                                 "unfinished frame again whole."),
                  QStringLiteral("SECONDS"))
{ }

QString UploadCommand::description() const
{
    return QStringLiteral("Uploads frames (256 x 128 8-bit bitmaps) to the moving-logo inserter.\n"
                          "--port, --device and --capture may be given several times: every\n"
                          "destination gets every frame, each at its own pace.");
}

QString UploadCommand::exitStatus() const
{
    return QStringLiteral("Exit status: 0 every destination got every frame, 1 a frame or list refused\n"
                          "or a destination failed or stopped, 2 usage error, 130 interrupted.");
}

void UploadCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions({m_port, m_device, m_capture, m_list, m_offset, m_from, m_quiet, m_reconnect});
    parser.addPositionalArgument(QStringLiteral("FRAME"),
                                 QStringLiteral("NUMBER=PATH (NUMBER 0-255) or a bare PATH; bare PATHs are "
                                                "numbered from --offset in the order given."),
                                 QStringLiteral("FRAME..."));
}

bool UploadCommand::readOptions(const QCommandLineParser &parser, QString *error)
{
    if (!readDestinations(parser, error) || !readFrom(parser, error) || !readReconnect(parser, error))
        return false;
    m_options.quiet = parser.isSet(m_quiet);
    return parser.isSet(m_list) ? readList(parser, error) : readFrames(parser, error);
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

void UploadCommand::interrupt()
{
    // A lock-free atomic only: this runs in a signal handler. The main thread passes it on.
    s_interrupts.fetch_add(1);
}

QString UploadCommand::continuation(const QVector<UploadJob> &jobs, const UploadDestination::Target &target,
                                    int framesSent) const
{
    QStringList words{name()};
    words << target.arguments();
    if (!m_options.list.isEmpty()) {
        words << QStringLiteral("--list") << m_options.list << QStringLiteral("--from")
              << QString::number(jobs.at(framesSent).number);
    } else {
        // The frames left, each with its number: the order given need not be the numbers' order.
        for (int i = framesSent; i < jobs.size(); ++i)
            words << QStringLiteral("%1=%2").arg(jobs.at(i).number).arg(jobs.at(i).path);
    }
    if (m_options.quiet)
        words << QStringLiteral("--quiet");
    if (m_options.reconnectSeconds > 0)
        words << QStringLiteral("--reconnect") << QString::number(m_options.reconnectSeconds);
    QStringList quoted;
    for (const QString &word : qAsConst(words))
        quoted << commandWord(word);
    return quoted.join(QLatin1Char(' '));
}

QStringList UploadCommand::outcomeLines(const QVector<UploadJob> &jobs, const UploadDestination &destination,
                                        bool labelled) const
{
    const int count = int(jobs.size());
    const UploadOutcome &outcome = destination.outcome();
    const QString label = labelled ? destination.label() + QStringLiteral(": ") : QString();
    QStringList lines;
    switch (outcome.result) {
    case UploadOutcome::Finished:
        if (labelled)
            lines << label
                    + (count == 1 ? QStringLiteral("sent 1 frame.") : QStringLiteral("sent all %1 frames.").arg(count));
        return lines;
    case UploadOutcome::Stopped:
        lines << label + QStringLiteral("Interrupted after %1 of %2.").arg(outcome.framesSent).arg(frames(count));
        break;
    case UploadOutcome::Failed:
        // Its messages start with the label already; with several, "failed" goes between.
        lines << (labelled ? label + QStringLiteral("failed: ") + destination.failure() : outcome.error);
        break;
    }
    if (outcome.framesSent < count)
        lines << QStringLiteral("To continue: ") + continuation(jobs, destination.target(), outcome.framesSent);
    return lines;
}

int UploadCommand::run(QTextStream &out, QTextStream &err)
{
    const std::optional<QVector<UploadJob>> jobs = jobsToSend(err);
    if (!jobs)
        return Failure;
    UploadReport report(out, err, m_options.quiet, Console::canRedrawLine(), int(jobs->size()));
    const Destinations destinations = makeDestinations(report);
    if (!prepareAll(destinations, err))
        return Failure;
    startAll(destinations, *jobs);
    const std::vector<bool> told = watch(destinations, *jobs, report);
    return conclude(destinations, *jobs, told, err);
}

std::optional<QVector<UploadJob>> UploadCommand::jobsToSend(QTextStream &err) const
{
    std::optional<QVector<UploadJob>> jobs = m_options.list.isEmpty() ? m_options.jobs : listJobs(err);
    if (!jobs)
        return std::nullopt;
    jobs->erase(
        std::remove_if(jobs->begin(), jobs->end(), [&](const UploadJob &job) { return job.number < m_options.from; }),
        jobs->end());
    if (jobs->isEmpty()) {
        err << QStringLiteral("No frames numbered %1 or higher to send.").arg(m_options.from) << Qt::endl;
        return std::nullopt;
    }
    // Read and checked once, whatever the number of destinations.
    const auto problems = UploadCheck::load(*jobs);
    const QStringList twice = UploadCheck::duplicates(*jobs); // a list file may give a number twice
    if (!problems.isEmpty()) {
        err << UploadCheck::describe(problems, twice) << Qt::endl;
        return std::nullopt;
    }
    if (!twice.isEmpty())
        err << UploadCheck::describeDuplicates(twice) << Qt::endl;
    return jobs;
}

std::optional<QVector<UploadJob>> UploadCommand::listJobs(QTextStream &err) const
{
    QString why;
    const auto entries = FrameListFile::read(m_options.list, &why);
    if (!entries) {
        err << why << Qt::endl;
        return std::nullopt;
    }
    QVector<UploadJob> jobs;
    for (const FrameListFile::Entry &entry : *entries)
        jobs.append({entry.number, entry.path, {}});
    return jobs;
}

UploadCommand::Destinations UploadCommand::makeDestinations(UploadReport &report) const
{
    Destinations destinations;
    for (int i = 0; i < m_options.destinations.size(); ++i) {
        destinations.push_back(
            UploadDestination::make(m_options.destinations.at(i), i, report, m_options.reconnectSeconds));
        report.addDestination(destinations.back()->label());
    }
    return destinations;
}

bool UploadCommand::prepareAll(const Destinations &destinations, QTextStream &err)
{
    // A capture that cannot be written (a device or a link in its place) refuses the upload
    // before any destination gets a character.
    for (const auto &destination : destinations) {
        QString why;
        if (!destination->prepare(&why)) {
            err << QStringLiteral("%1: cannot be written: %2. Nothing was sent.").arg(destination->label(), why)
                << Qt::endl;
            return false;
        }
    }
    return true;
}

void UploadCommand::startAll(const Destinations &destinations, const QVector<UploadJob> &jobs)
{
    for (const auto &destination : destinations) {
        if (s_interrupts.load() > 0)
            destination->stop();
        destination->start(jobs);
    }
}

std::vector<bool> UploadCommand::watch(const Destinations &destinations, const QVector<UploadJob> &jobs,
                                       UploadReport &report) const
{
    QVector<const UploadState *> states;
    for (const auto &destination : destinations)
        states << &destination->state();
    // The main thread passes interrupts on and prints; the destinations send on their own threads.
    // A destination that fails says so at once; the others go on.
    const bool several = destinations.size() > 1;
    std::vector<bool> told(destinations.size(), false);
    bool gaveUp = false;
    const auto allDone = [&] {
        return std::all_of(destinations.begin(), destinations.end(), [](const auto &d) { return d->done(); });
    };
    while (!allDone()) {
        passInterrupts(destinations, &gaveUp);
        for (size_t i = 0; i < destinations.size(); ++i) {
            UploadDestination &destination = *destinations[i];
            if (told[i] || !destination.done())
                continue;
            destination.finish();
            if (destination.outcome().result != UploadOutcome::Failed)
                continue;
            told[i] = true;
            report.failed(int(i), destination.failure(), outcomeLines(jobs, destination, several));
        }
        report.show(states);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const auto &destination : destinations)
        destination->finish();
    report.finish();
    return told;
}

void UploadCommand::passInterrupts(const Destinations &destinations, bool *gaveUp)
{
    const int interrupts = s_interrupts.load();
    for (const auto &destination : destinations) {
        if (interrupts >= 1)
            destination->stop();
        if (interrupts >= 2 && !*gaveUp)
            destination->giveUp();
    }
    *gaveUp = *gaveUp || interrupts >= 2;
}

int UploadCommand::conclude(const Destinations &destinations, const QVector<UploadJob> &jobs,
                            const std::vector<bool> &told, QTextStream &err) const
{
    bool allSent = true;
    for (size_t i = 0; i < destinations.size(); ++i) {
        allSent = allSent && destinations[i]->outcome().result == UploadOutcome::Finished;
        if (!told[i]) {
            for (const QString &line : outcomeLines(jobs, *destinations[i], destinations.size() > 1))
                err << line << Qt::endl;
        }
    }
    if (allSent)
        return Success;
    return s_interrupts.load() > 0 ? Interrupted : Failure;
}
