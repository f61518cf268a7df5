// The frame list: four-digit numbers, typed numbers, look-ups by number and selection, the next
// free number, and sorting; the model checked by QAbstractItemModelTester throughout.
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framelookup.h"
#include "framelist/core/framenumber.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

namespace {

QStringList texts(const FrameListModel &list)
{
    QStringList result;
    for (const FrameEntry &entry : list.entries())
        result << entry.text;
    return result;
}

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
            list.add(text, QStringLiteral("/f/") + text);
        QCOMPARE(FrameNumber::nextFree(list), next);
    }

    void lookUps()
    {
        FrameListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QItemSelectionModel selection(&list);
        QCOMPARE(FrameLookup::FindFrame(list, QStringLiteral("0005")), -1);
        QCOMPARE(FrameLookup::GetSelectedFramePath(list, &selection), QString());

        list.add(QStringLiteral("0001"), QStringLiteral("/f/a.bmp"));
        list.add(QStringLiteral("0005"), QStringLiteral("/f/b.bmp"));
        list.add(QStringLiteral("0005"), QStringLiteral("/f/c.bmp"));
        QCOMPARE(FrameLookup::FindFrame(list, QStringLiteral("0005")), 2); // the first of two
        QCOMPARE(FrameLookup::FindFrame(list, QStringLiteral("5")), -1); // exact text only
        QVERIFY(!FrameLookup::IsSelectedFrame(list, &selection, QStringLiteral("0005")));

        selection.select(list.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(FrameLookup::GetSelectedFramePath(list, &selection), QStringLiteral("/f/c.bmp"));
        QVERIFY(FrameLookup::IsSelectedFrame(list, &selection, QStringLiteral("0005")));
        QVERIFY(!FrameLookup::IsSelectedFrame(list, &selection, QStringLiteral("0001")));
        selection.select(list.index(0, 0), QItemSelectionModel::Select);
        QCOMPARE(FrameLookup::firstSelected(list, &selection), 1); // the first selected in list order
        QCOMPARE(FrameLookup::GetSelectedFramePath(list, &selection), QStringLiteral("/f/a.bmp"));
        // Only the first selected entry counts, not any selected one.
        QVERIFY(FrameLookup::IsSelectedFrame(list, &selection, QStringLiteral("0001")));
        QVERIFY(!FrameLookup::IsSelectedFrame(list, &selection, QStringLiteral("0005")));
    }

    void sortingPutsEntriesInNumberOrder()
    {
        FrameListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.add(QStringLiteral("0012"), QStringLiteral("/f/x.bmp"));
        list.add(QStringLiteral("0003"), QStringLiteral("/f/y.bmp"));
        list.add(QStringLiteral("0007"), QStringLiteral("/f/z.bmp"));
        QCOMPARE(texts(list), QStringList({"0012", "0003", "0007"})); // unsorted until switched on

        QPersistentModelIndex y = list.index(1, 1);
        list.setSorted(true);
        QCOMPARE(texts(list), QStringList({"0003", "0007", "0012"}));
        QCOMPARE(y.row(), 0); // selection and current item follow their entries
        QCOMPARE(y.data().toString(), QStringLiteral("/f/y.bmp"));

        // Once sorting is on, new entries take their sorted place; a changed text waits for the
        // next sort.
        QCOMPARE(list.add(QStringLiteral("0005"), QStringLiteral("/f/n.bmp")), 2);
        list.setText(1, QStringLiteral("0020"));
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
        list.add(QStringLiteral("0003"), QStringLiteral("/f/a.bmp"));
        QSignalSpy edited(&list, &FrameListModel::textEdited);
        QVERIFY(list.flags(list.index(0, 0)).testFlag(Qt::ItemIsEditable));
        QVERIFY(!list.flags(list.index(0, 1)).testFlag(Qt::ItemIsEditable));
        // The model does not take the typed text itself: the handler decides.
        QVERIFY(!list.setData(list.index(0, 0), QStringLiteral("12")));
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.first().at(0).toInt(), 1);
        QCOMPARE(edited.first().at(1).toString(), QStringLiteral("12"));
        QCOMPARE(list.entry(1).text, QStringLiteral("0003"));
    }
};

QTEST_GUILESS_MAIN(TestFrameList)
#include "tst_framelist.moc"
