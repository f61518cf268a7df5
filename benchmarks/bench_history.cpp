// The load history's costs, measured in one run: what a frame's recording adds to an upload, how
// long the changed set of a 256-frame list takes against a year-old history, and how large that
// history is after a year of daily full loads to ten devices, and how long the History window takes
// to read a device's 256 slots and make their pictures.
//
//   bench_history [folder]      (default: a temporary folder beside the current one)
//
// The year is simulated: the first day's loads are recorded as an upload records them, then
// copied day by day with their times moved on (each day's frames and loads as new rows), so the
// file holds a year of rows as the recorder writes them. Its second variant also gives five
// frames a new picture each day (flat shapes, as logos are) and stores those pictures too.
#include "frame/framebitmap.h"
#include "frame/framewriter.h"
#include "frame/wireformat.h"
#include "history/core/changedset.h"
#include "history/core/historydatabase.h"
#include "history/core/loadhistory.h"
#include "history/core/loadrecorder.h"
#include "history/widgets/historyreader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Frames = 256;
constexpr int Devices = 10;
constexpr int Days = 365;
constexpr qint64 DayMs = 24 * 3600 * 1000;

// A logo-like picture: a few flat rectangles of a few colours on a plain ground.
FrameBitmap picture(quint32 seed)
{
    QRandomGenerator random(seed);
    FrameBitmap frame;
    frame.pixels.fill(char(random.bounded(256)));
    for (int shape = 0; shape < 6; ++shape) {
        const int top = random.bounded(FrameBitmap::Height), left = random.bounded(FrameBitmap::Width);
        const int bottom = qMin(FrameBitmap::Height, top + random.bounded(10, 60));
        const int right = qMin(FrameBitmap::Width, left + random.bounded(10, 120));
        const char colour = char(random.bounded(256));
        for (int row = top; row < bottom; ++row)
            std::fill_n(frame.pixels.data() + row * FrameBitmap::Width + left, right - left, colour);
    }
    for (QRgb &entry : frame.palette)
        entry = 0xFF000000 | random.bounded(0x1000000);
    return frame;
}

Destination device(int i)
{
    return {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_%1-if00-port0").arg(i), Destination::Kind::Port,
            QStringLiteral("Com%1").arg(i + 1)};
}

// The value that `share` of the values do not pass (0.5: the median).
double quantile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[size_t(share * double(values.size() - 1))];
}

double median(const std::vector<double> &values)
{
    return quantile(values, 0.5);
}

bool fail(const QString &error)
{
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
}

// One full load of `frames` to `to`; the time each frame's recording took (start and end) into perFrame.
bool load(const HistoryDatabase &db, const Destination &to, const QVector<SentFrame> &frames, qint64 when,
          std::vector<double> *perFrame = nullptr)
{
    QString error;
    LoadRecorder recorder(db, to, [&when] { return when += 20000; });
    if (!recorder.beginLoad(
            LoadInfo{QStringLiteral("studio-3"), QStringLiteral("ana"), QStringLiteral("/lists/day.frames")}, &error))
        return fail(error);
    QElapsedTimer timer;
    for (const SentFrame &frame : frames) {
        timer.start();
        if (!recorder.frameStarting(frame, &error) || !recorder.frameEnded(FrameState::Complete, &error))
            return fail(error);
        if (perFrame)
            perFrame->push_back(timer.nsecsElapsed() / 1e6);
    }
    return recorder.endLoad(LoadResult::Finished, &error) || fail(error);
}

// Days 2 to 365 as copies of day 1 (loads first..last), each day's times a day later; with
// changedPerDay, that many frames of each day's loads get a picture of their own, stored too.
bool copyDays(const HistoryDatabase &db, qint64 firstLoad, qint64 lastLoad, int changedPerDay)
{
    QString error;
    for (int day = 1; day < Days; ++day) {
        const bool done = db.write(
            [&](QString *e) {
                const qint64 shift = day * DayMs;
                const qint64 loadShift = day * (lastLoad - firstLoad + 1);
                if (!db.run(QStringLiteral(
                                "INSERT INTO loads (destination, workstation, user, list_file, started, "
                                "ended, result) SELECT destination, workstation, user, list_file, "
                                "started + ?, ended + ?, result FROM loads WHERE id BETWEEN ? AND ? ORDER BY id"),
                            {shift, shift, firstLoad, lastLoad}, e)
                    || !db.run(QStringLiteral("INSERT INTO frames (load, number, bitmap, source, started, ended, "
                                              "state) SELECT load + ?, number, bitmap, source, started + ?, ended + "
                                              "?, state FROM frames WHERE load BETWEEN ? AND ? ORDER BY id"),
                               {loadShift, shift, shift, firstLoad, lastLoad}, e))
                    return false;
                for (int i = 0; i < changedPerDay; ++i) {
                    const int number = (day * 7 + i * 31) % Frames;
                    const FrameBitmap frame = picture(quint32(day * 1000 + i));
                    const auto bitmap = db.run(QStringLiteral("INSERT INTO bitmaps (sha256, bitmap) VALUES (?, ?)"),
                                               {WireFormat::frameSha256(number, QStringLiteral("logo"), frame),
                                                qCompress(FrameWriter::encode(frame))},
                                               e);
                    if (!bitmap
                        || !db.run(QStringLiteral("UPDATE frames SET bitmap = ? WHERE number = ? AND load BETWEEN ? "
                                                  "AND ?"),
                                   {bitmap->lastInsertId(), number, firstLoad + loadShift, lastLoad + loadShift}, e))
                        return false;
                }
                return true;
            },
            &error);
        if (!done)
            return fail(error);
    }
    // The slots point at the last day's frames, as the recorder leaves them.
    return bool(db.run(QStringLiteral("UPDATE slots SET frame = (SELECT max(f.id) FROM frames f JOIN loads l ON l.id "
                                      "= f.load WHERE l.destination = slots.destination AND f.number = "
                                      "slots.number)"),
                       {}, &error))
        || fail(error);
}

