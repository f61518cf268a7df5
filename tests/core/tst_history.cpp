// The load history: what a device needs after the loads recorded, the files it refuses and leaves
// alone, two writers at once, and the identities of destinations.
#include "asuser.h"

#include "frame/wireformat.h"
#include "history/core/changedset.h"
#include "history/core/destinationidentity.h"
#include "history/core/historydatabase.h"
#include "history/core/loadhistory.h"
#include "history/core/loadrecorder.h"
#include "network/core/deviceaddress.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <optional>
#include <thread>

Q_DECLARE_METATYPE(QList<PortDetails>)

namespace {

// A picture of its own for each seed.
FrameBitmap pictureNumber(int seed)
{
    FrameBitmap frame;
    for (int i = 0; i < FrameBitmap::PixelCount; ++i)
        frame.pixels[i] = char((i / 97 + seed * 31) & 0xFF);
    frame.palette[1] = qRgb(seed, 128, 255 - seed);
    return frame;
}

// "7=logo" is frame 7 named logo; "7=logo*" the same with its picture edited.
SentFrame frameOf(const QString &token)
{
    const int equals = int(token.indexOf(QLatin1Char('=')));
    QString name = token.mid(equals + 1).section(QLatin1Char(':'), 0, 0);
    const bool edited = name.endsWith(QLatin1Char('*'));
    name.remove(QLatin1Char('*'));
    return SentFrame::of(token.left(equals).toInt(), name, QStringLiteral("/frames/%1.bmp").arg(name),
                         pictureNumber(edited ? 2 : 1));
}

const Destination Device{QStringLiteral("/dev/serial/by-id/usb-FTDI_A1-if00-port0"), Destination::Kind::Port,
                         QStringLiteral("Com5")};
const Destination Other{QStringLiteral("tcp://10.0.0.5:4001"), Destination::Kind::Server,
                        QStringLiteral("tcp://10.0.0.5:4001")};

// Plays a history: loads separated by "|", each of frames "N=name:how" (how: done, cut, failed,
// flight: a kill left it going), "forget" for the device forgotten, "@other" for loads to
// another destination from there on.
QString record(const HistoryDatabase &db, const QString &script)
{
    static const QMap<QString, FrameState> Ends = {{QStringLiteral("done"), FrameState::Complete},
                                                   {QStringLiteral("cut"), FrameState::CutShort},
                                                   {QStringLiteral("failed"), FrameState::Failed}};
    QString error;
    Destination to = Device;
    qint64 clock = 1'700'000'000'000;
    for (QString load : script.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        if (load.trimmed().startsWith(QLatin1String("@other"))) {
            to = Other;
            load = load.trimmed().mid(6);
        }
        LoadRecorder recorder(db, to, [&] { return clock += 1000; });
        bool begun = false;
        for (const QString &token : load.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (token == QLatin1String("forget")) {
                if (!LoadHistory(db, [&] { return clock += 1000; }).forget(to.identity, &error))
                    return error;
                continue;
            }
            if (!begun
                && !recorder.beginLoad(LoadInfo{QStringLiteral("desk"), QStringLiteral("ana"), QString()}, &error))
                return error;
            begun = true;
            const QString how = token.section(QLatin1Char(':'), 1);
            if (!recorder.frameStarting(frameOf(token), &error))
                return error;
            if (how == QLatin1String("flight"))
                break; // the load is killed here
            if (!recorder.frameEnded(Ends.value(how), &error))
                return error;
        }
    }
    return QString();
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toHex()) : QStringLiteral("(unread)");
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString freshPath() { return m_dir.filePath(QStringLiteral("history-%1.sqlite").arg(++m_files)); }

private slots:
    void changedSet_data()
    {
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *history, const char *list, const char *sent,
                            const char *reason = "") {
            QTest::newRow(name) << QString::fromLatin1(history) << QString::fromLatin1(list)
                                << QString::fromLatin1(sent) << QString::fromLatin1(reason);
        };
        row("never loaded", "", "1=a 2=b", "1=a 2=b", "no load");
        row("only another destination loaded", "@other 1=a:done", "1=a", "1=a", "no load");
        row("complete and the same", "1=a:done 2=b:done", "1=a 2=b", "");
        row("complete, picture edited", "1=a:done 2=b:done", "1=a 2=b*", "2=b*");
        row("renamed file", "1=a:done", "1=renamed", "1=renamed");
        row("moved to another number", "1=a:done", "2=a", "2=a");
        row("cut short", "1=a:done 2=b:cut", "1=a 2=b", "2=b");
        row("failed", "1=a:done 2=b:failed", "1=a 2=b", "2=b");
        row("in flight at a kill", "1=a:done 2=b:flight", "1=a 2=b 3=c", "2=b 3=c");
        row("forgotten", "1=a:done 2=b:done forget", "1=a 2=b", "1=a 2=b", "forgotten");
        row("loaded again after forgetting", "1=a:done 2=b:done forget | 1=a:done", "1=a 2=b", "2=b");
        row("several loads, the latest wins", "1=a:done 2=b:done | 1=c:done", "1=c 2=b", "");
        row("an older load does not count", "1=a:done | 1=c:done", "1=a", "1=a");
        row("complete, then cut short", "1=a:done | 1=a:cut", "1=a", "1=a");
        row("a number twice, the last held", "1=b:done", "1=a 1=b", "");
        row("a number twice, the last differs", "1=a:done", "1=a 1=b", "1=b");
    }

    void changedSet()
    {
        QFETCH(QString, history);
        QFETCH(QString, list);
        QFETCH(QString, sent);
        QFETCH(QString, reason);
        QString error;
        const auto db = HistoryDatabase::open(freshPath(), &error);
        QVERIFY2(db, qPrintable(error));
        const QString failed = record(*db, history);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const auto holdings = LoadHistory(*db).holdings(Device.identity, &error);
        QVERIFY2(holdings, qPrintable(error));

        const QStringList tokens = list.split(QLatin1Char(' '));
        QVector<FrameJob> jobs;
        for (const QString &token : tokens) {
            const SentFrame frame = frameOf(token);
            jobs.append({frame.number, frame.sha256});
        }
        const ChangedSet set = ChangedSet::of(jobs, *holdings);
        QStringList got;
        for (const int position : set.positions)
            got << tokens.at(position);
        QCOMPARE(got.join(QLatin1Char(' ')), sent);
        QVERIFY2(reason.isEmpty() ? set.reason.isEmpty() : set.reason.contains(reason), qPrintable(set.reason));
    }

    // What the slots show besides the changed set: states, the picture kept, who loaded it.
    void holdingsTellWhatAndWho()
    {
        const auto db = HistoryDatabase::open(freshPath());
        QVERIFY(db);
        QCOMPARE(record(*db, QStringLiteral("3=logo:done 4=sky:cut")), QString());
        LoadHistory history(*db);
        const auto holdings = history.holdings(Device.identity);
        QVERIFY(holdings);
        const SlotHolding &logo = holdings->held[3];
        QCOMPARE(int(logo.state), int(SlotState::Complete));
        QCOMPARE(logo.name, QStringLiteral("logo"));
        QCOMPARE(logo.sourcePath, QStringLiteral("/frames/logo.bmp"));
        QCOMPARE(logo.user, QStringLiteral("ana"));
        QCOMPARE(logo.loaded.toMSecsSinceEpoch(), 1'700'000'003'000); // when it ended
        QCOMPARE(int(holdings->held[4].state), int(SlotState::Unknown));
        QCOMPARE(int(holdings->held[4].recorded), int(FrameState::CutShort));
        QCOMPARE(int(holdings->held[5].state), int(SlotState::Empty));
        const auto picture = history.picture(logo.sha256);
        QVERIFY(picture);
        QCOMPARE(picture->pixels, pictureNumber(1).pixels);
        QCOMPARE(picture->palette, pictureNumber(1).palette);
        // That load was not ended: no complete load yet.
        QString error;
        QVERIFY(!history.lastCompleteLoad(Device.identity, &error) && error.isEmpty());
        LoadRecorder recorder(*db, Device, [] { return qint64(1'800'000'000'000); });
        QVERIFY(
            recorder.beginLoad(LoadInfo{QStringLiteral("desk 2"), QStringLiteral("bo"), QStringLiteral("a.frames")}));
        QVERIFY(recorder.endLoad(LoadResult::Finished));
        const auto last = history.lastCompleteLoad(Device.identity);
        QVERIFY(last);
        QCOMPARE(last->info.workstation, QStringLiteral("desk 2"));
        QCOMPARE(last->ended.toMSecsSinceEpoch(), 1'800'000'000'000);
        QCOMPARE(history.destinations()->size(), 1);
        QVERIFY(!history.forget(Other.identity, &error));
        QVERIFY(error.contains(QLatin1String("nothing to forget")));
    }

    void databaseFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("says"); // empty: it opens
        const auto row = [](const char *name, const char *fault, const char *says) {
            QTest::newRow(name) << QString::fromLatin1(fault) << QString::fromLatin1(says);
        };
        row("not SQLite", "text", "not an SQLite database");
        row("another program's SQLite", "foreign", "another program's");
        row("newer version", "newer", "newer version");
        row("read-only", "read-only", "read-only");
        row("a folder in its place", "folder", "not a file");
        row("missing folders are made", "missing folder", "");
        row("an empty file becomes a history", "empty", "");
    }

    void databaseFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(
            dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        QString path = dir.filePath(QStringLiteral("history.sqlite"));
        QFile file(path);
        if (fault == QLatin1String("text") || fault == QLatin1String("empty")) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(fault == QLatin1String("text") ? "0001\tlogo.bmp\n" : "");
            file.close();
        } else if (fault == QLatin1String("foreign")) {
            {
                auto sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
                sql.setDatabaseName(path);
                QVERIFY(sql.open());
                QVERIFY(QSqlQuery(sql).exec(QStringLiteral("CREATE TABLE orders (id INTEGER)")));
            }
            QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        } else if (fault == QLatin1String("newer") || fault == QLatin1String("read-only")) {
            const auto db = HistoryDatabase::open(path);
            QVERIFY(db);
            if (fault == QLatin1String("newer"))
                QVERIFY(db->run(QStringLiteral("PRAGMA user_version = 2")));
        } else if (fault == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(path));
        } else if (fault == QLatin1String("missing folder")) {
            path = dir.filePath(QStringLiteral("new/deeper/history.sqlite"));
        }
        const QString before = readAll(path);
        const bool readOnly = fault == QLatin1String("read-only");
        if (readOnly)
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
        QString error;
        std::unique_ptr<HistoryDatabase> db;
        {
            // Root writes what is read-only: the file is tried as an unprivileged user.
            std::optional<AsUser> nobody;
            if (readOnly && AsUser::possible())
                nobody.emplace();
            QFile probe(path);
            if (readOnly && probe.open(QIODevice::ReadWrite))
                QSKIP("this user writes read-only files here (root, and no other user to be)");
            db = HistoryDatabase::open(path, &error);
            db.reset(); // closed as the user who opened it
        }
        if (says.isEmpty()) {
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QVERIFY(QFileInfo(path).isFile());
            QVERIFY(HistoryDatabase::open(path));
            return;
        }
        QVERIFY(!db);
        QVERIFY2(error.contains(says) && error.contains(path), qPrintable(error));
        QCOMPARE(readAll(path), before);
    }

    // Programs started together on a history no one has made yet: each finds it whole, never
    // half-made, however their openings interleave.
    void newFileOpenedAtOnce()
    {
        for (int round = 0; round < 30; ++round) {
            const QString path = freshPath();
            std::atomic<int> ready{0};
            std::atomic<int> failures{0};
            const auto opener = [&] {
                ++ready;
                while (ready.load() < 3)
                    std::this_thread::yield();
                QString why;
                if (!HistoryDatabase::open(path, &why)) {
                    qWarning("%s", qPrintable(why));
                    ++failures;
                }
            };
            std::thread a(opener), b(opener), c(opener);
            a.join();
            b.join();
            c.join();
            QCOMPARE(failures.load(), 0);
        }
    }

    // Two connections, as the window and drelin-upload would be, recording into one file at once.
    void twoWritersAtOnce()
    {
        const QString path = freshPath();
        QVERIFY(HistoryDatabase::open(path));
        constexpr int Frames = 60;
        std::atomic<int> ready{0};
        std::atomic<int> failures{0};
        const auto writer = [&](const Destination &to) {
            const auto db = HistoryDatabase::open(path);
            ++ready;
            while (ready.load() < 2) // both begin together
                std::this_thread::yield();
            if (!db) {
                ++failures;
                return;
            }
            LoadRecorder recorder(*db, to);
            bool ok = recorder.beginLoad(LoadInfo::here());
            for (int i = 0; ok && i < Frames; ++i) {
                // The same frames from both sides: the bitmaps and sources they share are made once.
                ok = recorder.frameStarting(frameOf(QStringLiteral("%1=f%2").arg(i).arg(i % 7)))
                    && recorder.frameEnded(FrameState::Complete);
            }
            if (!ok || !recorder.endLoad(LoadResult::Finished))
                ++failures;
        };
        std::thread first(writer, Device);
        std::thread second(writer, Other);
        first.join();
        second.join();
        QCOMPARE(failures.load(), 0);

        const auto db = HistoryDatabase::open(path);
        QVERIFY(db);
        for (const Destination &to : {Device, Other}) {
            const auto holdings = LoadHistory(*db).holdings(to.identity);
            QVERIFY(holdings);
            for (int i = 0; i < DeviceHoldings::Slots; ++i)
                QCOMPARE(int(holdings->held[size_t(i)].state),
                         int(i < Frames ? SlotState::Complete : SlotState::Empty));
        }
        QCOMPARE(db->value(QStringLiteral("SELECT count(*) FROM bitmaps"))->toInt(), Frames);
    }

    void identities_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<PortDetails>>("ports");
        QTest::addColumn<QString>("identity");
        const PortDetails ftdi{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R"), QStringLiteral("FTDI"),
                               QStringLiteral("A1B2"), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00")};
        const PortDetails com12{QStringLiteral("\\\\.\\COM12"), QString(), QString(), QStringLiteral("X9"), QString()};
        const PortDetails com3{QStringLiteral("COM3"), QString(), QString(), QString(), QString()};
        QTest::newRow("adapter by its by-id name") << "/dev/ttyUSB0" << QList{ftdi} << ftdi.byIdPath;
        QTest::newRow("the by-id name itself") << ftdi.byIdPath << QList{ftdi} << ftdi.byIdPath;
        QTest::newRow("not an adapter: the path") << "/dev/pts/7" << QList{ftdi} << "/dev/pts/7";
        QTest::newRow("COM port with a serial number") << "\\\\.\\com12" << QList{com3, com12} << "COM12 (serial X9)";
        QTest::newRow("COM port without one") << "com3" << QList{com3, com12} << "COM3";
        QTest::newRow("raw device server")
            << "tcp://Server.Example:4001" << QList<PortDetails>{} << "tcp://server.example:4001";
        QTest::newRow("RFC 2217 device server")
            << "rfc2217://[::1]:7000" << QList<PortDetails>{} << "rfc2217://[::1]:7000";
    }

    void identities()
    {
        QFETCH(QString, text);
        QFETCH(QList<PortDetails>, ports);
        QFETCH(QString, identity);
        const auto address = DeviceAddress::parse(text);
        QVERIFY(address);
        const Destination found = address->isNetwork() ? DestinationIdentity::server(*address)
                                                       : DestinationIdentity::port(address->path(), ports);
        QCOMPARE(found.identity, identity);
        QCOMPARE(found.label, text);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
