// Records loads into a history file, telling on its standard output, before each frame is marked
// complete, which frame that is: "ending N". tst_historykill kills it at random moments and checks
// that only those frames may show complete, and runs several at once to check that none is lost.
//   historyloop HISTORY-FILE [--frames N] [--churn]
// --frames: end after N frames (exit 0) instead of running until killed. --churn: open and close
// another connection around every frame, as the window's change survey and upload check do while
// its recorder holds one.
#include "base/localpath.h"
#include "history/core/historydatabase.h"
#include "history/core/loadrecorder.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = LocalPath::arguments(argc, argv);
    const qsizetype framesAt = args.indexOf(QStringLiteral("--frames"));
    const int limit = framesAt >= 0 ? args.value(framesAt + 1).toInt() : -1;
    const bool churn = args.contains(QStringLiteral("--churn"));
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-')) || (framesAt >= 0 && limit <= 0)) {
        std::fprintf(stderr, "usage: historyloop HISTORY-FILE [--frames N] [--churn]\n");
        return 2;
    }
    QString error;
    const auto db = HistoryDatabase::open(args.first(), &error);
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
            if (counter == limit)
                return recorder.endLoad(LoadResult::Finished, &error) ? 0 : 1;
            if (churn && !HistoryDatabase::open(args.first(), &error))
                break;
            FrameBitmap frame;
            frame.pixels.fill(char(counter));
            const QString name = QStringLiteral("%1-%2").arg(run).arg(counter);
            if (!recorder.frameStarting(SentFrame::of(counter % 256, name, QString(), frame), &error))
                break;
            QThread::msleep(3); // the frame's characters going out
            // Every fifth frame is stopped part way; the others end whole.
            const bool whole = counter % 5 != 4;
            if (whole) {
                std::printf("ending %s\n", qPrintable(name));
                std::fflush(stdout);
            }
            if (!recorder.frameEnded(whole ? FrameState::Complete : FrameState::CutShort, &error))
                break;
        }
        if (!error.isEmpty() || !recorder.endLoad(LoadResult::Finished, &error))
            break;
    }
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
}
