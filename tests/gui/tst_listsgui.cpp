// Frame lists in the window: open, save and save as with the caption's file name and modified
// mark, refused files that change nothing, a list file dropped on the list, and the list kept on
// every change and offered back in the next window.
#include "listwindow.h"

#include "framelist/core/framelistfile.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/widgets/framelistfiles.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>

namespace {

const QString Title = QStringLiteral(" - Drelin Image uploader");

using Rig = ListWindow;

} // namespace

class TestListsGui : public QObject
{
    Q_OBJECT

private slots:
    void saveOpenAndCaption()
    {
        Rig rig;
        QCOMPARE(rig.caption(), QStringLiteral("Drelin Image uploader"));
        rig.list()->add(4, rig.bitmap(QStringLiteral("a.bmp")));
        rig.list()->add(7, rig.bitmap(QStringLiteral("b c.bmp")));

        // Ctrl+S without a list file asks for a name; the suffix is added.
        rig.modals.queueFileAnswer(rig.dir.filePath(QStringLiteral("show")));
        QTest::keyClick(rig.window.get(), Qt::Key_S, Qt::ControlModifier);
        QFile saved(rig.dir.filePath(QStringLiteral("show.frames")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("0004\ta.bmp\n0007\tb c.bmp\n"));
        QCOMPARE(rig.caption(), QStringLiteral("show.frames") + Title);

        rig.list()->setNumber(2, 9);
        QCOMPARE(rig.caption(), QStringLiteral("show.frames*") + Title);
        rig.list()->setNumber(2, 7); // as saved again
        QCOMPARE(rig.caption(), QStringLiteral("show.frames") + Title);

        // A refused file tells its line and changes nothing.
        rig.writeList(QStringLiteral("bad.frames"), "0001\ta.bmp\n0300\tb c.bmp\n");
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        QVERIFY(!rig.files()->open(rig.dir.filePath(QStringLiteral("bad.frames"))));
        QCOMPARE(rig.modals.shown().last().text,
                 rig.dir.filePath(QStringLiteral("bad.frames")) + ": line 2: frame number 0300 is outside 0-255");
        QCOMPARE(rig.entries(), (QStringList{"0004=a.bmp", "0007=b c.bmp"}));
        QCOMPARE(rig.caption(), QStringLiteral("show.frames") + Title);

        // Opening over unsaved frames asks first; a missing bitmap stays in the list.
        rig.list()->remove(1);
        rig.writeList(QStringLiteral("other.frames"), "# two\n0200\tgone.bmp\n0002\ta.bmp\n");
        rig.modals.queueMessageAnswer(QMessageBox::No);
        QVERIFY(!rig.files()->open(rig.dir.filePath(QStringLiteral("other.frames"))));
        QCOMPARE(rig.entries(), QStringList{"0007=b c.bmp"});
        rig.modals.queueMessageAnswer(QMessageBox::Yes);
        QVERIFY(rig.files()->open(rig.dir.filePath(QStringLiteral("other.frames"))));
        QCOMPARE(rig.entries(), (QStringList{"0002=a.bmp", "0200=gone.bmp"}));
        QTRY_VERIFY(!rig.list()->entry(2).problem.isEmpty());
        QCOMPARE(rig.caption(), QStringLiteral("other.frames") + Title);
        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join(" / ")));

