// Records loads into a history file until it is killed, telling on its standard output, before
// each frame is marked complete, which frame that is: "ending N". tst_historykill kills it at
// random moments and checks that only those frames may show complete.
#include "base/localpath.h"
#include "history/core/historydatabase.h"
#include "history/core/loadrecorder.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: historyloop HISTORY-FILE\n");
        return 2;
    }
    QString error;
    const auto db = HistoryDatabase::open(LocalPath::arguments(argc, argv).value(0), &error);
    if (!db) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const Destination device{QStringLiteral("/dev/ttyUSB0"), Destination::Kind::Port, QStringLiteral("Com5")};
    // Each run its own frames, so a frame of an earlier run is never taken for one of this.
    const QString run = QString::number(QCoreApplication::applicationPid());
    for (int counter = 0;;) {
        LoadRecorder recorder(*db, device);
        if (!recorder.beginLoad(LoadInfo::here(), &error))
            break;
        for (int i = 0; i < 20; ++i, ++counter) {
            FrameBitmap frame;
            frame.pixels.fill(char(counter));
            const QString name = QStringLiteral("%1-%2").arg(run).arg(counter);
            if (!recorder.frameStarting(SentFrame::of(counter % 256, name, QString(), frame), &error))
                return 1;
            QThread::msleep(3); // the frame's characters going out
            // Every fifth frame is stopped part way; the others end whole.
            const bool whole = counter % 5 != 4;
            if (whole) {
                std::printf("ending %s\n", qPrintable(name));
                std::fflush(stdout);
            }
            if (!recorder.frameEnded(whole ? FrameState::Complete : FrameState::CutShort, &error))
                return 1;
        }
        if (!recorder.endLoad(LoadResult::Finished, &error))
            break;
    }
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
}
