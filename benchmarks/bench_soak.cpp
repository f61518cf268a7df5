// Uploads many distinct frames from the main window through a pseudo-terminal whose far end (a
// child process) reads as fast as it can and checks every frame against what should have arrived,
// and prints what arrived and how the window's memory changed, measured in this one run.
//
//   bench_soak [--fast] [frames]      (default 256 frames, numbered 0 up; at most 256)
//
// --fast gives the upload a clock whose pauses return at once, so the soak takes seconds.
#include "bmpwriter.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"
#include "wireoracle.h"

#include "app/frmmain.h"
#include "app/mainwindowcontrols.h"
#include "base/clock.h"
#include "browser/widgets/bitmapbrowser.h"
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "upload/widgets/uploadcontroller.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int MaxFrames = 256; // the frame number goes out as two hexadecimal digits
constexpr int ProgressPerFrame = 32768;

// A small generator of its own, so the child and the parent make the same pictures from a seed.
struct SplitMix
{
    quint64 state;
    quint64 next()
    {
        quint64 z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
};

FrameBitmap picture(int index)
{
    SplitMix random{quint64(index) * 7919 + 1};
    FrameBitmap bitmap;
    for (QRgb &colour : bitmap.palette) {
        const quint64 r = random.next();
        colour = qRgb(int(r & 0xFF), int((r >> 8) & 0xFF), int((r >> 16) & 0xFF));
    }
    char *pixels = bitmap.pixels.data();
    for (int i = 0; i < FrameBitmap::PixelCount; i += 8) {
        const quint64 r = random.next();
        for (int k = 0; k < 8; ++k)
            pixels[i + k] = char((r >> (8 * k)) & 0xFF);
    }
    return bitmap;
}

QString frameName(int index)
{
    return QStringLiteral("soak%1").arg(index, 4, 10, QLatin1Char('0')); // fills the 8-character name
}

long statusKiB(const char *field)
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kib = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

// A clock whose pauses return at once; time still moves forward for the durations shown.
class NoPauseClock : public Clock
{
public:
    qint64 nowMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void pauseMs(qint64) override { }
};

// What the far end saw, sent back to the parent through a pipe.
struct FarEndReport
{
    qint64 bytesReceived = 0;
    qint64 firstRawDifference = -1; // byte offset where the stream first differs from what was due
    int framesDecoded = 0; // complete or not
    int framesComplete = 0;
    int framesDiffering = 0; // decoded frames that are not what was due at their place
    int framesMissing = 0; // due frames that never began
    char firstProblem[400] = {};
};

bool writeAll(int fd, const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool readAll(int fd, void *data, size_t size)
{
    char *bytes = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

void noteProblem(FarEndReport &report, const QString &problem)
{
    if (report.firstProblem[0] == '\0')
        std::snprintf(report.firstProblem, sizeof report.firstProblem, "%s", problem.toUtf8().constData());
}

// The device: reads until the parent says the upload is over and the line has gone quiet, and
// checks the stream twice, as raw bytes and as decoded frames.
[[noreturn]] void runFarEnd(PtyPair &pty, int frames, int doneFd, int reportFd)
{
    FarEndReport report;
    WireDecoder decoder;

    // The raw stream is checked as it comes, so no more than one due frame is held at a time.
    int rawFrame = 0;
    QByteArray rawDue = WireOracle::frameText(0, frameName(0), picture(0));
    qsizetype rawOffset = 0;

    auto checkDecoded = [&] {
        for (const DecodedFrame &got : decoder.takeFrames()) {
            const int index = report.framesDecoded++;
            if (got.complete)
                ++report.framesComplete;
            if (index >= frames) {
                ++report.framesDiffering;
                noteProblem(report, QStringLiteral("an extra frame %1 arrived").arg(index));
                continue;
            }
            const FrameBitmap due = picture(index);
            QString problem = got.problem;
            if (problem.isEmpty() && got.number != index)
                problem = QStringLiteral("number %1 instead of %2").arg(got.number).arg(index);
            if (problem.isEmpty() && got.nameField != WireFormat::nameField(frameName(index)))
                problem = QStringLiteral("name field \"%1\"").arg(QString::fromLatin1(got.nameField));
            for (int e = 0; problem.isEmpty() && e < FrameBitmap::PaletteSize; ++e) {
                const QRgb c = due.palette[std::size_t(e)];
                const auto &six = got.sixBitPalette[std::size_t(e)];
                if (six[0] != WireFormat::sixBits(qRed(c)) || six[1] != WireFormat::sixBits(qGreen(c))
                    || six[2] != WireFormat::sixBits(qBlue(c)))
                    problem = QStringLiteral("colour %1 differs").arg(e);
            }
            if (problem.isEmpty() && got.pixels != due.pixels)
                problem = QStringLiteral("pixels differ");
            if (problem.isEmpty() && got.characters != WireFormat::FrameCharacters - 4)
                problem = QStringLiteral("%1 characters").arg(got.characters);
            if (!problem.isEmpty()) {
                ++report.framesDiffering;
                noteProblem(report, QStringLiteral("frame %1: %2").arg(index).arg(problem));
            }
        }
    };

    auto take = [&](const QByteArray &data) {
        report.bytesReceived += data.size();
        for (qsizetype i = 0; i < data.size(); ++i) {
            if (rawFrame >= frames) {
                if (report.firstRawDifference < 0)
                    report.firstRawDifference = report.bytesReceived - data.size() + i;
                break;
            }
            if (report.firstRawDifference < 0 && data.at(i) != rawDue.at(rawOffset))
                report.firstRawDifference = report.bytesReceived - data.size() + i;
            if (++rawOffset == rawDue.size()) {
                rawOffset = 0;
                if (++rawFrame < frames)
                    rawDue = WireOracle::frameText(rawFrame, frameName(rawFrame), picture(rawFrame));
            }
        }
        decoder.feed(data);
        checkDecoded();
    };

    bool done = false;
    for (;;) {
        const QByteArray data = pty.read(1 << 24, done ? 500 : 20);
        if (!data.isEmpty()) {
            take(data);
            continue;
        }
        if (done)
            break; // the upload is over and the line stayed quiet
        pollfd parent{doneFd, POLLIN, 0};
        if (::poll(&parent, 1, 0) > 0)
            done = true; // the parent closed its end: upload over (or the parent is gone)
    }
    decoder.finish();
    checkDecoded();
    if (report.framesDecoded < frames)
        report.framesMissing = frames - report.framesDecoded;
    writeAll(reportFd, &report, sizeof report);
    _exit(0);
}

} // namespace

int main(int argc, char *argv[])
{
    bool fast = false;
    int frames = MaxFrames;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fast") == 0)
            fast = true;
        else
            frames = qBound(1, atoi(argv[i]), MaxFrames);
    }
    // Everything the child needs exists before the fork, and no thread has been started yet.
    TestSettings store;
    PtyPair pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 2;
    }
    store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < frames; ++i) {
        const FrameBitmap bitmap = picture(i);
        paths << dir.filePath(frameName(i) + QStringLiteral(".bmp"));
        QFile file(paths.last());
        if (!file.open(QIODevice::WriteOnly)
            || file.write(
                   BmpWriter::standardFrame(QVector<QRgb>(bitmap.palette.begin(), bitmap.palette.end()), bitmap.pixels))
                <= 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(paths.last()));
            return 2;
        }
    }

    int donePipe[2];
    int reportPipe[2];
    if (::pipe(donePipe) != 0 || ::pipe(reportPipe) != 0) {
        std::perror("pipe");
        return 2;
    }
    std::fflush(nullptr);
    const pid_t farEnd = fork();
    if (farEnd < 0) {
        std::perror("fork");
        return 2;
    }
    if (farEnd == 0) {
        ::close(donePipe[1]);
        ::close(reportPipe[0]);
        runFarEnd(pty, frames, donePipe[0], reportPipe[1]);
    }
    ::close(donePipe[0]);
    ::close(reportPipe[1]);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    NoPauseClock noPause;
    ScriptedModals modals;
    frmMain window;
    window.Form_Load();
    window.show();
    if (fast)
        window.upload()->setTransmitClock(&noPause);
    for (int i = 0; i < frames; ++i)
        window.frameList()->add(i, paths.at(i));
    modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"
    // The window as an operator has it before an upload: a frame of the list clicked and its
    // preview painted. The preview and its scaled copy are made once and kept (about 1 MiB of
    // heap); counting them as growth of the upload would hide what the upload itself does.
    window.browser()->ListView1_ItemClick(1);
    {
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
    }
    const long rssStart = statusKiB("VmRSS");

    // Memory as the progress bar passes the end of each frame, to tell a one-off step from a
    // steady climb. Reserved up front so the record itself does not grow the heap.
    std::vector<long> rssAfterFrame(std::size_t(frames), -1);
    int framesPassed = 0;
    QObject::connect(window.controls().ProgressBar1, &QProgressBar::valueChanged, &app, [&](int value) {
        while (framesPassed < frames && value >= (framesPassed + 1) * ProgressPerFrame)
            rssAfterFrame[std::size_t(framesPassed++)] = statusKiB("VmRSS");
    });

    QElapsedTimer wall;
    QObject::connect(window.upload(), &UploadController::uploadEnded, &app, &QApplication::quit);
    QTimer::singleShot(0, [&] {
        wall.start();
        window.findChild<QPushButton *>(QStringLiteral("cmdSaljiSve"))->click();
    });
    app.exec();
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    QApplication::processEvents();
    const long rssEnd = statusKiB("VmRSS");
    const long rssPeak = statusKiB("VmHWM");

    // Tell the far end the upload is over, then wait for its account.
    ::close(donePipe[1]);
    FarEndReport report;
    const bool reported = readAll(reportPipe[0], &report, sizeof report);
    ::close(reportPipe[0]);
    if (!reported)
        kill(farEnd, SIGTERM);
    waitpid(farEnd, nullptr, 0);

    const bool finished =
        !modals.shown().isEmpty() && modals.shown().last().text.startsWith(QLatin1String("Upload finished!"));
    const qint64 expectedBytes = qint64(frames) * WireFormat::FrameCharacters;
    const long growth = rssEnd - rssStart;
    const bool framesOk = reported && finished && report.framesComplete == frames && report.framesDiffering == 0
        && report.framesMissing == 0 && report.bytesReceived == expectedBytes && report.firstRawDifference < 0;
    const bool memoryOk = rssStart > 0 && rssEnd > 0 && growth < 1024;

    std::printf("pauses:                      %s\n", fast ? "skipped (--fast)" : "real, 3 x 1 s a frame");
    std::printf("frames uploaded:             %d (%s)\n", frames,
                finished ? "\"Upload finished!\" shown" : "NOT finished");
    if (!reported) {
        std::printf("far end:                     gave no report\n");
    } else {
        std::printf("frames received complete:    %d of %d (%d decoded, %d missing)\n", report.framesComplete, frames,
                    report.framesDecoded, report.framesMissing);
        std::printf("frames that differ:          %d   (target 0)\n", report.framesDiffering);
        std::printf("bytes received:              %lld of %lld expected\n",
                    static_cast<long long>(report.bytesReceived), static_cast<long long>(expectedBytes));
        if (report.firstRawDifference < 0)
            std::printf("raw stream:                  identical to the frames' text, end to end\n");
        else
            std::printf("raw stream:                  first differs at byte %lld\n",
                        static_cast<long long>(report.firstRawDifference));
        if (report.firstProblem[0])
            std::printf("first problem:               %s\n", report.firstProblem);
    }
    std::printf("wall time:                   %.1f s (%.3f s a frame)\n", wallSeconds, wallSeconds / frames);
    std::printf("memory (VmRSS) at start:     %ld KiB\n", rssStart);
    std::printf("memory (VmRSS) at end:       %ld KiB\n", rssEnd);
    std::printf("memory growth:               %ld KiB   (target under 1024)\n", growth);
    std::printf("memory peak (VmHWM):         %ld KiB\n", rssPeak);
    if (framesPassed > 0) {
        const long first = rssAfterFrame.front();
        const long last = rssAfterFrame[std::size_t(framesPassed - 1)];
        std::printf("memory after frame 1:        %ld KiB; after frame %d: %ld KiB", first, framesPassed, last);
        if (framesPassed > 1)
            std::printf(" (%.2f KiB a frame in between)", double(last - first) / (framesPassed - 1));
        std::printf("\n");
    }
    if (!modals.unexpected().isEmpty())
        std::printf("unexpected boxes:            %s\n", qPrintable(modals.unexpected().join(QStringLiteral(" | "))));
    std::printf("frames:                      %s\n", framesOk ? "PASS" : "FAIL");
    std::printf("memory:                      %s\n", memoryOk ? "PASS" : "FAIL");
    std::printf("%s\n", framesOk && memoryOk ? "PASS" : "FAIL");
    return framesOk && memoryOk ? 0 : 1;
}
