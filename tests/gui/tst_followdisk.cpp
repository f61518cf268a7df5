// The file and folder lists follow the shown folder on disk: files and subfolders that come and go
// show without leaving the folder, the operator's choice stays, and nothing is previewed for it.
#include "browserrig.h"

#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/filelistbox.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidgetItem>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Every bitmap the tests write has a picture of its own size, so Image1 tells which it shows.
const QString Names = QStringLiteral("abcdez");
QSize sizeOf(const QString &name)
{
    return pictureSize(int(Names.indexOf(name.at(0))) + 1);
}

QStringList selectedNames(const FileListBox *files)
{
    QStringList names;
    for (int i = 0; i < files->ListCount(); ++i) {
        if (files->Selected(i))
            names << files->List(i);
    }
    return names;
}

QString currentName(const FileListBox *files)
{
    return files->ListIndex() < 0 ? QString() : files->List(files->ListIndex());
}

} // namespace

class TestFollowDisk : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;
    QString shown; // the folder the window browses: a.bmp, c.bmp and e.bmp, subfolders logos and stills
    int chain = 0; // Dir1's rows from the root down to the shown folder

    BitmapBrowser *browser() const { return rig->window.browser(); }
    QString at(const QString &name) const { return shown + QLatin1Char('/') + name; }

    void choose(const QStringList &selected, const QString &current)
    {
        FileListBox *files = rig->files();
        files->selectionModel()->setCurrentIndex(files->model()->index(int(rows(files).indexOf(current)), 0),
                                                 QItemSelectionModel::NoUpdate);
        files->clearSelection();
        for (const QString &name : selected)
            files->setSelected(int(rows(files).indexOf(name)), true);
    }

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig->window));
        shown = rig->folder(QStringLiteral("shown"));
        for (const QString &name : {QStringLiteral("a.bmp"), QStringLiteral("c.bmp"), QStringLiteral("e.bmp")})
            QVERIFY(writePicture(at(name), sizeOf(name)));
        QVERIFY(QDir(shown).mkdir(QStringLiteral("logos")) && QDir(shown).mkdir(QStringLiteral("stills")));
        QVERIFY(browser()->openFolder(shown));
        chain = rig->dir()->currentRow() + 1;
        QCOMPARE(rig->image1()->pixmap().size(), sizeOf(QStringLiteral("a.bmp")));
        rig->modals.clear();
    }

    void cleanup() { rig.reset(); }

    void filesFollowDisk_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("stillSelected");
        QTest::addColumn<QString>("stillCurrent"); // empty: the current file went, any row may be current

        const QStringList none;
        QTest::newRow("bitmap copied in")
            << QStringList{"b.bmp"} << none << QStringList{"c.bmp", "e.bmp"} << "e.bmp"
            << QStringList{"a.bmp", "b.bmp", "c.bmp", "e.bmp"} << QStringList{"c.bmp", "e.bmp"} << "e.bmp";
        QTest::newRow("bitmap deleted") << none << QStringList{"c.bmp"} << QStringList{"a.bmp", "e.bmp"} << "e.bmp"
                                        << QStringList{"a.bmp", "e.bmp"} << QStringList{"a.bmp", "e.bmp"} << "e.bmp";
        QTest::newRow("selected and current deleted")
            << none << QStringList{"c.bmp"} << QStringList{"a.bmp", "c.bmp"} << "c.bmp" << QStringList{"a.bmp", "e.bmp"}
            << QStringList{"a.bmp"} << QString();
        QTest::newRow("renamed, first and last")
            << QStringList{"b.bmp", "z.bmp"} << QStringList{"a.bmp", "e.bmp"} << QStringList{"c.bmp"} << "c.bmp"
            << QStringList{"b.bmp", "c.bmp", "z.bmp"} << QStringList{"c.bmp"} << "c.bmp";
        QTest::newRow("all gone, one new")
            << QStringList{"d.bmp"} << QStringList{"a.bmp", "c.bmp", "e.bmp"} << QStringList{"a.bmp"} << "a.bmp"
            << QStringList{"d.bmp"} << none << QString();
        QTest::newRow("only another kind of file")
            << QStringList{"notes.txt"} << none << QStringList{"c.bmp"} << "c.bmp"
            << QStringList{"a.bmp", "c.bmp", "e.bmp"} << QStringList{"c.bmp"} << "c.bmp";
    }

    void filesFollowDisk()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, selected);
        QFETCH(QString, current);
        QFETCH(QStringList, listed);
        QFETCH(QStringList, stillSelected);
        QFETCH(QString, stillCurrent);
        FileListBox *files = rig->files();
        choose(selected, current);
        QSignalSpy relists(files, &FileListBox::relisted);
        QSignalSpy reads(browser(), &BitmapBrowser::previewRead);
        const qint64 picture = rig->image1()->pixmap().cacheKey();

        for (const QString &name : added)
            QVERIFY(name.endsWith(QLatin1String(".bmp")) ? writePicture(at(name), sizeOf(name))
                                                         : writeFile(at(name), "x"));
        for (const QString &name : removed)
            QVERIFY(QFile::remove(at(name)));
        QTRY_VERIFY(!relists.isEmpty());

        QCOMPARE(rows(files), listed);
        QCOMPARE(selectedNames(files), stillSelected);
        if (!stillCurrent.isEmpty())
            QCOMPARE(currentName(files), stillCurrent);
        QCOMPARE(reads.count(), 0);
        QCOMPARE(rig->image1()->pixmap().cacheKey(), picture);
        QCOMPARE(boxes(rig->modals), QStringList());

        // The operator's next click previews as before.
        clickRow(files, files->model()->index(files->ListCount() - 1, 0));
        QCOMPARE(reads.count(), 1);
        QCOMPARE(rig->image1()->pixmap().size(), sizeOf(listed.last()));
        QCOMPARE(boxes(rig->modals), QStringList());
    }

    void addsWhatIsOnDisk_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("frames");

        QTest::newRow(">>, all") << QByteArray("cmdCopyAll") << QStringList()
                                 << QStringList{"0000=a.bmp", "0001=b.bmp", "0002=e.bmp"};
        QTest::newRow(">, a selected file deleted")
            << QByteArray("cmdCopy") << QStringList{"c.bmp", "e.bmp"} << QStringList{"0000=e.bmp"};
    }

    void addsWhatIsOnDisk()
    {
        QFETCH(QByteArray, button);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, frames);
        choose(selected, QStringLiteral("a.bmp"));
        // Pressed before the list hears of the change.
        rig->files()->setSettleTime(60 * 60 * 1000);
        QVERIFY(writePicture(at(QStringLiteral("b.bmp")), sizeOf(QStringLiteral("b.bmp"))));
        QVERIFY(QFile::remove(at(QStringLiteral("c.bmp"))));
        rig->modals.queueInputAnswer(QStringLiteral("0")); // "Ofset:"

        QTest::mouseClick(rig->get<QPushButton>(button.constData()), Qt::LeftButton);

        QStringList added;
        for (const FrameEntry &entry : rig->window.frameList()->entries())
            added << FrameNumber::FormatFrameNumber(entry.number) + QLatin1Char('=') + QFileInfo(entry.path).fileName();
        QCOMPARE(added, frames);
        QCOMPARE(rig->modals.shown().size(), 1); // the offset prompt only
        QCOMPARE(rig->modals.unexpected(), QStringList());
    }

    void subfoldersFollowDisk_data()
    {
        QTest::addColumn<QString>("highlighted"); // empty: the shown folder's own row
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("subfolders");

        const QStringList none;
        QTest::newRow("made") << QString() << QStringList{"new"} << none << QStringList{"logos", "new", "stills"};
        QTest::newRow("made above the highlighted one, and a hidden one")
            << "stills" << QStringList{"archive", ".cache"} << none << QStringList{"archive", "logos", "stills"};
        QTest::newRow("removed") << "logos" << none << QStringList{"stills"} << QStringList{"logos"};
        QTest::newRow("highlighted one removed") << "stills" << none << QStringList{"stills"} << QStringList{"logos"};
    }

    void subfoldersFollowDisk()
    {
        QFETCH(QString, highlighted);
        QFETCH(QStringList, made);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, subfolders);
        DirListBox *dir = rig->dir();
        if (!highlighted.isEmpty())
            dir->setCurrentItem(dir->findItems(highlighted, Qt::MatchExactly).value(0));
        const QString current = dir->currentItem()->text();
        const QStringList files = rows(rig->files());
        QSignalSpy reads(browser(), &BitmapBrowser::previewRead);

        for (const QString &name : made)
            QVERIFY(QDir(shown).mkdir(name));
        for (const QString &name : removed)
            QVERIFY(QDir(shown).rmdir(name));

        QTRY_COMPARE(rows(dir).mid(chain), subfolders);
        // A highlighted folder that went leaves the shown folder's own row current.
        QCOMPARE(dir->currentItem()->text(), removed.contains(current) ? QStringLiteral("shown") : current);
        QCOMPARE(dir->path(), shown);
        QCOMPARE(rows(rig->files()), files);
        QCOMPARE(reads.count(), 0);
        QCOMPARE(boxes(rig->modals), QStringList());
    }

    void shownFolderGone_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("toParent");
        QTest::addColumn<QStringList>("subfolders"); // of the folder shown afterwards
        QTest::addColumn<QStringList>("files");

        QTest::newRow("deleted") << "deleted" << true << QStringList() << QStringList{"top.bmp"};
        QTest::newRow("renamed") << "renamed" << true << QStringList{"moved"} << QStringList{"top.bmp"};
        QTest::newRow("made anew") << "made anew" << false << QStringList() << QStringList{"d.bmp"};
    }

    void shownFolderGone()
    {
        QFETCH(QString, how);
        QFETCH(bool, toParent);
        QFETCH(QStringList, subfolders);
        QFETCH(QStringList, files);
        const QString parent = rig->root.path();
        QVERIFY(writePicture(parent + QStringLiteral("/top.bmp"), sizeOf(QStringLiteral("a.bmp"))));
        QSignalSpy reads(browser(), &BitmapBrowser::previewRead);
        const qint64 picture = rig->image1()->pixmap().cacheKey();

        if (how == QLatin1String("renamed")) {
            QVERIFY(QDir(parent).rename(QStringLiteral("shown"), QStringLiteral("moved")));
        } else {
            QVERIFY(QDir(shown).removeRecursively());
            if (how == QLatin1String("made anew")) {
                QVERIFY(QDir(parent).mkdir(QStringLiteral("shown")));
                QVERIFY(writePicture(at(QStringLiteral("d.bmp")), sizeOf(QStringLiteral("d.bmp"))));
            }
        }

        const QString now = toParent ? parent : shown;
        QTRY_COMPARE(rig->dir()->path(), now);
        QTRY_COMPARE(rows(rig->files()), files);
        QCOMPARE(rig->files()->path(), now);
        QCOMPARE(rows(rig->dir()).mid(rig->dir()->currentRow() + 1), subfolders);
        QCOMPARE(reads.count(), 0);
        QCOMPARE(rig->image1()->pixmap().cacheKey(), picture);
        QCOMPARE(boxes(rig->modals), QStringList());

        // The lists follow the folder they show now.
        QVERIFY(writePicture(now + QStringLiteral("/z.bmp"), sizeOf(QStringLiteral("z.bmp"))));
        QVERIFY(QDir(now).mkdir(QStringLiteral("later")));
        files << QStringLiteral("z.bmp");
        QTRY_COMPARE(rows(rig->files()), files);
        QTRY_VERIFY(rows(rig->dir()).contains(QStringLiteral("later")));
    }

    void burstListedOnce()
    {
        FileListBox *files = rig->files();
        const int count = 5000;
        choose({QStringLiteral("c.bmp")}, QStringLiteral("c.bmp"));
        files->setSettleTime(60 * 60 * 1000); // the burst stays unlisted until the sync below
        QSignalSpy relists(files, &FileListBox::relisted);
        QSignalSpy reads(browser(), &BitmapBrowser::previewRead);

        for (int i = 0; i < count; ++i) {
            QVERIFY(writeFile(at(QStringLiteral("f%1.bmp").arg(i, 4, 10, QLatin1Char('0'))), "x"));
            if (i % 250 == 0)
                QCoreApplication::processEvents(); // the watch hears of the burst as it goes
        }
        QCoreApplication::processEvents();
        QCOMPARE(relists.count(), 0);
        QCOMPARE(files->ListCount(), 3);

        files->syncWithDisk(); // bench_listing measures how fast

        QCOMPARE(relists.count(), 1);
        QCOMPARE(files->ListCount(), count + 3);
        QCOMPARE(files->List(count + 2), QStringLiteral("f4999.bmp"));
        QCOMPARE(selectedNames(files), QStringList{"c.bmp"});
        QCOMPARE(currentName(files), QStringLiteral("c.bmp"));

        // A small change in a long list keeps the name at the top of the view there.
        const QModelIndex middle = files->model()->index(2500, 0);
        files->scrollTo(middle, QAbstractItemView::PositionAtTop);
        const QString top = files->indexAt(QPoint(0, 0)).data().toString();
        QCOMPARE(top, middle.data().toString());
        for (int i = 0; i < 100; ++i)
            QVERIFY(QFile::remove(at(QStringLiteral("f%1.bmp").arg(i, 4, 10, QLatin1Char('0')))));
        QVERIFY(writePicture(at(QStringLiteral("b.bmp")), sizeOf(QStringLiteral("b.bmp"))));
        files->syncWithDisk();

        QCOMPARE(files->ListCount(), count + 3 - 100 + 1);
        QCOMPARE(files->indexAt(QPoint(0, 0)).data().toString(), top);
        QCOMPARE(selectedNames(files), QStringList{"c.bmp"});
        QCOMPARE(reads.count(), 0);
        QCOMPARE(boxes(rig->modals), QStringList());
    }
};

QTEST_MAIN(TestFollowDisk)
#include "tst_followdisk.moc"
