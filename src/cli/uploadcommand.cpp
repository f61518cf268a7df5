#include "cli/uploadcommand.h"

#include "cli/capturelink.h"
#include "core/duration.h"
#include "framelist/core/framenumber.h"
#include "serial/core/portmap.h"
#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"
#include "upload/core/uploadcheck.h"
#include "upload/core/uploadstate.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

#include <chrono>
#include <thread>

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free
                  && std::atomic<UploadState *>::is_always_lock_free,
              "the interrupt handler may only touch lock-free atomics");

std::atomic<int> UploadCommand::s_interrupts{0};
std::atomic<UploadState *> UploadCommand::s_running{nullptr};

namespace {

// Reports each frame on the terminal as it goes. Runs on the uploading thread; the main thread
// only waits meanwhile, so the streams are never written from two threads at once.
class CommandObserver : public UploadObserver
{
public:
    CommandObserver(QTextStream &out, QTextStream &err, bool quiet, bool progress, const UploadState &state, int count)
        : m_out(out)
        , m_err(err)
        , m_quiet(quiet)
        , m_progress(progress)
        , m_state(state)
        , m_count(count)
    { }

    void frameStarting(int position, int, const UploadJob &job, const QString &name) override
    {
        m_position = position;
        m_current = job;
        m_name = name;
        showProgress(true);
    }
    void progressed(int) override { showProgress(false); }
    void frameFinished(int, int, qint64 estimatedTotalMs) override
    {
        m_estimateMs = estimatedTotalMs;
        if (m_progress)
            m_err << "\r\033[K";
        if (!m_quiet)
            m_out << QStringLiteral("Frame %1 (%2) sent: %3").arg(m_current.text, m_name, m_current.path) << Qt::endl;
        showProgress(true);
    }
    void finish()
    {
        if (m_progress)
            m_err << "\r\033[K" << Qt::flush;
    }

private:
    void showProgress(bool force)
    {
        if (!m_progress)
            return;
        const qint64 now = clock.nowMs();
        if (!force && now - m_lastShownMs < 200)
            return;
        m_lastShownMs = now;
        const qint64 elapsed = now - m_state.UploadStartTime.load();
        const int percent =
            int(qint64(m_state.ProgressValue.load()) * 100 / (qint64(m_count) * UploadState::ProgressPerFrame));
        m_err << QStringLiteral("\r\033[KFrame %1 of %2  %3  %4%  elapsed %5")
                     .arg(m_position)
                     .arg(m_count)
                     .arg(m_name)
                     .arg(percent)
                     .arg(formatDuration(elapsed));
        if (m_estimateMs > 0)
            m_err << QStringLiteral("  estimated %1").arg(formatDuration(m_estimateMs));
        m_err << Qt::flush;
    }

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_quiet;
    bool m_progress;
    const UploadState &m_state;
    int m_count;
    int m_position = 0;
    UploadJob m_current;
    QString m_name;
    qint64 m_estimateMs = 0;
    qint64 m_lastShownMs = 0;
    SteadyClock clock;
};

// Waits for the upload to return; a second interrupt gives up waiting for the line.
void watch(const std::atomic<bool> &done, const std::function<void()> &giveUp, const std::atomic<int> &interrupts)
{
    bool gaveUp = false;
    while (!done.load()) {
        if (interrupts.load() >= 2 && !gaveUp) {
            giveUp();
            gaveUp = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

UploadCommand::Parsed UploadCommand::parse(const QStringList &arguments)
{
    CommandLine line(QString::fromLatin1(Name),
                     QStringLiteral("Uploads frames (256 x 128 8-bit bitmaps) to the moving-logo inserter.\n"
                                    "Give at most one of --port, --device and --capture."),
                     QStringLiteral("Exit status: 0 sent, 1 a frame refused or the port failed, 2 usage error,\n"
                                    "130 interrupted."));
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
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("No line per frame sent."));
    QCommandLineParser &parser = line.parser();
    parser.addOptions({port, device, capture, offset, quiet});
    parser.addPositionalArgument(QStringLiteral("FRAME"),
                                 QStringLiteral("NUMBER=PATH (NUMBER 0-255) or a bare PATH; bare PATHs are "
                                                "numbered from --offset in the order given."),
                                 QStringLiteral("FRAME..."));

    Parsed parsed;
    parsed.request = line.parse(arguments);
    if (parsed.request != CommandLine::Request::Run) {
        parsed.text = line.text();
        return parsed;
    }
    const auto fail = [&parsed](const QString &why) {
        parsed.request = CommandLine::Request::UsageError;
        parsed.text = why;
        return parsed;
    };

    Options &options = parsed.options;
    if (parser.values(port).size() + parser.values(device).size() + parser.values(capture).size() > 1)
        return fail(QStringLiteral("give only one of --port, --device and --capture"));
    if (parser.isSet(port)) {
        bool ok = false;
        options.target = Target::Port;
        options.port = parser.value(port).toInt(&ok);
        if (!ok || options.port < PortMap::FirstPort || options.port > PortMap::LastPort)
            return fail(QStringLiteral("--port takes a number from %1 to %2, not \"%3\"")
                            .arg(PortMap::FirstPort)
                            .arg(PortMap::LastPort)
                            .arg(parser.value(port)));
    }
    // An empty path would only fail later, as a port or a file that cannot be opened.
    if (parser.isSet(device)) {
        options.target = Target::Device;
        options.device = parser.value(device);
        if (options.device.isEmpty())
            return fail(QStringLiteral("--device takes a path, not \"\""));
    }
    if (parser.isSet(capture)) {
        options.target = Target::Capture;
        options.capture = parser.value(capture);
        if (options.capture.isEmpty())
            return fail(QStringLiteral("--capture takes a file name, not \"\""));
    }
    int next = 0;
    if (parser.isSet(offset)) {
        bool ok = false;
        next = parser.value(offset).toInt(&ok);
        if (!ok || next < 0 || next > FrameNumber::Highest)
            return fail(QStringLiteral("--offset takes a number from 0 to 255, not \"%1\"").arg(parser.value(offset)));
    }
    options.quiet = parser.isSet(quiet);

    const QStringList frames = parser.positionalArguments();
    if (frames.isEmpty())
        return fail(QStringLiteral("no frames given"));
    static const QRegularExpression numbered(QStringLiteral("^(\\d+)=(.+)$"));
    QSet<int> taken;
    for (const QString &frame : frames) {
        QString path = frame;
        QString numberText;
        int number = 0;
        bool ok = true;
        const auto match = numbered.match(frame);
        if (match.hasMatch()) {
            numberText = match.captured(1);
            path = match.captured(2);
            // Too many digits for an int is out of range too, not frame 0.
            number = numberText.toInt(&ok);
        } else {
            number = next++;
            numberText = QString::number(number);
        }
        if (!ok || number < 0 || number > FrameNumber::Highest)
            return fail(QStringLiteral("frame number %1 of %2 is not within 0-255").arg(numberText, path));
        if (taken.contains(number))
            return fail(QStringLiteral("frame number %1 is given twice").arg(number));
        taken.insert(number);
        options.jobs.append({FrameNumber::FormatFrameNumber(number), path});
    }
    return parsed;
}

void UploadCommand::interrupt()
{
    // Lock-free atomics only: this runs in a signal handler.
    s_interrupts.fetch_add(1);
    if (UploadState *state = s_running.load())
        state->StopRequested.store(true);
}

int UploadCommand::run(const Options &options, QTextStream &out, QTextStream &err, bool showProgress)
{
    const auto problems = UploadCheck::check(options.jobs);
    if (!problems.isEmpty()) {
        err << UploadCheck::describe(problems) << Qt::endl;
        return Failure;
    }

    UploadState state;
    state.UploadStartTime = SteadyClock().nowMs();
    state.StopRequested = s_interrupts.load() > 0;
    s_running = &state;
    struct Forget
    {
        ~Forget() { s_running = nullptr; }
    } forget;
    CommandObserver observer(out, err, options.quiet, showProgress, state, int(options.jobs.size()));
    UploadOutcome outcome;

    std::atomic<bool> returned{false};
    if (options.target == Target::Capture) {
        QSaveFile capture(options.capture);
        if (!capture.open(QIODevice::WriteOnly)) {
            err << QStringLiteral("Cannot write %1: %2").arg(options.capture, capture.errorString()) << Qt::endl;
            return Failure;
        }
        CaptureLink link(&capture);
        std::thread worker([&] {
            outcome = ListUpload(link, link, state, &observer).run(options.jobs);
            returned = true;
        });
        watch(
            returned, [] {}, s_interrupts);
        worker.join();
        // After an interrupt the file holds what the port would have received so far.
        if (outcome.result == UploadOutcome::Failed)
            capture.cancelWriting();
        else if (!capture.commit()) {
            outcome.result = UploadOutcome::Failed;
            outcome.error = QStringLiteral("Cannot write %1: %2").arg(options.capture, capture.errorString());
        }
    } else {
        SerialPortComponent port;
        SerialSetup::configure(port, PortSettings());
        if (options.target == Target::Port)
            port.setCommPort(options.port);
        else if (options.target == Target::Device)
            port.setDevice(options.device);
        if (!port.setPortOpen(true)) {
            err << port.errorDescription() << Qt::endl;
            return Failure;
        }
        // No event loop here: the outcome is taken on the serial thread, and this thread polls.
        port.startJob<UploadOutcome>(
            [&](SerialLink &link) {
                SteadyClock clock;
                return ListUpload(link, clock, state, &observer).run(options.jobs);
            },
            nullptr,
            [&](const UploadOutcome &result) {
                outcome = result;
                returned = true;
            },
            &state.StopRequested);
        watch(
            returned, [&port] { port.cancelJob(); }, s_interrupts);
    }
    observer.finish();

    switch (outcome.result) {
    case UploadOutcome::Finished:
        return Success;
    case UploadOutcome::Stopped:
        err << QStringLiteral("Interrupted after %1 of %2 frames.").arg(outcome.framesSent).arg(options.jobs.size())
            << Qt::endl;
        return Interrupted;
    case UploadOutcome::Failed:
        err << outcome.error << Qt::endl;
        return s_interrupts.load() > 0 ? Interrupted : Failure;
    }
    return Failure;
}
