// Uploads frames through Debian's ser2net (RFC 2217) into a pseudo-terminal and prints, measured in
// this one run, each frame's time against the line model's and the CPU time a frame costs.
//
//   bench_network [frames]      (default 2; a frame takes some 22 s)
#include "bmpwriter.h"
#include "farend.h"
#include "ptypair.h"
#include "ser2netserver.h"

#include "base/clock.h"
#include "frame/framebitmap.h"
#include "frame/wireformat.h"
#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"
#include "upload/core/listupload.h"
#include "upload/core/uploadstate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString writeFrame(const QTemporaryDir &dir, int seed)
{
    QVector<QRgb> palette;
    for (int e = 0; e < 256; ++e)
        palette.append(qRgb((e + seed) & 0xFF, (e * 3) & 0xFF, (255 - e) & 0xFF));
    QByteArray pixels(FrameBitmap::PixelCount, '\0');
    for (int i = 0; i < pixels.size(); ++i)
        pixels[i] = char((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    const QString path = dir.filePath(QStringLiteral("frame%1.bmp").arg(seed));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(BmpWriter::standardFrame(palette, pixels));
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? qMax(1, atoi(argv[1])) : 2;
    if (!Ser2netServer::available()) {
        std::fprintf(stderr, "ser2net is not installed (scripts/deps.sh test installs it)\n");
        return 1;
    }
    PtyPair pty;
    FarEnd far(pty);
    Ser2netServer server;
    QString error;
    if (!server.start(pty.devicePath(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir dir;
    QVector<UploadJob> jobs;
    for (int i = 0; i < frames; ++i)
        jobs.append({i, writeFrame(dir, i), nullptr});

    SerialPortComponent port;
    SerialSetup::configure(port, PortSettings());
    port.setDevice(server.rfc2217Url());
    if (!port.setPortOpen(true)) {
        std::fprintf(stderr, "%s\n", qPrintable(port.errorDescription()));
        return 1;
    }
    UploadState state;
    bool done = false;
    UploadOutcome outcome;
    QElapsedTimer wall;
    const double cpuAtStart = cpuSeconds();
    wall.start();
    port.startJob<UploadOutcome>(
        [&](SerialLink &link) {
            SteadyClock clock;
            return ListUpload(link, clock, state).run(jobs);
        },
        &app,
        [&](const UploadOutcome &result) {
            outcome = result;
            done = true;
        });
    if (!QTest::qWaitFor([&] { return done; }, frames * 60000) || outcome.result != UploadOutcome::Finished) {
        std::fprintf(stderr, "the upload did not finish: %s\n", qPrintable(outcome.error));
        return 1;
    }
    const double seconds = wall.nsecsElapsed() / 1e9 / frames;
    const double cpu = (cpuSeconds() - cpuAtStart) / frames;
    const double model = expectedUploadMs(1, 38400, 11) / 1000.0;
    std::printf("frames through ser2net (RFC 2217), 38400 bit/s: %d\n", frames);
    std::printf("  time a frame:             %.3f s (line model %.3f s, ratio %.4f)\n", seconds, model,
                seconds / model);
    std::printf("  CPU a frame (this process: the sender and the reader of the pseudo-terminal): %.3f s (%.2f %%)\n",
                cpu, 100.0 * cpu / seconds);
    std::printf("  characters at the device: %lld\n", far.receivedCount());
    return 0;
}
