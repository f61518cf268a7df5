#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

// One connection to the load history: an SQLite file of its own kind (its application id and
// schema version in the file's header), in write-ahead-log mode so a reader never waits for a
// writer and a kill at any moment loses no more than the transaction it was in.
//
// A connection belongs to the thread that opened it: each thread that records or reads opens
// its own. Other connections, in this process or another, may write the same file at the same
// time: a writer waits up to BusyTimeoutMs for another's short transaction to end.
class HistoryDatabase
{
public:
    // The schema this program writes. A file of a later version is left alone.
    static constexpr int SchemaVersion = 1;
    // "Drln" in the header's application id, so no other program's SQLite file is taken for one.
    static constexpr int ApplicationId = 0x44726C6E;
    static constexpr int BusyTimeoutMs = 5000;

    // The file in the user's data folder, the same for every program: drelin/history.sqlite in
    // ~/.local/share, %LOCALAPPDATA% on Windows.
    static QString defaultPath();
    // The file a given path names: the default when empty, made absolute. Callers that only look
    // test it for existence first, since opening makes the file.
    static QString pathOf(const QString &given);

    // Opens the history in path (the default when empty): makes the folders and a new file when
    // there is none, and the tables in an empty file. When the file cannot be used (not SQLite,
    // another program's, from a newer version, not writable, a folder that cannot be made):
    // nothing, with why in *error in words for the operator, and the file is left exactly as it
    // was; the caller carries on with the history off.
    static std::unique_ptr<HistoryDatabase> open(const QString &path = QString(), QString *error = nullptr);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase &) = delete;
    HistoryDatabase &operator=(const HistoryDatabase &) = delete;

    QString path() const { return m_path; }
    QSqlDatabase connection() const { return m_db; }

    // Runs sql with values bound in order: the query before its first row, or nothing with why.
    std::optional<QSqlQuery> run(const QString &sql, const QVariantList &values = {}, QString *error = nullptr) const;
    // The first column of the first row (an invalid value when there is none), or nothing with why.
    std::optional<QVariant> value(const QString &sql, const QVariantList &values = {}, QString *error = nullptr) const;
    // Like run, for a write the history may lose in a power cut without saying anything untrue (a
    // frame's end: it then shows as unknown): committed in order, but not waited for onto the
    // disk; the next write that is takes it along.
    bool runUnsynced(const QString &sql, const QVariantList &values, QString *error = nullptr) const;
    // work inside one write transaction, taken at once (BEGIN IMMEDIATE: a writer never finds
    // another writer between its read and its write), committed when work returns true.
    bool write(const std::function<bool(QString *)> &work, QString *error = nullptr) const;

    // Why the history could not be written or read, for the operator: "The load history FILE
    // could not be used: database or disk is full".
    QString failure(const QString &why) const;

private:
    HistoryDatabase(const QString &path, const QString &connectionName);
    bool prepare(QString *error);
    bool makeSchema(QString *error);

    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
};