// A year of daily full loads to ten devices in a new file: its size in MB, and the changed set of
// the list against one device (holdings read and the set made) in ms.
bool year(const QString &path, const QVector<SentFrame> &frames, int changedPerDay, double *megabytes,
          double *changedSetMs)
{
    {
        const auto db = HistoryDatabase::open(path);
        if (!db || !db->run(QStringLiteral("PRAGMA synchronous=OFF"))) // the size does not depend on it
            return fail(QStringLiteral("cannot open %1").arg(path));
        for (int d = 0; d < Devices; ++d) {
            if (!load(*db, device(d), frames, 1'700'000'000'000 + d * 6'000'000))
                return false;
        }
        if (!copyDays(*db, 1, Devices, changedPerDay))
            return false;

        QVector<FrameJob> jobs;
        for (const SentFrame &frame : frames)
            jobs.append({frame.number, frame.sha256});
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            const auto holdings = LoadHistory(*db).holdings(device(3).identity);
            const ChangedSet set = holdings ? ChangedSet::of(jobs, *holdings) : ChangedSet{};
            times.push_back(timer.nsecsElapsed() / 1e6);
            if (!holdings)
                return fail(QStringLiteral("no holdings"));
        }
        *changedSetMs = median(times);
    } // closed: the log is folded into the file
    *megabytes = QFileInfo(path).size() / 1e6;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary(QStringLiteral("bench_history-XXXXXX"));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();

    QVector<FrameBitmap> pictures;
    for (int i = 0; i < Frames; ++i)
        pictures.append(picture(quint32(i)));

    // The list's frame texts and their SHA-256, as the changed set needs them before an upload.
    std::vector<double> shaTimes;
    QVector<SentFrame> frames;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        frames.clear();
        for (int i = 0; i < Frames; ++i)
            frames.append(SentFrame::of(i, QStringLiteral("logo%1").arg(i), QStringLiteral("/frames/logo%1.bmp").arg(i),
                                        pictures[i]));
        shaTimes.push_back(timer.nsecsElapsed() / 1e6);
    }

    // Recording as an upload does, each commit on the disk (synchronous=FULL): new frames (their
    // pictures compressed and stored) and the same frames again.
    // What the disk takes to sync one small commit, which a frame's recording waits for once.
    std::vector<double> firstTimes, againTimes, syncTimes;
    {
        const auto db = HistoryDatabase::open(folder + QStringLiteral("/recording.sqlite"));
        if (!db || !load(*db, device(0), frames, 1'700'000'000'000, &firstTimes)
            || !load(*db, device(0), frames, 1'700'100'000'000, &againTimes))
            return 1;
        for (int i = 0; i < 100; ++i) {
            QElapsedTimer timer;
            timer.start();
            db->run(QStringLiteral("UPDATE destinations SET label = ?"), {QString::number(i)});
            syncTimes.push_back(timer.nsecsElapsed() / 1e6);
        }
    }

    // The History window opening on that device: destinations, its 256 slots, 256 distinct pictures
    // made as the device shows them, on the reader's thread until the last is handed over.
    std::vector<double> windowTimes;
    for (int run = 0; run < 5; ++run) {
        HistoryReader reader;
        QEventLoop wait;
        QObject::connect(&reader, &HistoryReader::readDone, &wait, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        reader.read(folder + QStringLiteral("/recording.sqlite"), device(0).identity, {});
        wait.exec();
        windowTimes.push_back(timer.nsecsElapsed() / 1e6);
    }

    double sameMb = 0, sameChangedMs = 0, changedMb = 0, changedChangedMs = 0;
    if (!year(folder + QStringLiteral("/year-same.sqlite"), frames, 0, &sameMb, &sameChangedMs)
        || !year(folder + QStringLiteral("/year-five-a-day.sqlite"), frames, 5, &changedMb, &changedChangedMs))
        return 1;

    std::printf("history in %s\n", qPrintable(folder));
    std::printf("frame texts and SHA-256 of %d frames:             %8.1f ms (median of 5)\n", Frames, median(shaTimes));
    std::printf("changed set of %d frames, a year-old history:    %8.2f ms (holdings read and compared)\n", Frames,
                sameChangedMs);
    for (const auto &[what, times] : {std::pair{"new", &firstTimes}, std::pair{"known", &againTimes}}) {
        std::printf("recording a frame, picture %-5s:                 %8.2f ms median, %.2f ms at 95%%, %.2f ms "
                    "slowest\n",
                    what, median(*times), quantile(*times, 0.95), quantile(*times, 1.0));
    }
    std::printf("the History window's %d slots and pictures:        %8.1f ms median of 5, %.1f ms slowest\n", Frames,
                median(windowTimes), quantile(windowTimes, 1.0));
    std::printf("one synced commit on this disk:                   %8.2f ms median\n", median(syncTimes));
    std::printf("a year of daily full loads to %d devices:          %8.1f MB (%d frames sent)\n", Devices, sameMb,
                Frames * Devices * Days);
    std::printf("the same with 5 new pictures a day:               %8.1f MB (changed set %.2f ms)\n", changedMb,
                changedChangedMs);
    return 0;
}
