// Frame list files: what they keep through a round trip, and every line that refuses a file.
#include "core/localpath.h"
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
        const QByteArray text = "\xEF\xBB\xBF# a show\r\n\n0010\t/f/b.bmp\r\n  \n5\t/f/a.bmp\n0255\t../c.bmp";
        const auto entries = FrameListFile::parse(text, QStringLiteral("/lists/x"), QStringLiteral("L"));
        QVERIFY(entries);
        QCOMPARE(*entries, (Entries{{5, "/f/a.bmp"}, {10, "/f/b.bmp"}, {255, "/lists/c.bmp"}}));
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
        QTest::newRow("twice") << QByteArray("1\ta\n\n001\tb")
                               << "L: line 3: frame 0001 is given twice (first on line 1)";
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
