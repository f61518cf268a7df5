// The frame list: four-digit numbers, typed numbers, look-ups by number and selection, the next
// free number, sorting, and files that do not answer; the model checked by
// QAbstractItemModelTester throughout.
#include "bmpwriter.h"
#include "heldtimer.h"

#include "framelist/core/framelistmodel.h"
#include "framelist/core/framelookup.h"
#include "framelist/core/framenumber.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

QStringList texts(const FrameListModel &list)
{
    QStringList result;
    for (const FrameEntry &entry : list.entries())
        result << FrameNumber::FormatFrameNumber(entry.number);
    return result;
}

// Looks at files as LocalPath::stat does, but a look at a held file waits until it is let go, as
// one on a share whose server has gone does; on the window's thread it would wait for ever, so
// there it is only counted.
struct HeldLooks
{
    std::mutex lock;
    std::condition_variable wake;
    QSet<QString> held;
    QStringList waiting; // the held looks going on now
    int onWindowThread = 0;

    LocalPath::Info look(const QString &path)
    {
        std::unique_lock<std::mutex> guard(lock);
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            ++onWindowThread;
        } else if (held.contains(path)) {
            waiting << path;
            wake.wait(guard, [&] { return !held.contains(path); });
            waiting.removeOne(path);
        }
        guard.unlock();
        return LocalPath::stat(path);
    }
    void letGo(const QString &path)
    {
        const std::lock_guard<std::mutex> guard(lock);
        held.remove(path);
        wake.notify_all();
    }
    QStringList waitingNow()
    {
        const std::lock_guard<std::mutex> guard(lock);
        return waiting;
    }
};

} // namespace

