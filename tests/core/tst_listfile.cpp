// Frame list files: what they keep through a round trip, and every line that refuses a file.
#include "base/localpath.h"
#include "framelist/core/framelistfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Entries = QVector<FrameListFile::Entry>;

class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("written"); // the path as the file holds it
        QTest::newRow("beside the list") << "logo.bmp" << QByteArray("logo.bmp");
        QTest::newRow("below the list") << "sub dir/a b.bmp" << QByteArray("sub dir/a b.bmp");
        QTest::newRow("dots") << "..x/.hidden.v1.bmp" << QByteArray("..x/.hidden.v1.bmp");
        QTest::newRow("accents") << QStringLiteral("caf\u00e9/\u00e9t\u00e9.bmp")
                                 << QByteArray("caf\xC3\xA9/\xC3\xA9t\xC3\xA9.bmp");
        QTest::newRow("not UTF-8") << LocalPath::decode("x\xFF\xE9y.bmp") << QByteArray("x\\xFF\\xE9y.bmp");
        QTest::newRow("backslash and tab") << QStringLiteral("a\\b\tc.bmp") << QByteArray("a\\\\b\\tc.bmp");
        QTest::newRow("outside: absolute") << "/elsewhere/f.bmp" << QByteArray("/elsewhere/f.bmp");
    }

    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, written);
        QTemporaryDir dir;
        const QString path = name.startsWith(QLatin1Char('/')) ? name : dir.filePath(name);
        const Entries entries{{3, dir.filePath(QStringLiteral("first.bmp"))}, {200, path}};
        const QString file = dir.filePath(QStringLiteral("show.frames"));
        QString error;
        QVERIFY2(FrameListFile::write(file, entries, &error), qPrintable(error));
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), QByteArray("0003\tfirst.bmp\n0200\t" + written + "\n"));
        QCOMPARE(FrameListFile::read(file, &error).value_or(Entries()), entries);

        // The folder moves elsewhere with its list; the paths inside it follow.
        QTemporaryDir other;
        QVERIFY(QFile::copy(file, other.filePath(QStringLiteral("moved.frames"))));
        const auto moved = FrameListFile::read(other.filePath(QStringLiteral("moved.frames")));
        QVERIFY(moved);
        QCOMPARE(moved->at(0).path, other.filePath(QStringLiteral("first.bmp")));
    }

    void readsSortedSkippingComments()
    {
        // A number given twice is kept twice, in the file's order: the device keeps the later.
        const QByteArray text =
            "\xEF\xBB\xBF# a show\r\n\n0010\t/f/b.bmp\r\n  \n5\t/f/a.bmp\n0255\t../c.bmp\n10\t/f/0.bmp";
        const auto entries = FrameListFile::parse(text, QStringLiteral("/lists/x"), QStringLiteral("L"));
        QVERIFY(entries);
        QCOMPARE(*entries, (Entries{{5, "/f/a.bmp"}, {10, "/f/b.bmp"}, {10, "/f/0.bmp"}, {255, "/lists/c.bmp"}}));
    }

    // Saving a list again keeps what the file held besides its entries where it stood, and the
    // lines of entries that did not change as they were written.
    void keepsTheRestOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("entries"); // "number=name" in the list's order
        QTest::addColumn<QByteArray>("after");
        const QByteArray groups = "# Morning\n0001\ta.bmp\n0002\tb.bmp\n\n# Evening\n0010\tc.bmp\n";
        QTest::newRow("unchanged") << groups << QStringList{"1=a", "2=b", "10=c"} << groups;
        QTest::newRow("added within a group")
            << groups << QStringList{"1=a", "2=b", "3=e", "10=c"}
            << QByteArray("# Morning\n0001\ta.bmp\n0002\tb.bmp\n0003\te.bmp\n\n# Evening\n0010\tc.bmp\n");
        QTest::newRow("removed and renumbered")
            << groups << QStringList{"1=a", "12=c"} << QByteArray("# Morning\n0001\ta.bmp\n\n# Evening\n0012\tc.bmp\n");
        QTest::newRow("a new first entry stays below the heading")
            << QByteArray("# show\n\n0005\ta.bmp\n# end\n") << QStringList{"1=n", "5=a"}
            << QByteArray("# show\n\n0001\tn.bmp\n0005\ta.bmp\n# end\n");
        QTest::newRow("hand-written lines, line ends and mark kept")
            << QByteArray("\xEF\xBB\xBF 5\ta.bmp\r\n#x\r\n") << QStringList{"5=a", "6=b"}
            << QByteArray("\xEF\xBB\xBF 5\ta.bmp\r\n0006\tb.bmp\r\n#x\r\n");
    }

    void keepsTheRestOfTheFile()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, after);
        const QString folder = QStringLiteral("/lists");
        const auto contents = FrameListFile::parseContents(before, folder, QStringLiteral("L"));
        QVERIFY(contents);
        Entries now;
        for (const QString &entry : entries)
            now.append({entry.section('=', 0, 0).toInt(), folder + '/' + entry.section('=', 1) + ".bmp"});
        QCOMPARE(FrameListFile::format(now, folder, contents->layout), after);
        // In another folder the relative paths are written anew, not copied.
        const QByteArray moved = FrameListFile::format(now, QStringLiteral("/elsewhere"), contents->layout);
        QCOMPARE(FrameListFile::parse(moved, QStringLiteral("/elsewhere"), QStringLiteral("L")).value_or(Entries()),
                 now);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no tab") << QByteArray("0001 a.bmp") << "L: line 1: not a frame number, a TAB and a path";
        QTest::newRow("letters") << QByteArray("0000\tok.bmp\nx1\ta.bmp")
                                 << "L: line 2: not a frame number, a TAB and a path";
        QTest::newRow("negative") << QByteArray("-1\ta.bmp") << "L: line 1: not a frame number, a TAB and a path";
        QTest::newRow("no path") << QByteArray("0001\t") << "L: line 1: no path after the frame number";
        QTest::newRow("256") << QByteArray("0\tok\n0256\ta.bmp\n1\tb")
                             << "L: line 2: frame number 0256 is outside 0-255";
        QTest::newRow("long") << QByteArray("00001\ta.bmp") << "L: line 1: frame number 00001 is outside 0-255";
        QTest::newRow("NUL escape") << QByteArray("1\ta\\x00b.bmp")
                                    << "L: line 1: the path holds a NUL character, which no file name can";
        QTest::newRow("raw NUL") << QByteArray("1\tok\n2\ta\0b.bmp", 15)
                                 << "L: line 2: the path holds a NUL character, which no file name can";
        QTest::newRow("latin-1") << QByteArray("1\t\xE9.bmp") << "L: line 1: not UTF-8 text";
        QTest::newRow("bad escape") << QByteArray("1\ta\\q")
                                    << "L: line 1: a backslash that is not \\\\, \\t, \\n, \\r or \\xHH";
        QTest::newRow("short escape") << QByteArray("1\ta\\x4")
                                      << "L: line 1: a backslash that is not \\\\, \\t, \\n, \\r or \\xHH";
    }

    void refused()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!FrameListFile::parse(text, QStringLiteral("/"), QStringLiteral("L"), &error));
        QCOMPARE(error, message);
    }

    void unreadableOrUnwritable()
    {
        QTemporaryDir dir;
        QString error;
        const QString missing = dir.filePath(QStringLiteral("none.frames"));
        QVERIFY(!FrameListFile::read(missing, &error));
        QVERIFY2(error.startsWith(missing + QStringLiteral(": ")) && error.size() > missing.size() + 2,
                 qPrintable(error));
        const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/x.frames"));
        QVERIFY(!FrameListFile::write(unwritable, {{1, QStringLiteral("/a.bmp")}}, &error));
        QVERIFY2(error.startsWith(unwritable + QStringLiteral(": ")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
