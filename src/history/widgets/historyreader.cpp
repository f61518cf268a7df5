#include "history/widgets/historyreader.h"

#include "history/widgets/slotdelegate.h"

#include "history/core/historydatabase.h"
#include "history/core/listdigest.h"
#include "history/core/loadhistory.h"

#include "base/threadcheck.h"
#include "frame/deviceview.h"

#include <QHash>

namespace {

// Pictures are handed over in batches: 256 single events would crowd the window's queue.
constexpr int Batch = 32;
// Distinct pictures kept made, a handful of devices' worth.
constexpr int MostKept = 2048;

} // namespace

struct HistoryReader::ReadRequest
{
    QString path;
    QString identity;
    QVector<UploadJob> list;
};

struct HistoryReader::State
{
    std::unique_ptr<HistoryDatabase> db;
    QString dbPath;
    QHash<QByteArray, QImage> made; // by the frame text's SHA-256

    // The connection to the file at path; opened again each time it could not be, so a file put
    // right is used at the next look.
    const HistoryDatabase *open(const QString &path, QString *error)
    {
        if (db && dbPath == path)
            return db.get();
        db.reset();
        made.clear();
        dbPath = path;
        db = HistoryDatabase::open(path, error);
        return db.get();
    }
};

HistoryReader::HistoryReader(QObject *parent)
    : QObject(parent)
    , m_state(std::make_shared<State>())
    // Joined, not left behind: its connection must close, on its thread, before the program's SQL
    // drivers go.
    , m_work(new LatestWork(LatestWork::End::Join, this, [state = m_state] { state->db.reset(); }))
{ }

void HistoryReader::read(const QString &path, const QString &identity, const QVector<UploadJob> &list)
{
    DRELIN_ASSERT_THREAD(this);
    m_work->request([this, state = m_state, request = ReadRequest{path, identity, list}](const LatestWork::Run &run) {
        readNow(run, this, *state, request);
    });
}

void HistoryReader::run(const QString &path, Task task, std::function<void(const QString &)> done)
{
    DRELIN_ASSERT_THREAD(this);
    m_work->runTask(
        [state = m_state, path, task = std::move(task), done = std::move(done)](const LatestWork::Run &run) {
            QString why;
            const bool wantsFile = !path.isNull();
            const HistoryDatabase *db = wantsFile ? state->open(path, &why) : nullptr;
            const QString error = task(db);
            run.post([done, error = error.isEmpty() && wantsFile && !db ? why : error] { done(error); });
        });
}

QImage HistoryReader::thumbnail(const FrameBitmap &frame)
{
    QImage image(reinterpret_cast<const uchar *>(frame.pixels.constData()), FrameBitmap::Width, FrameBitmap::Height,
                 FrameBitmap::Width, QImage::Format_Indexed8);
    QVector<QRgb> shown(FrameBitmap::PaletteSize);
    for (int e = 0; e < FrameBitmap::PaletteSize; ++e)
        shown[e] = DeviceView::shown(frame.palette[size_t(e)]);
    image.setColorTable(shown);
    return image.convertToFormat(QImage::Format_RGB32)
        .scaled(SlotDelegate::ThumbnailWidth, SlotDelegate::ThumbnailHeight, Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation);
}

void HistoryReader::readNow(const LatestWork::Run &run, HistoryReader *reader, State &state, const ReadRequest &request)
{
    const auto gone = [&run] { return run.superseded(); };
    const auto finish = [&run, reader] { run.post([reader] { emit reader->readDone(); }); };
    QString problem;
    QVector<DestinationRow> rows;
    const HistoryDatabase *db = state.open(request.path, &problem);
    std::optional<LoadHistory> history;
    if (db)
        history.emplace(*db);
    const auto destinations = history ? history->destinations(&problem) : std::nullopt;
    for (const Destination &destination : destinations.value_or(QVector<Destination>())) {
        DestinationRow row{destination, history->lastCompleteLoad(destination.identity, &problem), {}};
        const auto holdings = problem.isEmpty() ? history->holdings(destination.identity, &problem) : std::nullopt;
        if (!holdings)
            break;
        row.forgotten = holdings->forgotten;
        rows.append(row);
    }
    run.post([reader, problem, rows] { emit reader->destinationsRead(problem, rows); });
    if (!problem.isEmpty() || request.identity.isEmpty() || gone())
        return finish();

    const auto holdings = history->holdings(request.identity, &problem);
    if (!holdings) {
        run.post([reader, problem] { emit reader->destinationsRead(problem, {}); });
        return finish();
    }
    run.post(
        [reader, identity = request.identity, holdings = *holdings] { emit reader->holdingsRead(identity, holdings); });

    Thumbnails batch;
    const auto hand = [&] {
        if (!batch.isEmpty())
            run.post([reader, batch] { emit reader->thumbnailsMade(batch); });
        batch.clear();
    };
    for (int n = 0; n < DeviceHoldings::Slots && !gone(); ++n) {
        const QByteArray &sha = holdings->held[size_t(n)].sha256;
        if (sha.isEmpty())
            continue;
        auto known = state.made.constFind(sha);
        if (known == state.made.constEnd()) {
            // A picture the file lacks stays a placeholder: the rest are still worth showing.
            const auto frame = history->picture(sha);
            if (!frame)
                continue;
            if (state.made.size() >= MostKept)
                state.made.clear();
            known = state.made.insert(sha, thumbnail(*frame));
        }
        batch.append({n, *known});
        if (batch.size() == Batch)
            hand();
    }
    hand();
    if (gone())
        return;

    // The open list's files are read here, never on the window's thread.
    const QVector<FrameJob> digest = ListDigest::of(request.list);
    QHash<int, QByteArray> last; // the device keeps the entry sent last
    for (const FrameJob &job : digest)
        last.insert(job.number, job.sha256);
    QVector<int> differing;
    for (int n = 0; n < DeviceHoldings::Slots; ++n) {
        const SlotHolding &slot = holdings->held[size_t(n)];
        if (slot.state == SlotState::Complete && last.contains(n) && last.value(n) != slot.sha256)
            differing.append(n);
    }
    run.post([reader, differing] { emit reader->differingFound(differing); });
    finish();
}
