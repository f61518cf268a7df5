#include "cli/uploadcommand.h"

#include "base/commandword.h"
#include "base/console.h"
#include "base/localpath.h"
#include "cli/historylisting.h"
#include "cli/historyplan.h"
#include "cli/uploadreport.h"
#include "framelist/core/framelistfile.h"
#include "framelist/core/framenumber.h"
#include "history/core/historydatabase.h"
#include "network/core/deviceaddress.h"
#include "serial/core/portmap.h"
#include "upload/core/uploadcheck.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QTextStream>

#include <algorithm>

#include <chrono>
#include <thread>

static_assert(std::atomic<int>::is_always_lock_free, "the interrupt handler may only touch lock-free atomics");

std::atomic<int> UploadCommand::s_interrupts{0};

namespace {

// A message as a sentence of its own, ending in one full stop.
QString sentence(const QString &text)
{
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

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
    , m_changed(QStringLiteral("changed"),
                QStringLiteral("Send each destination only the frames that differ from what the load history says "
                               "it holds whole, and every one it may not hold."))
    , m_historyFile(QStringLiteral("history-file"),
                    QStringLiteral("The load history file; default: history.sqlite in the user's data folder."),
                    QStringLiteral("FILE"))
    , m_noHistory(QStringLiteral("no-history"), QStringLiteral("Do not record this upload in the load history."))
    , m_showHistory(QStringLiteral("show-history"),
                    QStringLiteral("Print the destinations the load history knows, or with a DEST argument what it "
                                   "holds frame by frame; nothing is sent."))
    , m_forget(QStringLiteral("forget"),
               QStringLiteral("Forget what DEST holds (it was reset or loaded elsewhere): every frame is unknown "
                              "to --changed until sent again; nothing is sent."),
               QStringLiteral("DEST"))
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
    parser.addOptions({m_port, m_device, m_capture, m_list, m_offset, m_from, m_quiet, m_reconnect, m_changed,
                       m_historyFile, m_noHistory, m_showHistory, m_forget});
    parser.addPositionalArgument(QStringLiteral("FRAME"),
                                 QStringLiteral("NUMBER=PATH (NUMBER 0-255) or a bare PATH; bare PATHs are "
                                                "numbered from --offset in the order given."),
                                 QStringLiteral("FRAME..."));
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
    if (m_options.changed)
        words << QStringLiteral("--changed");
    if (!m_options.historyFile.isEmpty())
        words << QStringLiteral("--history-file") << m_options.historyFile;
    if (m_options.noHistory)
        words << QStringLiteral("--no-history");
    if (m_options.quiet)
        words << QStringLiteral("--quiet");
    if (m_options.reconnectSeconds > 0)
        words << QStringLiteral("--reconnect") << QString::number(m_options.reconnectSeconds);
    QStringList quoted;
    for (const QString &word : qAsConst(words))
        quoted << commandWord(word);
    return quoted.join(QLatin1Char(' '));
}

QStringList UploadCommand::outcomeLines(const UploadDestination &destination, bool labelled) const
{
    const QVector<UploadJob> &jobs = destination.jobs();
    const int count = int(jobs.size());
    const UploadOutcome &outcome = destination.outcome();
    const QString label = labelled ? destination.label() + QStringLiteral(": ") : QString();
    QStringList lines;
    switch (outcome.result) {
    case UploadOutcome::Finished:
        if (labelled)
            lines << label
                    + (count == 0       ? QStringLiteral("sent nothing: it holds every frame.")
                           : count == 1 ? QStringLiteral("sent 1 frame.")
                                        : QStringLiteral("sent all %1 frames.").arg(count));
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
    if (m_options.showHistory || m_options.forget)
        return runHistory(out, err);
    const std::optional<QVector<UploadJob>> jobs = jobsToSend(err);
    if (!jobs)
        return Failure;
    UploadReport report(out, err, m_options.quiet, Console::canRedrawLine());
    const Destinations destinations = makeDestinations(report);
    if (!prepareAll(destinations, err))
        return Failure;
    startAll(destinations, planAll(destinations, *jobs, report, err));
    const std::vector<bool> told = watch(destinations, report);
    return conclude(destinations, told, err);
}

int UploadCommand::runHistory(QTextStream &out, QTextStream &err) const
{
    // Reading or forgetting makes no history: a mistyped --history-file is told, not created.
    const QString path = HistoryDatabase::pathOf(m_options.historyFile);
    if (!LocalPath::stat(path).exists) {
        const QString missing =
            QStringLiteral("The load history %1 does not exist").arg(QDir::toNativeSeparators(path));
        if (m_options.showHistory && m_options.historyDestination.isEmpty()) {
            out << missing << QStringLiteral(": no load has been recorded in it yet.") << Qt::endl;
            return Success;
        }
        err << missing << QStringLiteral(": it knows no destination \"%1\".").arg(m_options.historyDestination)
            << Qt::endl;
        return Failure;
    }
    QString why;
    const auto db = HistoryDatabase::open(m_options.historyFile, &why);
    if (!db) {
        err << why << Qt::endl;
        return Failure;
    }
    return m_options.forget ? HistoryListing::forget(*db, m_options.historyDestination, out, err)
                            : HistoryListing::show(*db, m_options.historyDestination, out, err);
}

QVector<QVector<UploadJob>> UploadCommand::planAll(const Destinations &destinations, const QVector<UploadJob> &jobs,
                                                   UploadReport &report, QTextStream &err) const
{
    HistoryPlan history(m_options.historyFile);
    QString why;
    if (!m_options.noHistory && !history.open(&why))
        err << sentence(why)
            << QStringLiteral(" The upload goes on with the load history off: nothing of it is recorded.") << Qt::endl;
    QVector<QVector<UploadJob>> planned;
    for (size_t i = 0; i < destinations.size(); ++i) {
        UploadDestination &destination = *destinations[i];
        QString note;
        planned.append(m_options.changed ? history.changedJobs(destination, jobs, &note) : jobs);
        if (!note.isEmpty())
            err << note << Qt::endl;
        report.setFrameCount(int(i), int(planned.constLast().size()));
        destination.setRecord(history.record(destination, m_options.list));
    }
    return planned;
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

void UploadCommand::startAll(const Destinations &destinations, const QVector<QVector<UploadJob>> &jobs)
{
    for (size_t i = 0; i < destinations.size(); ++i) {
        if (s_interrupts.load() > 0)
            destinations[i]->stop();
        destinations[i]->start(jobs.at(int(i)));
    }
}

std::vector<bool> UploadCommand::watch(const Destinations &destinations, UploadReport &report) const
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
            report.failed(int(i), destination.failure(), outcomeLines(destination, several));
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

int UploadCommand::conclude(const Destinations &destinations, const std::vector<bool> &told, QTextStream &err) const
{
    bool allSent = true;
    for (size_t i = 0; i < destinations.size(); ++i) {
        allSent = allSent && destinations[i]->outcome().result == UploadOutcome::Finished;
        if (!told[i]) {
            for (const QString &line : outcomeLines(*destinations[i], destinations.size() > 1))
                err << line << Qt::endl;
        }
    }
    if (allSent)
        return Success;
    return s_interrupts.load() > 0 ? Interrupted : Failure;
}
