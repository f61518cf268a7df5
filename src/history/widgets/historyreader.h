#pragma once

#include "history/core/destination.h"
#include "history/core/deviceholdings.h"
#include "history/core/loadinfo.h"

#include "upload/core/listupload.h"

#include "base/latestwork.h"

#include <QImage>
#include <QObject>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class HistoryDatabase;

// A destination as the window lists it: its last whole load and when it was last forgotten.
struct DestinationRow
{
    Destination destination;
    std::optional<LoadSummary> lastComplete;
    QDateTime forgotten; // invalid when never
};

// Reads the load history for the window on a thread of its own, with its own connection to the
// file, so a slow disk never holds the window. Only the latest read counts: one asked for
// meanwhile replaces it, and what the earlier one made is dropped on arrival. Tasks (forgetting a
// device, writing an export) are never dropped: they run in order before the next read.
class HistoryReader : public QObject
{
    Q_OBJECT
public:
    // Takes the connection to the file, on the reader's thread; null when it cannot be opened.
    using Task = std::function<QString(const HistoryDatabase *db)>;
    using Thumbnails = QVector<std::pair<int, QImage>>;

    // Its destruction waits for the step being worked on (one query, one picture), never for the rest.
    explicit HistoryReader(QObject *parent = nullptr);

    // The destinations in the history at path, and what `identity` holds (none when empty); then
    // the pictures it holds as the device shows them; then which of its complete slots differ from
    // `list` (each file read there).
    void read(const QString &path, const QString &identity, const QVector<UploadJob> &list);
    // Runs task on the file at path (none for a null path) before any later read; done gets its
    // error (empty when none), on this thread.
    void run(const QString &path, Task task, std::function<void(const QString &)> done);

    // The picture of a frame as the device shows it, at the grid's size.
    static QImage thumbnail(const FrameBitmap &frame);

signals:
    // The latest read's destinations (or problem: the file could not be opened or read).
    void destinationsRead(const QString &problem, const QVector<DestinationRow> &rows);
    void holdingsRead(const QString &identity, const DeviceHoldings &holdings);
    void thumbnailsMade(const HistoryReader::Thumbnails &made);
    void differingFound(const QVector<int> &numbers);
    // Everything the latest read asked for is made.
    void readDone();

private:
    struct State; // the reader's thread's alone
    struct ReadRequest;

    // On the reader's thread: what it hands back reaches `reader` on the window's thread.
    static void readNow(const LatestWork::Run &run, HistoryReader *reader, State &state, const ReadRequest &request);

    std::shared_ptr<State> m_state;
    LatestWork *m_work;
};
