// Programs recording into the load history: killed at random moments, the file always opens whole
// and no frame shows complete that was not ended; several at once, none loses a frame.
#include "history/core/historydatabase.h"
#include "history/core/loadhistory.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

// The frames a run told it was ending: "ending NAME" lines ("\r\n" on Windows).
void collectEnded(const QByteArray &out, QSet<QString> &ended)
{
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("ending "))
            ended.insert(QString::fromLatin1(line.mid(7).trimmed()));
    }
}

// The frames the history in path shows complete, once it has opened and passed its integrity
// check; otherwise nothing, and what went wrong in *problem.
QSet<QString> shownComplete(const QString &path, QString *problem)
{
    const auto db = HistoryDatabase::open(path, problem);
    if (!db)
        return {};
    const auto check = db->value(QStringLiteral("PRAGMA integrity_check"), {}, problem);
    auto complete = db->run(
        QStringLiteral("SELECT s.name FROM frames f JOIN sources s ON s.id = f.source WHERE f.state = 1"), {}, problem);
    if (!check || !complete || check->toString() != QLatin1String("ok")) {
        *problem += QStringLiteral(" integrity check: %1").arg(check ? check->toString() : QString());
        return {};
    }
    QSet<QString> shown;
    while (complete->next())
        shown.insert(complete->value(0).toString());
    return shown;
}

} // namespace

class TestHistoryKill : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMoments()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        QSet<QString> ended;
        for (int kill = 0; kill < 50; ++kill) {
            QProcess loop;
            loop.start(QStringLiteral(HISTORYLOOP), {path});
            QVERIFY2(loop.waitForStarted(), qPrintable(loop.errorString()));
            // Killed after a random number of frames ended.
            const int frames = int(random.bounded(1, 40));
            QByteArray out;
            const QDeadlineTimer deadline(30000);
            while (out.count('\n') < frames && !deadline.hasExpired() && loop.state() == QProcess::Running) {
                loop.waitForReadyRead(int(deadline.remainingTime()));
                out += loop.readAllStandardOutput();
            }
            QVERIFY2(loop.state() == QProcess::Running, loop.readAllStandardError().constData());
            // Anywhere in the next frame or two: not always in the commit that follows the line.
            QThread::usleep(random.bounded(10000));
            loop.kill();
            QVERIFY(loop.waitForFinished(10000));
            out += loop.readAllStandardOutput();
            collectEnded(out, ended);

            QString problem;
            const QSet<QString> shown = shownComplete(path, &problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            for (const QString &name : shown)
                QVERIFY2(ended.contains(name), qPrintable(name));
            QVERIFY(shown.size() >= ended.size() - 1 - kill); // each kill may cut off one frame's end
            const auto db = HistoryDatabase::open(path);
            QVERIFY(db);
            const auto holdings = LoadHistory(*db).holdings(QStringLiteral("/dev/ttyUSB0"));
            QVERIFY(holdings);
            for (const SlotHolding &slot : holdings->held)
                QVERIFY(slot.state != SlotState::Complete || ended.contains(slot.name));
        }
    }

    // The window (its recorder's connection held, others opened and closed around every frame)
    // while drelin-upload runs start and end beside it, two at a time, all in one file: each run
    // ends well and every frame any of them ended shows complete, no more and no fewer.
    void writersAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        const auto loop = [&](QProcess &run, const char *frames, QStringList more = {}) {
            run.start(QStringLiteral(HISTORYLOOP), QStringList{path, QStringLiteral("--frames"), frames} + more);
        };
        const auto endedWell = [](QProcess &run) {
            return (run.state() == QProcess::NotRunning || run.waitForFinished(60000))
                && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
        };
        QProcess window;
        loop(window, "300", {QStringLiteral("--churn")});
        QSet<QString> ended;
        int runs = 0;
        const QDeadlineTimer deadline(120000);
        while (!window.waitForFinished(0) && window.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QProcess upload[2];
            for (QProcess &run : upload)
                loop(run, "8");
            for (QProcess &run : upload) {
                QVERIFY2(endedWell(run), run.readAllStandardError().constData());
                collectEnded(run.readAllStandardOutput(), ended);
                ++runs;
            }
        }
        QVERIFY2(endedWell(window), window.readAllStandardError().constData());
        collectEnded(window.readAllStandardOutput(), ended);
        QVERIFY(runs >= 2);

        QString problem;
        const QSet<QString> shown = shownComplete(path, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(shown.size(), ended.size());
        QCOMPARE(shown, ended);
        qInfo("%d frames ended by %d runs beside the window", int(ended.size()), runs);
    }
};

QTEST_GUILESS_MAIN(TestHistoryKill)
#include "tst_historykill.moc"