class TestFrameList : public QObject
{
    Q_OBJECT

private slots:
    void fourDigitForm_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0000";
        QTest::newRow("7") << 7 << "0007";
        QTest::newRow("9") << 9 << "0009";
        QTest::newRow("10") << 10 << "0010";
        QTest::newRow("42") << 42 << "0042";
        QTest::newRow("99") << 99 << "0099";
        QTest::newRow("100") << 100 << "0100";
        QTest::newRow("255") << 255 << "0255";
        QTest::newRow("999") << 999 << "0999";
        QTest::newRow("1000 keeps the caller's text") << 1000 << "prev";
        QTest::newRow("1234 keeps the caller's text") << 1234 << "prev";
    }

    void fourDigitForm()
    {
        QFETCH(int, n);
        QFETCH(QString, text);
        QCOMPARE(FrameNumber::FormatFrameNumber(n, QStringLiteral("prev")), text);
    }

    void typedNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value"); // -1: refused
        QTest::newRow("7") << "7" << 7;
        QTest::newRow("007") << "007" << 7;
        QTest::newRow("7.0") << "7.0" << 7;
        QTest::newRow("blanks around") << "  7 " << 7;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("plus sign") << "+12" << 12;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("7.5") << "7.5" << -1;
        QTest::newRow("-1") << "-1" << -1;
        QTest::newRow("256") << "256" << -1;
        QTest::newRow("abc") << "abc" << -1;
        QTest::newRow("1 2 3") << "1 2 3" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("only blanks") << "   " << -1;
        QTest::newRow("hex") << "0x10" << -1;
        QTest::newRow("comma decimal") << "7,0" << -1;
        QTest::newRow("huge") << "1e400" << -1;
    }

    void typedNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(int, value);
        const auto parsed = FrameNumber::parseTyped(typed);
        QCOMPARE(parsed.has_value(), value >= 0);
        if (parsed)
            QCOMPARE(*parsed, value);
    }

    void nextFreeNumber_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("next");
        QTest::newRow("empty list") << QStringList() << "0000";
        QTest::newRow("one more than the last, not the first gap") << QStringList{"0003", "0010"} << "0011";
        QTest::newRow("last entry is not the highest") << QStringList{"0010", "0003"} << "0004";
        QTest::newRow("after 0255 offers 0256") << QStringList{"0255"} << "0256";
        QTest::newRow("after 0999 nothing") << QStringList{"0999"} << "";
    }

    void nextFreeNumber()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, next);
        FrameListModel list;
        for (const QString &text : entries)
            list.add(text.toInt(), QStringLiteral("/f/") + text);
        QCOMPARE(FrameNumber::nextFree(list), next);
    }

    void lookUps()
    {
        FrameListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QItemSelectionModel selection(&list);
        QCOMPARE(FrameLookup::FindFrame(list, 5), -1);
        QCOMPARE(FrameLookup::GetSelectedFramePath(list, &selection), QString());

        list.add(1, QStringLiteral("/f/a.bmp"));
        list.add(5, QStringLiteral("/f/b.bmp"));
        list.add(5, QStringLiteral("/f/c.bmp"));
        QCOMPARE(FrameLookup::FindFrame(list, 5), 2); // the first of two
        QVERIFY(!FrameLookup::IsSelectedFrame(list, &selection, 5));

        selection.select(list.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(FrameLookup::GetSelectedFramePath(list, &selection), QStringLiteral("/f/c.bmp"));
        QVERIFY(FrameLookup::IsSelectedFrame(list, &selection, 5));
        QVERIFY(!FrameLookup::IsSelectedFrame(list, &selection, 1));
        selection.select(list.index(0, 0), QItemSelectionModel::Select);
        QCOMPARE(FrameLookup::firstSelected(list, &selection), 1); // the first selected in list order
        QCOMPARE(FrameLookup::GetSelectedFramePath(list, &selection), QStringLiteral("/f/a.bmp"));
        // Only the first selected entry counts, not any selected one.
        QVERIFY(FrameLookup::IsSelectedFrame(list, &selection, 1));
        QVERIFY(!FrameLookup::IsSelectedFrame(list, &selection, 5));
    }

    void sortingPutsEntriesInNumberOrder()
    {
        FrameListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.add(12, QStringLiteral("/f/x.bmp"));
        list.add(3, QStringLiteral("/f/y.bmp"));
        list.add(7, QStringLiteral("/f/z.bmp"));
        QCOMPARE(texts(list), QStringList({"0012", "0003", "0007"})); // unsorted until switched on

        QPersistentModelIndex y = list.index(1, 1);
        list.setSorted(true);
        QCOMPARE(texts(list), QStringList({"0003", "0007", "0012"}));
        QCOMPARE(y.row(), 0); // selection and current item follow their entries
        QCOMPARE(y.data().toString(), QStringLiteral("/f/y.bmp"));

        // Once sorting is on, new entries take their sorted place; a changed text waits for the
        // next sort.
        QCOMPARE(list.add(5, QStringLiteral("/f/n.bmp")), 2);
        list.setNumber(1, 20);
        QCOMPARE(texts(list), QStringList({"0020", "0005", "0007", "0012"}));
        list.setSorted(true);
        QCOMPARE(texts(list), QStringList({"0005", "0007", "0012", "0020"}));

        list.remove(2);
        QCOMPARE(texts(list), QStringList({"0005", "0012", "0020"}));
        list.clear();
        QCOMPARE(list.count(), 0);
    }

    void editorCommitsGoToTheHandler()
    {
        FrameListModel list;
        list.add(3, QStringLiteral("/f/a.bmp"));
        QSignalSpy edited(&list, &FrameListModel::textEdited);
        QVERIFY(list.flags(list.index(0, 0)).testFlag(Qt::ItemIsEditable));
        QVERIFY(!list.flags(list.index(0, 1)).testFlag(Qt::ItemIsEditable));
        // The model does not take the typed text itself: the handler decides.
        QVERIFY(!list.setData(list.index(0, 0), QStringLiteral("12")));
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.first().at(0).toInt(), 1);
        QCOMPARE(edited.first().at(1).toString(), QStringLiteral("12"));
        QCOMPARE(list.entry(1).number, 3);
    }

    // A file whose look does not return holds up its own mark and nothing else: the list works on,
    // the other marks follow their files, a late look at a file no entry has any more is dropped,
    // and the list goes at once.
    void hungLookHoldsUpOnlyItsOwnMark()
    {
        QTemporaryDir dir;
        const QString gone = dir.filePath(QStringLiteral("share/gone.bmp"));
        const QString stuck = dir.filePath(QStringLiteral("share/stuck.bmp"));
        const QString good = dir.filePath(QStringLiteral("good.bmp"));
        QFile file(good);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(BmpWriter::standardFrame({qRgb(1, 2, 3)}, QByteArray(32768, 1)));
        file.close();
        auto looks = std::make_shared<HeldLooks>();
        looks->held = {gone, stuck};
        auto list =
            std::make_unique<FrameListModel>(nullptr, [looks](const QString &path) { return looks->look(path); });
        const auto check = [&](int position) {
            return list->index(position - 1, FrameListModel::CheckColumn).data().toString();
        };
        HeldTimer round(list->findChild<QTimer *>(QStringLiteral("diskLook")));

        list->add(1, gone);
        list->add(2, good);
        QTRY_COMPARE(looks->waitingNow(), QStringList{gone});
        QCOMPARE(looks->onWindowThread, 0);
        list->setNumber(2, 7);
        QCOMPARE(list->entry(2).number, 7);
        QCOMPARE(check(2), FrameListModel::checkingText()); // behind the hung look so far
        QVERIFY(round.fire() && round.fire()); // the second round finds the same look going
        QTRY_COMPARE(check(2), QStringLiteral("OK"));
        QVERIFY(QFile::resize(good, 100));
        QVERIFY(round.fire());
        QTRY_VERIFY2(check(2).contains(QStringLiteral("truncated")), qPrintable(check(2)));
        QCOMPARE(check(1), FrameListModel::checkingText());

        list->setPath(1, good);
        QVERIFY(check(1).contains(QStringLiteral("truncated"))); // known already
        list->add(3, stuck);
        QTRY_COMPARE(looks->waitingNow(), (QStringList{gone, stuck}));
        QSignalSpy told(list->findChild<FrameFileWatch *>(), &FrameFileWatch::looked);
        looks->letGo(gone);
        QTRY_VERIFY(std::any_of(told.cbegin(), told.cend(),
                                [&](const QList<QVariant> &said) { return said.first().toString() == gone; }));
        QVERIFY2(check(1).contains(QStringLiteral("truncated")), qPrintable(check(1)));
        QCOMPARE(check(3), FrameListModel::checkingText());

        list.reset();
        QCOMPARE(looks->waitingNow(), QStringList{stuck}); // gone without waiting for it
        looks->letGo(stuck);
        QTRY_VERIFY(looks->waitingNow().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFrameList)
#include "tst_framelist.moc"
