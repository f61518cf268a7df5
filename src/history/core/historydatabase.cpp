#include "history/core/historydatabase.h"

#include "base/localpath.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QStandardPaths>
#include <QThread>

#include <atomic>

namespace {

const QString Driver = QStringLiteral("QSQLITE");

// Times are milliseconds since 1970 (UTC); frame states and load results are those of
// historytypes.h. `slots` holds, for each destination and number, the frame sent there last, so
// what a device holds is 256 look-ups however long the history grows; `forgotten` marks every
// frame up to last_frame as no longer known. A bitmap is kept once for each distinct frame text
// (its SHA-256), compressed. Frames have no index but their id: a year of daily loads to ten devices
// is a million of them, and an index by load would add a third to the file for no look-up the
// history makes.
const char *const Schema[] = {
    "CREATE TABLE destinations (id INTEGER PRIMARY KEY, identity TEXT NOT NULL UNIQUE, kind TEXT NOT NULL,"
    " label TEXT NOT NULL)",
    "CREATE TABLE loads (id INTEGER PRIMARY KEY, destination INTEGER NOT NULL REFERENCES destinations(id),"
    " workstation TEXT NOT NULL, user TEXT NOT NULL, list_file TEXT NOT NULL, started INTEGER NOT NULL,"
    " ended INTEGER, result TEXT)",
    "CREATE INDEX loads_by_destination ON loads(destination, result)",
    "CREATE TABLE bitmaps (id INTEGER PRIMARY KEY, sha256 BLOB NOT NULL UNIQUE, bitmap BLOB NOT NULL)",
    "CREATE TABLE sources (id INTEGER PRIMARY KEY, name TEXT NOT NULL, path TEXT NOT NULL, UNIQUE (path, name))",
    "CREATE TABLE frames (id INTEGER PRIMARY KEY, load INTEGER NOT NULL REFERENCES loads(id),"
    " number INTEGER NOT NULL CHECK (number BETWEEN 0 AND 255), bitmap INTEGER NOT NULL REFERENCES bitmaps(id),"
    " source INTEGER NOT NULL REFERENCES sources(id), started INTEGER NOT NULL, ended INTEGER,"
    " state INTEGER NOT NULL)",
    "CREATE TABLE slots (destination INTEGER NOT NULL REFERENCES destinations(id), number INTEGER NOT NULL,"
    " frame INTEGER NOT NULL REFERENCES frames(id), PRIMARY KEY (destination, number)) WITHOUT ROWID",
    "CREATE TABLE forgotten (id INTEGER PRIMARY KEY, destination INTEGER NOT NULL REFERENCES destinations(id),"
    " at INTEGER NOT NULL, last_frame INTEGER NOT NULL)",
};

// SQLite's own words, made into what the operator can do about them.
QString explain(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (text.contains(QLatin1String("readonly")))
        return QStringLiteral("it cannot be written (the file or its folder is read-only for this user)");
    if (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy")))
        return QStringLiteral("another program kept it locked for more than %1 s")
            .arg(HistoryDatabase::BusyTimeoutMs / 1000);
    if (text.contains(QLatin1String("not a database")))
        return QStringLiteral("it is not an SQLite database; it is left as it is");
    return text;
}

// The file as an SQLite URI, its name byte for byte (a name that is not UTF-8 stays itself).
QString uriOf(const QString &path)
{
    const QString slashed = QDir::fromNativeSeparators(path);
    const QByteArray bytes = LocalPath::encode(slashed).toPercentEncoding("/:");
    return QStringLiteral("file://") + (slashed.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"))
        + QString::fromLatin1(bytes);
}

} // namespace

QString HistoryDatabase::defaultPath()
{
    // One folder for the window and the command-line programs alike, whatever each is called:
    // ~/.local/share/drelin, %LOCALAPPDATA%\drelin.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/drelin/history.sqlite");
}

HistoryDatabase::HistoryDatabase(const QString &path, const QString &connectionName)
    : m_path(path)
    , m_name(connectionName)
{ }

HistoryDatabase::~HistoryDatabase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

QString HistoryDatabase::pathOf(const QString &given)
{
    return QFileInfo(given.isEmpty() ? defaultPath() : given).absoluteFilePath();
}

std::unique_ptr<HistoryDatabase> HistoryDatabase::open(const QString &given, QString *error)
{
    const QString path = pathOf(given);
    const auto refuse = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("The load history %1 cannot be used: %2.").arg(path, why);
        return nullptr;
    };
    QString reason;
    if (!LocalPath::makeFolders(QFileInfo(path).absolutePath(), &reason))
        return refuse(QStringLiteral("its folder cannot be made (%1)").arg(reason));
    const LocalPath::Info info = LocalPath::stat(path);
    if (info.exists && !info.isFile)
        return refuse(QStringLiteral("it is not a file"));
    // An empty file becomes a history; anything else must already be SQLite's, which SQLite itself
    // tells at the first read, writing nothing. Never through a descriptor of our own: closing it
    // would drop the locks this process's other connections hold on the file (they are the
    // process's, not the descriptor's), and another program closing its last connection would then
    // take the write-ahead log from under them.
    if (!QSqlDatabase::isDriverAvailable(Driver))
        return refuse(QStringLiteral("Qt's SQLite driver (QSQLITE) is not installed"));

    static std::atomic<int> connections{0};
    std::unique_ptr<HistoryDatabase> db(
        new HistoryDatabase(path, QStringLiteral("drelin-history-%1").arg(++connections)));
    if (!db->prepare(&reason))
        return refuse(reason);
    return db;
}

bool HistoryDatabase::prepare(QString *error)
{
    m_db = QSqlDatabase::addDatabase(Driver, m_name);
    m_db.setDatabaseName(uriOf(m_path));
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!m_db.open()) {
        *error = explain(m_db.lastError());
        return false;
    }
    // The header is read before anything is written, so a file that is not ours stays untouched;
    // in one statement, so a program making the file at the same moment is seen before or after
    // it did, never half-way.
    QString why;
    auto header = run(QStringLiteral("SELECT (SELECT application_id FROM pragma_application_id), (SELECT "
                                     "user_version FROM pragma_user_version), (SELECT count(*) FROM sqlite_master)"),
                      {}, &why);
    if (!header || !header->next()) {
        *error = why;
        return false;
    }
    const QVariant applicationId = header->value(0);
    const QVariant version = header->value(1);
    const QVariant tables = header->value(2);
    header->finish();
    const bool ours = applicationId.toInt() == ApplicationId;
    if (!ours && (applicationId.toInt() != 0 || tables.toInt() > 0)) {
        *error = QStringLiteral("it is another program's SQLite database; it is left as it is");
        return false;
    }
    if (version.toInt() > SchemaVersion) {
        *error = QStringLiteral("it was written by a newer version of this program (history version %1; this one "
                                "knows %2); it is left as it is")
                     .arg(version.toInt())
                     .arg(SchemaVersion);
        return false;
    }
    // A new file turns to the log while no one else has it open: a program opening it at the
    // same moment leaves it as it was, and SQLite answers with the old mode; asked again, as a
    // writer would wait.
    std::optional<QVariant> mode;
    const QDeadlineTimer deadline(BusyTimeoutMs);
    do {
        mode = value(QStringLiteral("PRAGMA journal_mode=WAL"), {}, &why);
        if (mode && mode->toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
            break;
        QThread::msleep(10);
    } while (!deadline.hasExpired());
    if (!mode || mode->toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        *error = mode ? QStringLiteral("it cannot be written ahead in a log (%1)").arg(mode->toString()) : why;
        return false;
    }
    // FULL: the mark that a frame is in flight must be on the disk before its first character
    // leaves. With NORMAL a power cut could take back the last commits, and the history would
    // show the frame before it as complete in a slot the device got half a frame in. A commit
    // then waits for the disk, a few milliseconds against a frame's 22 seconds; the marks whose
    // loss tells nothing untrue are written without waiting (runUnsynced).
    if (!run(QStringLiteral("PRAGMA synchronous=FULL"), {}, error)
        || !run(QStringLiteral("PRAGMA foreign_keys=ON"), {}, error))
        return false;
    // Making the tables writes; an existing history is written once to learn that it can be.
    return makeSchema(error);
}

bool HistoryDatabase::makeSchema(QString *error)
{
    return write(
        [this](QString *why) {
            // Another connection may have made them since the header was read.
            const auto version = value(QStringLiteral("PRAGMA user_version"), {}, why);
            if (!version)
                return false;
            if (version->toInt() == SchemaVersion)
                return true;
            for (const char *statement : Schema) {
                if (!run(QString::fromLatin1(statement), {}, why))
                    return false;
            }
            return run(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId), {}, why)
                && run(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion), {}, why);
        },
        error);
}

