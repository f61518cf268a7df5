#include "cli/uploadcommand.h"

#include "cli/capturelink.h"
#include "core/duration.h"
#include "framelist/core/framenumber.h"
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

constexpr int ProgressPerFrame = 32768;

// Reports each frame on the terminal as it goes. Runs on the uploading thread; the main thread
// only waits meanwhile, so the streams are never written from two threads at once.
class CommandObserver : public UploadObserver
{
public:
    CommandObserver(QTextStream &out, QTextStream &err, bool quiet, bool progress, const UploadState &state,
                    int count)
        : m_out(out), m_err(err), m_quiet(quiet), m_progress(progress), m_state(state), m_count(count)
    {
    }

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
        const int percent = int(qint64(m_state.ProgressValue.load()) * 100 / (qint64(m_count) * ProgressPerFrame));
        m_err << QStringLiteral("\r\033[KFrame %1 of %2  %3  %4%  elapsed %5")
                     .arg(m_position).arg(m_count).arg(m_name).arg(percent).arg(formatDuration(elapsed));
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

QString UploadCommand::usage()
{
    return QStringLiteral(
        "Usage: drelin-upload [--port N | --device PATH | --capture FILE] [--offset K] [--quiet] FRAME...\n"
        "Uploads frames (256 x 128 8-bit bitmaps) to the moving-logo inserter.\n"
        "\n"
        "  FRAME           NUMBER=PATH (NUMBER 0-255) or a bare PATH\n"
        "  --port N        the serial port Com N (1-16) as the program maps it; default: the stored port\n"
        "  --device PATH   the serial device to use\n"
        "  --capture FILE  write the bytes the port would receive to FILE instead\n"
        "  --offset K      the number of the first bare PATH (default 0); the next ones count up\n"
        "  --quiet         no line per frame sent\n"
        "\n"
        "Exit status: 0 sent, 1 a frame refused or the port failed, 2 usage error, 130 interrupted.\n");
}

std::optional<UploadCommand::Options> UploadCommand::parse(const QStringList &arguments, QString *error)
{
    Options options;
    int offset = 0;
    QStringList frames;
    int targets = 0;
    const auto fail = [error](const QString &why) {
        *error = why;
        return std::nullopt;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const auto value = [&](QString *out) {
            if (i + 1 >= arguments.size())
                return false;
            *out = arguments.at(++i);
            return true;
        };
        QString text;
        if (argument == QLatin1String("--port") || argument == QLatin1String("--device")
            || argument == QLatin1String("--capture") || argument == QLatin1String("--offset")) {
            if (!value(&text))
                return fail(QStringLiteral("%1 needs a value").arg(argument));
            bool ok = true;
            if (argument == QLatin1String("--port")) {
                options.target = Target::Port;
                options.port = text.toInt(&ok);
                if (!ok || options.port < 1 || options.port > 16)
                    return fail(QStringLiteral("--port takes a number from 1 to 16, not \"%1\"").arg(text));
                ++targets;
            } else if (argument == QLatin1String("--device")) {
                options.target = Target::Device;
                options.device = text;
                ++targets;
            } else if (argument == QLatin1String("--capture")) {
                options.target = Target::Capture;
                options.capture = text;
                ++targets;
            } else {
                offset = text.toInt(&ok);
                if (!ok || offset < 0 || offset > FrameNumber::Highest)
                    return fail(QStringLiteral("--offset takes a number from 0 to 255, not \"%1\"").arg(text));
            }
        } else if (argument == QLatin1String("--quiet")) {
            options.quiet = true;
        } else if (argument == QLatin1String("--")) {
            frames << arguments.mid(i + 1);
            break;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return fail(QStringLiteral("unknown option %1").arg(argument));
        } else {
            frames << argument;
        }
    }
    if (targets > 1)
        return fail(QStringLiteral("give only one of --port, --device and --capture"));
    if (frames.isEmpty())
        return fail(QStringLiteral("no frames given"));

    static const QRegularExpression numbered(QStringLiteral("^(\\d+)=(.+)$"));
    QSet<int> taken;
    int next = offset;
    for (const QString &frame : frames) {
        int number = 0;
        QString path = frame;
        const auto match = numbered.match(frame);
        if (match.hasMatch()) {
            number = match.captured(1).toInt();
            path = match.captured(2);
        } else {
            number = next++;
        }
        if (number < 0 || number > FrameNumber::Highest)
            return fail(QStringLiteral("frame number %1 of %2 is not within 0-255").arg(number).arg(path));
        if (taken.contains(number))
            return fail(QStringLiteral("frame number %1 is given twice").arg(number));
        taken.insert(number);
        options.jobs.append({FrameNumber::FormatFrameNumber(number), path});
    }
    return options;
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
        watch(returned, [] {}, s_interrupts);
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
        watch(returned, [&port] { port.cancelJob(); }, s_interrupts);
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
