// The one thread where only the latest request counts: what an earlier or cancelled request still
// hands back never arrives, tasks are never dropped and go first, and the two ways of ending.
#include "base/latestwork.h"

#include <QTest>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace {

constexpr int WaitMs = 5000;

// A job that says it started, waits for the gate, then hands back its name: first before the
// gate, again after it.
LatestWork::Job gated(const QString &name, std::promise<void> *started, std::shared_future<void> gate,
                      QStringList *arrived, std::atomic<bool> *sawSuperseded)
{
    return [=](const LatestWork::Run &run) {
        run.post([arrived, name] { arrived->append(name + QStringLiteral(" before")); });
        started->set_value();
        gate.wait();
        *sawSuperseded = run.superseded();
        run.post([arrived, name] { arrived->append(name + QStringLiteral(" after")); });
    };
}

} // namespace

class TestLatestWork : public QObject
{
    Q_OBJECT

private slots:
    void whatArrives_data()
    {
        QTest::addColumn<QString>("then"); // what the window does while the first job waits
        QTest::addColumn<QStringList>("arrived");
        QTest::addColumn<bool>("firstSuperseded");
        QTest::newRow("nothing") << "" << QStringList{"first before", "first after"} << false;
        QTest::newRow("a later request") << "request" << QStringList{"second"} << true;
        QTest::newRow("cancelled") << "cancel" << QStringList{} << true;
        // The task goes before the waiting request and is never dropped, even from a superseded run.
        QTest::newRow("a task, then a request") << "task" << QStringList{"task", "second"} << true;
    }

    void whatArrives()
    {
        QFETCH(QString, then);
        QFETCH(QStringList, arrived);
        QFETCH(bool, firstSuperseded);

        LatestWork work(LatestWork::End::Join);
        QStringList got;
        std::promise<void> started;
        std::promise<void> release;
        std::atomic<bool> superseded{false};
        work.request(gated(QStringLiteral("first"), &started, release.get_future().share(), &got, &superseded));
        started.get_future().wait(); // its first post is on its way, not yet arrived: nothing ran our events
        const auto post = [&got](const QString &name) {
            return [&got, name](const LatestWork::Run &run) { run.post([&got, name] { got.append(name); }); };
        };
        if (then == QLatin1String("request")) {
            work.request(post(QStringLiteral("second")));
        } else if (then == QLatin1String("cancel")) {
            work.cancel();
        } else if (then == QLatin1String("task")) {
            work.request(post(QStringLiteral("second")));
            work.runTask(post(QStringLiteral("task")));
        }
        release.set_value();
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), arrived.size(), WaitMs);
        QTest::qWait(50); // nothing more comes
        QCOMPARE(got, arrived);
        QCOMPARE(superseded.load(), firstSuperseded);
    }

    void ending()
    {
        // Joined: the step under way ends, then what the thread closes itself, before the owner goes.
        std::promise<void> started;
        std::promise<void> release;
        std::atomic<bool> stepDone{false};
        std::thread::id endedOn;
        auto joined = std::make_unique<LatestWork>(LatestWork::End::Join, nullptr,
                                                   [&endedOn] { endedOn = std::this_thread::get_id(); });
        joined->request([&, gate = release.get_future().share()](const LatestWork::Run &) {
            started.set_value();
            gate.wait();
            stepDone = true;
        });
        started.get_future().wait();
        std::thread opener([&release] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            release.set_value();
        });
        joined.reset();
        QVERIFY(stepDone);
        QVERIFY(endedOn != std::thread::id() && endedOn != std::this_thread::get_id());
        opener.join();

        // Detached: the owner goes at once, the job finishes alone.
        auto detachedStarted = std::make_shared<std::promise<void>>();
        auto detachedRelease = std::make_shared<std::promise<void>>();
        auto finished = std::make_shared<std::promise<void>>();
        auto detached = std::make_unique<LatestWork>(LatestWork::End::Detach);
        detached->request([=, gate = detachedRelease->get_future().share()](const LatestWork::Run &run) {
            detachedStarted->set_value();
            gate.wait();
            run.post([] { QFAIL("a gone owner was handed work"); });
            finished->set_value();
        });
        detachedStarted->get_future().wait();
        detached.reset(); // would never return if it waited
        detachedRelease->set_value();
        QCOMPARE(finished->get_future().wait_for(std::chrono::milliseconds(WaitMs)), std::future_status::ready);
        QTest::qWait(20);
    }
};

QTEST_GUILESS_MAIN(TestLatestWork)
#include "tst_latestwork.moc"
