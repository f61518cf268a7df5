#include "history/widgets/historyreader.h"

#include "history/widgets/slotdelegate.h"

#include "history/core/historydatabase.h"
#include "history/core/listdigest.h"
#include "history/core/loadhistory.h"

#include "base/mailbox.h"
#include "base/threadcheck.h"
#include "frame/deviceview.h"

#include <QHash>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// Pictures are handed over in batches: 256 single events would crowd the window's queue.
constexpr int Batch = 32;
// Distinct pictures kept made, a handful of devices' worth.
constexpr int MostKept = 2048;

} // namespace

struct HistoryReader::ReadRequest
{
    int generation = 0;
    QString path;
    QString identity;
    QVector<UploadJob> list;
};

struct HistoryReader::Shared
{
    struct TaskRequest
    {
        QString path;
        Task task;
        std::function<void(const QString &)> done;
    };

    std::atomic<int> generation{0}; // the latest read's
    std::mutex lock;
    std::condition_variable wake;
    std::optional<ReadRequest> next; // under lock
    std::deque<TaskRequest> tasks; // under lock
    HistoryReader *owner = nullptr; // under lock; null once the reader has gone
    Mailbox *returns = nullptr; // under lock, as owner

    // The reader's thread alone.
    std::unique_ptr<HistoryDatabase> db;
    QString dbPath;
    QHash<QByteArray, QImage> made; // by the frame text's SHA-256

    void post(std::function<void(HistoryReader *)> work)
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (owner)
            returns->post([owner = owner, work = std::move(work)] { work(owner); });
    }

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
    , m_shared(std::make_shared<Shared>())
    , m_returns(new Mailbox(this))
{
    m_shared->owner = this;
    m_shared->returns = m_returns;
    m_thread = std::thread([shared = m_shared] { work(shared); });
}

HistoryReader::~HistoryReader()
{
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->owner = nullptr;
        m_shared->returns = nullptr;
    }
    ++m_shared->generation; // the read going on stops at its next step
    m_shared->wake.notify_all();
    // Joined, not left behind: its connection must close before the program's SQL drivers go.
    m_thread.join();
}

bool HistoryReader::superseded(int generation) const
{
    return m_shared->generation.load() != generation;
}

void HistoryReader::read(const QString &path, const QString &identity, const QVector<UploadJob> &list)
{
    DRELIN_ASSERT_THREAD(this);
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->next = ReadRequest{++m_shared->generation, path, identity, list};
    }
    m_shared->wake.notify_all();
}

void HistoryReader::run(const QString &path, Task task, std::function<void(const QString &)> done)
{
    DRELIN_ASSERT_THREAD(this);
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->tasks.push_back({path, std::move(task), std::move(done)});
    }
    m_shared->wake.notify_all();
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

void HistoryReader::work(const std::shared_ptr<Shared> &shared)
{
    for (;;) {
        std::optional<Shared::TaskRequest> task;
        std::optional<ReadRequest> request;
        {
            std::unique_lock<std::mutex> lock(shared->lock);
            shared->wake.wait(lock, [&shared] { return shared->next || !shared->tasks.empty() || !shared->owner; });
            if (!shared->owner)
                break;
            if (!shared->tasks.empty()) {
                task = std::move(shared->tasks.front());
                shared->tasks.pop_front();
            } else {
                request = std::move(shared->next);
                shared->next.reset();
            }
        }
        if (task) {
            QString why;
            const bool wantsFile = !task->path.isNull();
            const HistoryDatabase *db = wantsFile ? shared->open(task->path, &why) : nullptr;
            const QString error = task->task(db);
            shared->post([done = task->done,
                          error = error.isEmpty() && wantsFile && !db ? why : error](HistoryReader *) { done(error); });
        } else if (request) {
            readNow(shared, *request);
        }
    }
    shared->db.reset(); // on the thread that opened it
}

void HistoryReader::readNow(const std::shared_ptr<Shared> &shared, const ReadRequest &request)
{
    const int generation = request.generation;
    const auto gone = [&] { return shared->generation.load() != generation; };
    const auto finish = [&] {
        shared->post([generation](HistoryReader *reader) {
            if (!reader->superseded(generation))
                emit reader->readDone();
        });
    };
    QString problem;
    QVector<DestinationRow> rows;
    const HistoryDatabase *db = shared->open(request.path, &problem);
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
    shared->post([generation, problem, rows](HistoryReader *reader) {
        if (!reader->superseded(generation))
            emit reader->destinationsRead(problem, rows);
    });
    if (!problem.isEmpty() || request.identity.isEmpty() || gone())
        return finish();

    const auto holdings = history->holdings(request.identity, &problem);
    if (!holdings) {
        shared->post([generation, problem](HistoryReader *reader) {
            if (!reader->superseded(generation))
                emit reader->destinationsRead(problem, {});
        });
        return finish();
    }
    shared->post([generation, identity = request.identity, holdings = *holdings](HistoryReader *reader) {
        if (!reader->superseded(generation))
            emit reader->holdingsRead(identity, holdings);
    });

    Thumbnails batch;
    const auto hand = [&] {
        if (!batch.isEmpty())
            shared->post([generation, batch](HistoryReader *reader) {
                if (!reader->superseded(generation))
                    emit reader->thumbnailsMade(batch);
            });
        batch.clear();
    };
    for (int n = 0; n < DeviceHoldings::Slots && !gone(); ++n) {
        const QByteArray &sha = holdings->held[size_t(n)].sha256;
        if (sha.isEmpty())
            continue;
        auto known = shared->made.constFind(sha);
        if (known == shared->made.constEnd()) {
            // A picture the file lacks stays a placeholder: the rest are still worth showing.
            const auto frame = history->picture(sha);
            if (!frame)
                continue;
            if (shared->made.size() >= MostKept)
                shared->made.clear();
            known = shared->made.insert(sha, thumbnail(*frame));
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
    shared->post([generation, differing](HistoryReader *reader) {
        if (!reader->superseded(generation))
            emit reader->differingFound(differing);
    });
    finish();
}
