// Uploads frames from the main window through a pseudo-terminal whose far end (a child process)
// reads as fast as it can, and prints per-frame figures measured in this one run.
//
//   bench_upload [frames]      (default 3)
#include "bmpwriter.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"
#include "wireoracle.h"

#include "app/frmmain.h"
#include "frame/framebitmap.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray picture(int seed)
{
    QByteArray pixels(FrameBitmap::PixelCount, '\0');
    for (int i = 0; i < pixels.size(); ++i)
        pixels[i] = char((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    return pixels;
}

QVector<QRgb> palette(int seed)
{
    QVector<QRgb> colours;
    for (int e = 0; e < 256; ++e)
        colours.append(qRgb((e + seed) & 0xFF, (e * 3) & 0xFF, (255 - e) & 0xFF));
    return colours;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = argc > 1 ? qMax(1, atoi(argv[1])) : 3;

    TestSettings store;
    PtyPair pty;
    store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < frames; ++i) {
        paths << dir.filePath(QStringLiteral("frame%1.bmp").arg(i));
        QFile file(paths.last());
        file.open(QIODevice::WriteOnly);
        file.write(BmpWriter::standardFrame(palette(i), picture(i)));
    }

    // Encoding alone: reading and encoding a frame, no line.
    const FrameBitmap bitmap = *FrameBitmapReader::readFile(paths.first());
    QElapsedTimer encodeTimer;
    encodeTimer.start();
    const int encodeRounds = 200;
    qint64 checksum = 0;
    for (int i = 0; i < encodeRounds; ++i)
        checksum += WireOracle::frameText(i & 0xFF, QStringLiteral("bench"), bitmap).size();
    const double encodeMs = encodeTimer.nsecsElapsed() / 1e6 / encodeRounds;

    // The device: a child process that reads everything at once and throws it away.
    fflush(nullptr);
    const pid_t reader = fork();
    if (reader == 0) {
        QByteArray data;
        for (;;) {
            data = pty.read(1 << 20, 2000);
            if (data.isEmpty() && getppid() == 1)
                _exit(0);
        }
    }

    ScriptedModals modals;
    frmMain window;
    window.Form_Load();
    window.show();
    for (int i = 0; i < frames; ++i)
        window.frameList()->add(i, paths.at(i));
    modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"

    // The window's thread: a probe thread posts a stamped event every 5 ms; the longest wait
    // before the window's thread runs one is its longest stall. (A 1 ms timer on the window's
    // thread would cost more CPU than the upload itself; any stall over 5 ms meets a probe.)
    std::atomic<bool> probing{false};
    std::atomic<bool> probeStarted{false};
    std::atomic<qint64> longestStallUs{0};
    QElapsedTimer probeClock;
    probeClock.start();
    std::thread probe([&] {
        while (probing.load() || !probeStarted) {
            if (probing.load()) {
                const qint64 sent = probeClock.nsecsElapsed() / 1000;
                QMetaObject::invokeMethod(
                    &window,
                    [&, sent] {
                        const qint64 waited = probeClock.nsecsElapsed() / 1000 - sent;
                        if (waited > longestStallUs.load())
                            longestStallUs = waited;
                    },
                    Qt::QueuedConnection);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });

    QElapsedTimer wall;
    double cpuAtStart = 0;
    QObject::connect(window.upload(), &UploadController::uploadEnded, &app, &QApplication::quit);
    QTimer::singleShot(0, [&] {
        cpuAtStart = cpuSeconds();
        wall.start();
        probing = true;
        probeStarted = true;
        window.findChild<QPushButton *>(QStringLiteral("cmdSaljiSve"))->click();
    });
    app.exec();
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuAtStart;
    probing = false;
    probe.join();
    kill(reader, SIGTERM);
    waitpid(reader, nullptr, 0);

    const bool finished =
        !modals.shown().isEmpty() && modals.shown().last().text.startsWith(QLatin1String("Upload finished!"));
    std::printf("frames uploaded:                         %d (%s)\n", frames, finished ? "finished" : "NOT finished");
    std::printf("CPU seconds per frame:                   %.4f   (target <= 0.05; includes the stall probe)\n",
                cpu / frames);
    std::printf("wall seconds per frame beyond 3 pauses:  %.4f   (target <= 0.1)\n", wallSeconds / frames - 3.0);
    std::printf("window thread's longest stall:           %.1f ms   (target <= 20)\n", longestStallUs.load() / 1000.0);
    std::printf("encode time per frame:                   %.3f ms (%lld characters encoded)\n", encodeMs, checksum);
    return finished ? 0 : 1;
}
