#include "cli/uploadcommand.h"

#include "cli/uploadreport.h"
#include "core/commandword.h"
#include "framelist/core/framelistfile.h"
#include "framelist/core/framenumber.h"
#include "serial/core/portmap.h"
#include "upload/core/uploadcheck.h"

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

QStringList UploadCommand::outcomeLines(const Options &options, const QVector<UploadJob> &jobs,
                                        const UploadDestination &destination, bool labelled)
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
        lines << QStringLiteral("To continue: ")
                + continuation(options, jobs, destination.target(), outcome.framesSent);
    return lines;
}

UploadCommand::Parsed UploadCommand::parse(const QStringList &arguments)
{
    CommandLine line(QString::fromLatin1(Name),
                     QStringLiteral("Uploads frames (256 x 128 8-bit bitmaps) to the moving-logo inserter.\n"
                                    "--port, --device and --capture may be given several times: every\n"
                                    "destination gets every frame, each at its own pace."),
                     QStringLiteral("Exit status: 0 every destination got every frame, 1 a frame or list refused\n"
                                    "or a destination failed or stopped, 2 usage error, 130 interrupted."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The serial port Com N (1-16) as the program maps it (COMN on "
                                                 "Windows); default: the stored port."),
                                  QStringLiteral("N"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("The serial device to use."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption capture(QStringLiteral("capture"),
                                     QStringLiteral("Write the bytes the port would receive to FILE instead."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption offset(QStringLiteral("offset"),
                                    QStringLiteral("The number of the first bare PATH (default 0); the next ones "
                                                   "count up."),
                                    QStringLiteral("K"));
    const QCommandLineOption list(QStringLiteral("list"),
                                  QStringLiteral("Send the entries of a frame list file in number order (no FRAME "
                                                 "then)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Send only the frames numbered NUMBER or higher (to continue an "
                                                 "upload)."),
                                  QStringLiteral("NUMBER"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No line per frame sent and no progress; errors still show."));
    QCommandLineParser &parser = line.parser();
    parser.addOptions({port, device, capture, list, offset, from, quiet});
    parser.addPositionalArgument(QStringLiteral("FRAME"),
                                 QStringLiteral("NUMBER=PATH (NUMBER 0-255) or a bare PATH; bare PATHs are "
                                                "numbered from --offset in the order given."),
                                 QStringLiteral("FRAME..."));

    Parsed parsed;
    if (!line.parseInto(parsed, arguments))
        return parsed;

    Options &options = parsed.options;
    // The destinations in the order given: the parser keeps the order of the names.
    QHash<QString, int> taken;
    for (const QString &name : parser.optionNames()) {
        UploadDestination::Target target;
        if (name == port.names().constFirst()) {
            const QString text = parser.values(port).at(taken[name]++);
            bool ok = false;
            target.kind = UploadDestination::Kind::Port;
            target.port = text.toInt(&ok);
            if (!ok || target.port < PortMap::FirstPort || target.port > PortMap::LastPort)
                return parsed.fail(QStringLiteral("--port takes a number from %1 to %2, not \"%3\"")
                                       .arg(PortMap::FirstPort)
                                       .arg(PortMap::LastPort)
                                       .arg(text));
        } else if (name == device.names().constFirst() || name == capture.names().constFirst()) {
            const bool isDevice = name == device.names().constFirst();
            target.kind = isDevice ? UploadDestination::Kind::Device : UploadDestination::Kind::Capture;
            target.path = parser.values(isDevice ? device : capture).at(taken[name]++);
            // An empty path would only fail later, as a port or a file that cannot be opened.
            if (target.path.isEmpty())
                return parsed.fail(isDevice ? QStringLiteral("--device takes a path, not \"\"")
                                            : QStringLiteral("--capture takes a file name, not \"\""));
        } else {
            continue;
        }
        if (options.destinations.contains(target))
            return parsed.fail(QStringLiteral("%1 is given twice").arg(target.arguments().join(QLatin1Char(' '))));
        options.destinations.append(target);
    }
    if (options.destinations.isEmpty())
        options.destinations.append(UploadDestination::Target());
    if (parser.isSet(from)) {
        bool ok = false;
        options.from = parser.value(from).toInt(&ok);
        if (!ok || options.from < 0 || options.from > FrameNumber::Highest)
            return parsed.fail(
                QStringLiteral("--from takes a number from 0 to 255, not \"%1\"").arg(parser.value(from)));
    }
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(list)) {
        options.list = parser.value(list);
        if (options.list.isEmpty())
            return parsed.fail(QStringLiteral("--list takes a file name, not \"\""));
        if (!parser.positionalArguments().isEmpty())
            return parsed.fail(QStringLiteral("give either --list or FRAME arguments, not both"));
        if (parser.isSet(offset))
            return parsed.fail(QStringLiteral("--offset numbers FRAME arguments, not a list"));
        return parsed;
    }

    int next = 0;
    if (parser.isSet(offset)) {
        bool ok = false;
        next = parser.value(offset).toInt(&ok);
        if (!ok || next < 0 || next > FrameNumber::Highest)
            return parsed.fail(
                QStringLiteral("--offset takes a number from 0 to 255, not \"%1\"").arg(parser.value(offset)));
    }

    const QStringList frames = parser.positionalArguments();
    if (frames.isEmpty())
        return parsed.fail(QStringLiteral("no frames given"));
    QSet<int> numbers;
    for (const QString &frame : frames) {
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
            number = next++;
            numberText = QString::number(number);
        }
        if (!ok || number < 0 || number > FrameNumber::Highest)
            return parsed.fail(QStringLiteral("frame number %1 of %2 is not within 0-255").arg(numberText, path));
        if (numbers.contains(number))
            return parsed.fail(QStringLiteral("frame number %1 is given twice").arg(number));
        numbers.insert(number);
        options.jobs.append({number, path});
    }
    return parsed;
}

void UploadCommand::interrupt()
{
    // A lock-free atomic only: this runs in a signal handler. The main thread passes it on.
    s_interrupts.fetch_add(1);
}

QString UploadCommand::continuation(const Options &options, const QVector<UploadJob> &jobs,
                                    const UploadDestination::Target &target, int framesSent)
{
    QStringList words{QString::fromLatin1(Name)};
    words << target.arguments();
    if (!options.list.isEmpty()) {
        words << QStringLiteral("--list") << options.list << QStringLiteral("--from")
              << QString::number(jobs.at(framesSent).number);
    } else {
        // The frames left, each with its number: the order given need not be the numbers' order.
        for (int i = framesSent; i < jobs.size(); ++i)
            words << QStringLiteral("%1=%2").arg(jobs.at(i).number).arg(jobs.at(i).path);
    }
    if (options.quiet)
        words << QStringLiteral("--quiet");
    QStringList quoted;
    for (const QString &word : qAsConst(words))
        quoted << commandWord(word);
    return quoted.join(QLatin1Char(' '));
}

int UploadCommand::run(const Options &options, QTextStream &out, QTextStream &err, bool showProgress)
{
    QVector<UploadJob> jobs = options.jobs;
    if (!options.list.isEmpty()) {
        QString why;
        const auto entries = FrameListFile::read(options.list, &why);
        if (!entries) {
            err << why << Qt::endl;
            return Failure;
        }
        jobs.clear();
        for (const FrameListFile::Entry &entry : *entries)
            jobs.append({entry.number, entry.path, {}});
    }
    jobs.erase(
        std::remove_if(jobs.begin(), jobs.end(), [&](const UploadJob &job) { return job.number < options.from; }),
        jobs.end());
    if (jobs.isEmpty()) {
        err << QStringLiteral("No frames numbered %1 or higher to send.").arg(options.from) << Qt::endl;
        return Failure;
    }
    // Read and checked once, whatever the number of destinations.
    const auto problems = UploadCheck::load(jobs);
    const QStringList twice = UploadCheck::duplicates(jobs); // a list file may give a number twice
    if (!problems.isEmpty()) {
        err << UploadCheck::describe(problems, twice) << Qt::endl;
        return Failure;
    }
    if (!twice.isEmpty())
        err << UploadCheck::describeDuplicates(twice) << Qt::endl;

    UploadReport report(out, err, options.quiet, showProgress, int(jobs.size()));
    std::vector<std::unique_ptr<UploadDestination>> destinations;
    QVector<const UploadState *> states;
    for (int i = 0; i < options.destinations.size(); ++i) {
        destinations.push_back(std::make_unique<UploadDestination>(options.destinations.at(i), i, report));
        report.addDestination(destinations.back()->label());
        states << &destinations.back()->state();
    }
    // A capture that cannot be written (a device or a link in its place) refuses the upload
    // before any destination gets a character.
    for (auto &destination : destinations) {
        QString why;
        if (!destination->prepare(&why)) {
            err << QStringLiteral("%1: cannot be written: %2. Nothing was sent.").arg(destination->label(), why)
                << Qt::endl;
            return Failure;
        }
    }
    for (auto &destination : destinations) {
        if (s_interrupts.load() > 0)
            destination->stop();
        destination->start(jobs);
    }

    // The main thread passes interrupts on and prints; the destinations send on their own threads.
    // A destination that fails says so at once; the others go on.
    const bool several = destinations.size() > 1;
    std::vector<bool> told(destinations.size(), false);
    bool gaveUp = false;
    const auto allDone = [&] {
        return std::all_of(destinations.begin(), destinations.end(), [](const auto &d) { return d->done(); });
    };
    while (!allDone()) {
        const int interrupts = s_interrupts.load();
        for (auto &destination : destinations) {
            if (interrupts >= 1)
                destination->stop();
            if (interrupts >= 2 && !gaveUp)
                destination->giveUp();
        }
        gaveUp = gaveUp || interrupts >= 2;
        for (size_t i = 0; i < destinations.size(); ++i) {
            UploadDestination &destination = *destinations[i];
            if (told[i] || !destination.done())
                continue;
            destination.finish();
            if (destination.outcome().result != UploadOutcome::Failed)
                continue;
            told[i] = true;
            report.failed(int(i), destination.failure(), outcomeLines(options, jobs, destination, several));
        }
        report.show(states);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (auto &destination : destinations)
        destination->finish();
    report.finish();

    bool allSent = true;
    for (size_t i = 0; i < destinations.size(); ++i) {
        allSent = allSent && destinations[i]->outcome().result == UploadOutcome::Finished;
        if (!told[i]) {
            for (const QString &line : outcomeLines(options, jobs, *destinations[i], several))
                err << line << Qt::endl;
        }
    }
    if (allSent)
        return Success;
    return s_interrupts.load() > 0 ? Interrupted : Failure;
}
