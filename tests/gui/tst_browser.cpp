// The bitmap browser of the main window: which names the file list shows and in what order, the
// preview on opening a folder and on a click, unreadable files and folders, drives that are not
// ready, frame-list previews, and a folder of thousands of bitmaps.
#include "bmpwriter.h"
#include "browserrig.h"

#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/drivelistbox.h"
#include "browser/widgets/filelistbox.h"
#include "framelist/core/framelistmodel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidgetItem>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

const QSize StartSize(17, 9);

} // namespace

class TestBrowser : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;
    QString start; // the folder the window browses when a test begins

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig->window));
        start = rig->folder(QStringLiteral("start"));
        QVERIFY(writePicture(start + QStringLiteral("/start.bmp"), StartSize));
        QVERIFY(rig->window.browser()->openFolder(start));
        QCOMPARE(rig->image1()->pixmap().size(), StartSize);
        rig->modals.clear(); // whatever the working folder held at construction
    }

    void cleanup() { rig.reset(); }

    void openFolderListsAndPreviews_data()
    {
        QTest::addColumn<QStringList>("pictures"); // written in this order, picture n sized pictureSize(n)
        QTest::addColumn<QStringList>("others"); // files that are not bitmaps
        QTest::addColumn<QStringList>("subfolders");
        QTest::addColumn<QStringList>("expected");

        const QStringList none;
        QTest::newRow("extension in any case, case-blind order")
            << QStringList{"c.Bmp", "a.BMP", "B.bmp"} << none << none << QStringList{"a.BMP", "B.bmp", "c.Bmp"};
        QTest::newRow("capitals do not sort first")
            << QStringList{"Zeta.bmp", "gamma.BMP", "Beta.bmp", "alpha.bmp"} << none << none
            << QStringList{"alpha.bmp", "Beta.bmp", "gamma.BMP", "Zeta.bmp"};
        QTest::newRow("other names left out")
            << QStringList{"k.bmp"} << QStringList{"notes.txt", "x.bmp.txt", "bmp", "k.bmpx"} << none
            << QStringList{"k.bmp"};
        QTest::newRow("folder named as a bitmap left out")
            << QStringList{"z.bmp"} << none << QStringList{"folder.bmp"} << QStringList{"z.bmp"};
        QTest::newRow("no bitmaps, only other names")
            << none << QStringList{"notes.txt", "x.bmp.txt"} << QStringList{"folder.bmp"} << none;
        QTest::newRow("empty folder") << none << none << none << none;
    }

    void openFolderListsAndPreviews()
    {
        QFETCH(QStringList, pictures);
        QFETCH(QStringList, others);
        QFETCH(QStringList, subfolders);
        QFETCH(QStringList, expected);
        const QString folder = rig->folder(QStringLiteral("case"));
        for (int n = 0; n < pictures.size(); ++n)
            QVERIFY(writePicture(folder + QLatin1Char('/') + pictures[n], pictureSize(n)));
        for (const QString &name : others)
            QVERIFY(writeFile(folder + QLatin1Char('/') + name, "plain text\n"));
        for (const QString &name : subfolders)
            QVERIFY(QDir(folder).mkdir(name));
        const qint64 before = rig->image1()->pixmap().cacheKey();

        QVERIFY(rig->window.browser()->openFolder(folder));

        QCOMPARE(rows(rig->files()), expected);
        QCOMPARE(boxes(rig->modals), QStringList());
        if (expected.isEmpty()) {
            QCOMPARE(rig->image1()->pixmap().cacheKey(), before);
        } else {
            QCOMPARE(rig->files()->ListIndex(), 0);
            QVERIFY(rig->files()->Selected(0));
            QCOMPARE(rig->image1()->pixmap().size(), pictureSize(int(pictures.indexOf(expected.first()))));
        }
    }

    void openFromFolderList_data()
    {
        QTest::addColumn<Open>("how");
        QTest::newRow("double-click") << Open::DoubleClick;
        QTest::newRow("Enter") << Open::EnterKey;
    }

    void openFromFolderList()
    {
        QFETCH(Open, how);
        const QString pics = rig->folder(QStringLiteral("start/pics"));
        QVERIFY(writePicture(pics + QStringLiteral("/b.bmp"), pictureSize(1)));
        QVERIFY(writePicture(pics + QStringLiteral("/A.bmp"), pictureSize(2)));
        QListWidgetItem *item = rig->showSubfolder(QStringLiteral("start"), QStringLiteral("pics"));
        QVERIFY(item);

        openEntry(rig->dir(), item, how);

        QCOMPARE(rig->dir()->path(), pics);
        QCOMPARE(rig->files()->ListIndex(), 0);
        QCOMPARE(rig->image1()->pixmap().size(), pictureSize(2));
        QCOMPARE(boxes(rig->modals), QStringList());
    }

    void folderGoneBeforeOpening_data() { openFromFolderList_data(); }

    void folderGoneBeforeOpening()
    {
        QFETCH(Open, how);
        QListWidgetItem *item = rig->showSubfolder(QStringLiteral("start"), QStringLiteral("gone"));
        QVERIFY(item);
        const QString gone = start + QStringLiteral("/gone");
        const QStringList before = rig->state();
        QVERIFY(QDir(gone).removeRecursively());
        rig->modals.queueMessageAnswer(QMessageBox::Ok);

        openEntry(rig->dir(), item, how);

        QCOMPARE(rig->modals.shown().size(), 1);
        const ShownModal &box = rig->modals.shown().first();
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(gone)), qPrintable(box.text));
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(rig->state(), before);
    }

    void clickUnreadableFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("removed"); // gone between listing and the click

        BmpWriter badDepth;
        badDepth.bitCount = 7;
        const QByteArray frame = BmpWriter::standardFrame({}, {});
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("text") << QByteArray("not a picture\n") << false;
        QTest::newRow("header cut short") << frame.left(30) << false;
        QTest::newRow("7 bits a pixel") << badDepth.build() << false;
        QTest::newRow("removed after listing") << frame << true;
    }

    void clickUnreadableFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, removed);
        const QString folder = rig->folder(QStringLiteral("mixed"));
        QVERIFY(writePicture(folder + QStringLiteral("/a.bmp"), pictureSize(1)));
        QVERIFY(writeFile(folder + QStringLiteral("/b.bmp"), content));
        QVERIFY(rig->window.browser()->openFolder(folder));
        QCOMPARE(rig->image1()->pixmap().size(), pictureSize(1));
        const qint64 picture = rig->image1()->pixmap().cacheKey();
        if (removed)
            QVERIFY(QFile::remove(folder + QStringLiteral("/b.bmp")));
        rig->modals.queueMessageAnswer(QMessageBox::Ok);

        clickRow(rig->files(), rig->files()->model()->index(1, 0));

        QCOMPARE(rig->files()->ListIndex(), 1);
        QCOMPARE(boxes(rig->modals), QStringList{errorBox(QStringLiteral("Unknown error!"))});
        QCOMPARE(rig->image1()->pixmap().cacheKey(), picture);
    }

    void chooseDrive_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<QStringList>("messages");

        const QStringList notReady{errorBox(QStringLiteral("Drive not ready!"))};
        QTest::newRow("volume not ready, picked") << 1 << false << notReady;
        QTest::newRow("volume not ready, arrow key") << 1 << true << notReady;
        QTest::newRow("root, picked") << 0 << false << QStringList();
        QTest::newRow("root, arrow key") << 0 << true << QStringList();
    }

    void chooseDrive()
    {
        QFETCH(int, chosen);
        QFETCH(bool, byKeyboard);
        QFETCH(QStringList, messages);
        DriveListBox *drive = rig->drive();
        drive->setVolumeSource([] {
            return QList<DriveListBox::Volume>{{QStringLiteral("/"), "ext4"},
                                               {QStringLiteral("/no-such-volume"), "ext4"}};
        });
        drive->refresh();
        const QStringList before = rig->state();
        for (int i = 0; i < messages.size(); ++i)
            rig->modals.queueMessageAnswer(QMessageBox::Ok);

        drive->setCurrentIndex(1 - chosen); // start on the other drive: picking the shown one changes nothing
        if (byKeyboard) {
            drive->setFocus();
            QTest::keyClick(drive, chosen == 1 ? Qt::Key_Down : Qt::Key_Up);
        } else {
            drive->setCurrentIndex(chosen);
            emit drive->activated(chosen);
        }

        QCOMPARE(boxes(rig->modals), messages);
        QCOMPARE(drive->currentIndex(), chosen);
        if (chosen == 1) {
            QCOMPARE(drive->drive(), QStringLiteral("/no-such-volume"));
            QCOMPARE(rig->state(), before);
        } else {
            QCOMPARE(rig->dir()->path(), QStringLiteral("/"));
            QCOMPARE(rig->files()->path(), QStringLiteral("/"));
        }
    }

    void frameListPreview_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("files"); // picture number per entry; -1: its file was deleted
        QTest::addColumn<int>("clicked"); // row
        QTest::addColumn<int>("shown"); // picture number expected in Image2; -1: error, unchanged

        QTest::newRow("one entry") << QStringList{"0003"} << QList<int>{1} << 0 << 1;
        QTest::newRow("second of two") << QStringList{"0003", "0004"} << QList<int>{1, 2} << 1 << 2;
        QTest::newRow("same text: the first's file") << QStringList{"0005", "0005"} << QList<int>{1, 2} << 1 << 1;
        QTest::newRow("same text after another entry")
            << QStringList{"0001", "0005", "0005"} << QList<int>{3, 1, 2} << 2 << 1;
        QTest::newRow("file deleted") << QStringList{"0003", "0004"} << QList<int>{1, -1} << 1 << -1;
        QTest::newRow("same text, first's file deleted") << QStringList{"0005", "0005"} << QList<int>{-1, 2} << 1 << -1;
    }

    void frameListPreview()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, files);
        QFETCH(int, clicked);
        QFETCH(int, shown);
        const QString folder = rig->folder(QStringLiteral("frames"));
        // A deleted file is gone before its entry is added: removed while the list's looker reads
        // it, Windows would keep it until the looker closes it.
        for (int row = 0; row < texts.size(); ++row) {
            const QString path = folder + QStringLiteral("/frame%1.bmp").arg(row);
            QVERIFY(writePicture(path, pictureSize(qMax(files[row], 0))));
            if (files[row] < 0)
                QVERIFY(QFile::remove(path));
            rig->window.frameList()->add(texts[row].toInt(), path);
        }
        rig->image2()->setPixmap(QPixmap(StartSize));
        const qint64 before = rig->image2()->pixmap().cacheKey();
        if (shown < 0)
            rig->modals.queueMessageAnswer(QMessageBox::Ok);

        clickRow(rig->frames(), rig->frames()->model()->index(clicked, 0));

        const QStringList unknown{errorBox(QStringLiteral("Unknown error!"))};
        QCOMPARE(boxes(rig->modals), shown < 0 ? unknown : QStringList());
        if (shown < 0)
            QCOMPARE(rig->image2()->pixmap().cacheKey(), before);
        else
            QCOMPARE(rig->image2()->pixmap().size(), pictureSize(shown));
    }

    void folderOfManyBitmaps()
    {
        const int count = 5000;
        const QString folder = rig->folder(QStringLiteral("many"));
        QVERIFY(writePicture(folder + QStringLiteral("/f0000.bmp"), pictureSize(4)));
        for (int i = 1; i < count; ++i) // only the first is decoded; the rest need only their names
            QVERIFY(writeFile(folder + QStringLiteral("/f%1.bmp").arg(i, 4, 10, QLatin1Char('0')), "x"));
        QSignalSpy reads(rig->window.browser(), &BitmapBrowser::previewRead);

        QVERIFY(rig->window.browser()->openFolder(folder)); // bench_listing measures how fast

        QCOMPARE(rig->files()->ListCount(), count);
        QCOMPARE(rig->files()->List(0), QStringLiteral("f0000.bmp"));
        QCOMPARE(rig->files()->List(count - 1), QStringLiteral("f4999.bmp"));
        QCOMPARE(reads.count(), 1);
        QCOMPARE(rig->image1()->pixmap().size(), pictureSize(4));
        QCOMPARE(boxes(rig->modals), QStringList());
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
