// The file and folder lists follow the shown folder on disk: files and subfolders that come and go
// show without leaving the folder, the operator's choice stays, and nothing is previewed for it.
#include "browserrig.h"

#include "browser/bitmapbrowser.h"
#include "browser/filelistbox.h"
#include "framelist/framelistmodel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// Every bitmap the tests write has a picture of its own size, so Image1 tells which it shows.
const QString Names = QStringLiteral("abcdez");
QSize sizeOf(const QString &name) { return pictureSize(int(Names.indexOf(name.at(0))) + 1); }

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
    QString shown; // the folder the window browses, holding a.bmp, c.bmp and e.bmp

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
        QVERIFY(browser()->openFolder(shown));
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
        QTest::newRow("bitmap copied in") << QStringList{"b.bmp"} << none << QStringList{"c.bmp", "e.bmp"} << "e.bmp"
                                          << QStringList{"a.bmp", "b.bmp", "c.bmp", "e.bmp"}
                                          << QStringList{"c.bmp", "e.bmp"} << "e.bmp";
        QTest::newRow("bitmap deleted") << none << QStringList{"c.bmp"} << QStringList{"a.bmp", "e.bmp"} << "e.bmp"
                                        << QStringList{"a.bmp", "e.bmp"} << QStringList{"a.bmp", "e.bmp"} << "e.bmp";
        QTest::newRow("selected and current deleted")
            << none << QStringList{"c.bmp"} << QStringList{"a.bmp", "c.bmp"} << "c.bmp"
            << QStringList{"a.bmp", "e.bmp"} << QStringList{"a.bmp"} << QString();
        QTest::newRow("renamed, first and last") << QStringList{"b.bmp", "z.bmp"} << QStringList{"a.bmp", "e.bmp"}
                                                 << QStringList{"c.bmp"} << "c.bmp"
                                                 << QStringList{"b.bmp", "c.bmp", "z.bmp"} << QStringList{"c.bmp"}
                                                 << "c.bmp";
        QTest::newRow("all gone, one new") << QStringList{"d.bmp"} << QStringList{"a.bmp", "c.bmp", "e.bmp"}
                                           << QStringList{"a.bmp"} << "a.bmp" << QStringList{"d.bmp"} << none
                                           << QString();
        QTest::newRow("only another kind of file") << QStringList{"notes.txt"} << none << QStringList{"c.bmp"}
                                                   << "c.bmp" << QStringList{"a.bmp", "c.bmp", "e.bmp"}
                                                   << QStringList{"c.bmp"} << "c.bmp";
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
        const int relists = files->relists();
        const int loads = browser()->previewLoads();
        const qint64 picture = rig->image1()->pixmap().cacheKey();

        for (const QString &name : added)
            QVERIFY(name.endsWith(QLatin1String(".bmp")) ? writePicture(at(name), sizeOf(name)) : writeFile(at(name), "x"));
        for (const QString &name : removed)
            QVERIFY(QFile::remove(at(name)));
        QTRY_VERIFY(files->relists() > relists);

        QCOMPARE(rows(files), listed);
        QCOMPARE(selectedNames(files), stillSelected);
        if (!stillCurrent.isEmpty())
            QCOMPARE(currentName(files), stillCurrent);
        QCOMPARE(browser()->previewLoads(), loads);
        QCOMPARE(rig->image1()->pixmap().cacheKey(), picture);
        QCOMPARE(boxes(rig->modals), QStringList());

        // The operator's next click previews as before.
        clickRow(files, files->model()->index(files->ListCount() - 1, 0));
        QCOMPARE(browser()->previewLoads(), loads + 1);
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
        QTest::newRow(">, a selected file deleted") << QByteArray("cmdCopy") << QStringList{"c.bmp", "e.bmp"}
                                                    << QStringList{"0000=e.bmp"};
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
            added << entry.text + QLatin1Char('=') + QFileInfo(entry.path).fileName();
        QCOMPARE(added, frames);
        QCOMPARE(rig->modals.shown().size(), 1); // the offset prompt only
        QCOMPARE(rig->modals.unexpected(), QStringList());
    }

    void burstListedOnce()
    {
        FileListBox *files = rig->files();
        const int count = 5000;
        choose({QStringLiteral("c.bmp")}, QStringLiteral("c.bmp"));
        files->setSettleTime(60 * 60 * 1000); // the burst stays unlisted until the sync below
        const int relists = files->relists();
        const int loads = browser()->previewLoads();

        for (int i = 0; i < count; ++i) {
            QVERIFY(writeFile(at(QStringLiteral("f%1.bmp").arg(i, 4, 10, QLatin1Char('0'))), "x"));
            if (i % 250 == 0)
                QCoreApplication::processEvents(); // the watch hears of the burst as it goes
        }
        QCoreApplication::processEvents();
        QCOMPARE(files->relists(), relists);
        QCOMPARE(files->ListCount(), 3);

        QElapsedTimer timer;
        timer.start();
        files->syncWithDisk();
        qInfo("Listing %d bitmaps copied in took %lld ms", count, timer.elapsed());

        QCOMPARE(files->relists(), relists + 1);
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
        timer.restart();
        files->syncWithDisk();
        qInfo("Listing %d bitmaps again after a small change took %lld ms", files->ListCount(), timer.elapsed());

        QCOMPARE(files->ListCount(), count + 3 - 100 + 1);
        QCOMPARE(files->indexAt(QPoint(0, 0)).data().toString(), top);
        QCOMPARE(selectedNames(files), QStringList{"c.bmp"});
        QCOMPARE(browser()->previewLoads(), loads);
        QCOMPARE(boxes(rig->modals), QStringList());
    }
};

QTEST_MAIN(TestFollowDisk)
#include "tst_followdisk.moc"