std::optional<QSqlQuery> HistoryDatabase::run(const QString &sql, const QVariantList &values, QString *error) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    ok = ok && query.exec();
    if (ok)
        return query;
    if (error)
        *error = explain(query.lastError());
    return std::nullopt;
}

std::optional<QVariant> HistoryDatabase::value(const QString &sql, const QVariantList &values, QString *error) const
{
    auto query = run(sql, values, error);
    if (!query)
        return std::nullopt;
    const QVariant first = query->next() ? query->value(0) : QVariant();
    query->finish();
    return first;
}

bool HistoryDatabase::runUnsynced(const QString &sql, const QVariantList &values, QString *error) const
{
    if (!run(QStringLiteral("PRAGMA synchronous=NORMAL"), {}, error))
        return false;
    const bool done = bool(run(sql, values, error));
    return run(QStringLiteral("PRAGMA synchronous=FULL"), {}, error) && done;
}

bool HistoryDatabase::write(const std::function<bool(QString *)> &work, QString *error) const
{
    if (!run(QStringLiteral("BEGIN IMMEDIATE"), {}, error))
        return false;
    if (work(error) && run(QStringLiteral("COMMIT"), {}, error))
        return true;
    run(QStringLiteral("ROLLBACK"));
    return false;
}

QString HistoryDatabase::failure(const QString &why) const
{
    return QStringLiteral("The load history %1 could not be used: %2.").arg(m_path, why);
}