        // A folder that cannot be written: a clear message, and the list stays as it was.
        rig.modals.queueFileAnswer(rig.dir.filePath(QStringLiteral("no/such/folder/x.frames")));
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        rig.files()->saveAsAction()->trigger();
        QVERIFY(rig.modals.shown().last().text.startsWith(QStringLiteral("The list was not saved.")));
        QCOMPARE(rig.caption(), QStringLiteral("other.frames") + Title);
    }

    void droppedListOpens()
    {
        Rig rig;
        rig.bitmap(QStringLiteral("a.bmp"));
        rig.writeList(QStringLiteral("dropped.frames"), "0005\ta.bmp\n");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(rig.dir.filePath(QStringLiteral("dropped.frames")))});
        QWidget *viewport = rig.window->findChild<QTreeView *>(QStringLiteral("ListView1"))->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QTRY_COMPARE(rig.entries(), QStringList{"0005=a.bmp"});
        QCOMPARE(rig.caption(), QStringLiteral("dropped.frames") + Title);
    }

    // Each kind of change reaches the kept copy within a second; the next window starts empty and
    // offers it back.
    void keptOnEveryChange()
    {
        Rig rig;
        const QString kept = rig.files()->keptFile();
        const auto keptEntries = [&] {
            QStringList result;
            for (const auto &entry : FrameListFile::read(kept).value_or(QVector<FrameListFile::Entry>()))
                result << QStringLiteral("%1=%2").arg(entry.number).arg(QFileInfo(entry.path).fileName());
            return result;
        };
        const QString a = rig.bitmap(QStringLiteral("a.bmp"));
        const QString b = rig.bitmap(QStringLiteral("b.bmp"));
        rig.list()->add(1, a);
        QTRY_COMPARE_WITH_TIMEOUT(keptEntries(), QStringList{"1=a.bmp"}, 1000);
        rig.list()->add(2, b);
        QTRY_COMPARE_WITH_TIMEOUT(keptEntries(), (QStringList{"1=a.bmp", "2=b.bmp"}), 1000);
        rig.list()->setPath(1, b); // replaced
        QTRY_COMPARE_WITH_TIMEOUT(keptEntries(), (QStringList{"1=b.bmp", "2=b.bmp"}), 1000);
        rig.list()->setNumber(2, 40); // renumbered
        QTRY_COMPARE_WITH_TIMEOUT(keptEntries(), (QStringList{"1=b.bmp", "40=b.bmp"}), 1000);
        rig.list()->remove(1);
        QTRY_COMPARE_WITH_TIMEOUT(keptEntries(), QStringList{"40=b.bmp"}, 1000);
        rig.writeList(QStringLiteral("x.frames"), "0003\ta.bmp\n0004\ta.bmp\n");
        rig.modals.queueMessageAnswer(QMessageBox::Yes); // replace the unsaved frame
        QVERIFY(rig.files()->open(rig.dir.filePath(QStringLiteral("x.frames"))));
        QTRY_COMPARE_WITH_TIMEOUT(keptEntries(), (QStringList{"3=a.bmp", "4=a.bmp"}), 1000);
        // Emptied, the list before stays restorable.
        rig.list()->clear();
        rig.files()->keepNow();
        QCOMPARE(keptEntries(), (QStringList{"3=a.bmp", "4=a.bmp"}));

        QFile::remove(a); // moved away since
        rig.open();
        QCOMPARE(rig.list()->count(), 0);
        auto *hint = rig.window->findChild<QLabel *>(QStringLiteral("previousListHint"));
        QVERIFY(hint->isVisible());
        QVERIFY2(hint->text().contains(QStringLiteral("2 frames (00:00:44 on the line)")), qPrintable(hint->text()));
        QTest::keyClick(rig.window.get(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(rig.entries(), (QStringList{"0003=a.bmp", "0004=a.bmp"}));
        QTRY_VERIFY(!rig.list()->entry(1).problem.isEmpty()); // kept, and marked
        QVERIFY(!hint->isVisible());
        QCOMPARE(rig.caption(), QStringLiteral("x.frames") + Title); // the list file it came from, as saved
        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join(" / ")));
    }

    // A change made just before the window closes is kept, not left to the timer.
    void keptWhenClosedAtOnce()
    {
        Rig rig;
        rig.list()->add(9, rig.bitmap(QStringLiteral("a.bmp")));
        QVERIFY(rig.window->close());
        const auto kept = FrameListFile::read(rig.files()->keptFile());
        QVERIFY(kept && kept->size() == 1);
        QCOMPARE(kept->first().number, 9);
    }

    // The list outlives a process killed without a chance to clean up: the next window offers it.
    // No window (and its serial thread) runs here while the child is started: the thread
    // sanitizer loses track of the stack across the fork.
    void keptAfterAKill()
    {
        Rig rig(false);
        rig.bitmap(QStringLiteral("a.bmp"));
        const QString kept = rig.dir.filePath(QStringLiteral("data/previous.frames"));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DRELIN_KILLED_CHILD_DIR"), rig.dir.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("childKeepsAListUntilKilled")});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(FrameListFile::read(kept).has_value(), 20000);
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        rig.open();
        QVERIFY(rig.window->findChild<QLabel *>(QStringLiteral("previousListHint"))->isVisible());
        QTest::keyClick(rig.window.get(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(rig.entries(), (QStringList{"0001=a.bmp", "0002=a.bmp"}));
    }

    // Not a test of its own: keptAfterAKill runs it in a process that it kills.
    void childKeepsAListUntilKilled()
    {
        const QString dir = qEnvironmentVariable("DRELIN_KILLED_CHILD_DIR");
        if (dir.isEmpty())
            QSKIP("run by keptAfterAKill in a process of its own");
        TestSettings store;
        ScriptedModals modals;
        frmMain window(nullptr, nullptr, dir + QStringLiteral("/data/previous.frames"));
        window.frameList()->add(1, dir + QStringLiteral("/a.bmp"));
        window.frameList()->add(2, dir + QStringLiteral("/a.bmp"));
        QTest::qWait(60000); // the list is kept meanwhile; the test kills the process long before
        QFAIL("not killed");
    }
};

QTEST_MAIN(TestListsGui)
#include "tst_listsgui.moc"
