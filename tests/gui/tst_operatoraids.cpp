// What the window gives operators beyond the list itself: the check column, bitmaps and pictures
// dropped from a file manager, and the upload button's expected duration.
#include "badbitmaps.h"
#include "bmpwriter.h"
#include "filedrop.h"
#include "heldtimer.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "framelist/widgets/frameentrydelegate.h"
#include "import/widgets/importdialog.h"
#include "serial/core/serialportcomponent.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

QByteArray frameFile(int seed)
{
    return BmpWriter::standardFrame({qRgb(seed, 0, 0)}, QByteArray(32768, char(seed)));
}

struct Rig
{
    TestSettings store;
    QTemporaryDir dir;
    ScriptedModals modals;
    std::unique_ptr<frmMain> window;

    Rig() { window = std::make_unique<frmMain>(); }

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }
    FrameListModel *list() const { return window->frameList(); }
    QString check(int position) const
    {
        return list()->index(position - 1, FrameListModel::CheckColumn).data().toString();
    }
    QStringList entries() const
    {
        QStringList result;
        for (const FrameEntry &entry : list()->entries())
            result << FrameNumber::FormatFrameNumber(entry.number) + QLatin1Char('=')
                    + QFileInfo(entry.path).fileName();
        return result;
    }

    bool drop(const QStringList &paths) const
    {
        return dropFiles(window->findChild<QTreeView *>(QStringLiteral("ListView1")), paths);
    }
};

} // namespace

class TestOperatorAids : public QObject
{
    Q_OBJECT

private slots:
    void checkColumn_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no such file
        QTest::addColumn<QString>("shown");
        QTest::newRow("a frame bitmap") << frameFile(1) << "OK";
        QTest::newRow("missing file") << QByteArray() << noSuchFileText();
        QTest::newRow("not a bitmap") << QByteArray("hello") << "does not start with \"BM\"";
        QTest::newRow("wrong size") << [] {
            BmpWriter writer;
            writer.width = 320;
            writer.height = 240;
            return writer.build();
        }() << "320 x 240";
    }

    // The file and its check show beside the number, inside the part of the row the list shows:
    // a green mark for a frame bitmap, the reason in red for a refused one.
    void fileAndCheckArePaintedBesideTheNumber()
    {
        Rig rig;
        rig.list()->add(1, rig.write(QStringLiteral("good.bmp"), frameFile(1)));
        rig.list()->add(2, rig.dir.filePath(QStringLiteral("gone.bmp")));
        QTRY_VERIFY(!rig.check(2).contains(FrameListModel::checkingText()) && rig.check(1) == QLatin1String("OK"));
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        auto *view = rig.window->findChild<QTreeView *>(QStringLiteral("ListView1"));
        view->clearSelection();
        const QImage shot = view->viewport()->grab().toImage();
        const int numberEnd = view->fontMetrics().horizontalAdvance(QStringLiteral("0000   "));
        const auto count = [&](int row, const std::function<bool(QColor)> &kind) {
            const QRect rect = view->visualRect(rig.list()->index(row, 0)).intersected(shot.rect());
            int found = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                for (int x = numberEnd; x < shot.width(); ++x)
                    found += kind(shot.pixelColor(x, y)) ? 1 : 0;
            }
            return found;
        };
        const auto green = [](QColor c) { return c.green() > c.red() + 50 && c.green() > c.blue() + 50; };
        const auto red = [](QColor c) { return c.red() > c.green() + 60 && c.red() > c.blue() + 60; };
        const auto ink = [](QColor c) { return c.lightness() < 100; };
        QVERIFY(count(0, green) > 5);
        QVERIFY(count(0, ink) > 20); // the file name
        QCOMPARE(count(0, red), 0);
        QVERIFY(count(1, red) > 20); // the name and the reason
        QCOMPARE(count(1, green), 0);
    }

    void checkColumn()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        Rig rig;
        const QString path =
            bytes.isEmpty() ? rig.dir.filePath(QStringLiteral("gone.bmp")) : rig.write(QStringLiteral("f.bmp"), bytes);
        rig.list()->add(1, path);
        QCOMPARE(rig.list()->headerData(FrameListModel::CheckColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Check"));
        QTRY_VERIFY2(rig.check(1).contains(shown), qPrintable(rig.check(1)));
        const QString tip = rig.list()->index(0, 0).data(Qt::ToolTipRole).toString();
        QVERIFY(tip.startsWith(path));
        const FrameEntryDelegate::Caption caption = FrameEntryDelegate::caption(rig.list()->index(0, 0));
        QCOMPARE(caption.fileName, QFileInfo(path).fileName());
        QCOMPARE(caption.problem, shown == QLatin1String("OK") ? QString() : rig.check(1));
        QCOMPARE(tip.contains(shown), shown != QLatin1String("OK"));
    }

    void checkFollowsTheFile()
    {
        Rig rig;
        const QString good = rig.write(QStringLiteral("good.bmp"), frameFile(1));
        const QString other = rig.write(QStringLiteral("other.bmp"), "not a bitmap");
        rig.list()->add(1, good);
        QTRY_COMPARE(rig.check(1), QStringLiteral("OK"));

        rig.list()->setPath(1, other); // another file for the entry
        QTRY_VERIFY(rig.check(1).contains(QStringLiteral("\"BM\"")));
        rig.list()->setPath(1, good);
        QTRY_COMPARE(rig.check(1), QStringLiteral("OK"));

        rig.write(QStringLiteral("good.bmp"), "overwritten"); // the file changes on disk
        QTRY_VERIFY(rig.check(1) != QLatin1String("OK"));
        QFile::remove(good);
        QTRY_VERIFY(rig.check(1).contains(noSuchFileText()));
        rig.write(QStringLiteral("good.bmp"), frameFile(2)); // and comes back
        QTRY_COMPARE(rig.check(1), QStringLiteral("OK"));
    }

    // Changes the system's watch may not tell (a folder renamed, a file system it does not watch)
    // show at the next look at the disk, at most two seconds away; fired here before any watch.
    void checkFollowsTheDisk_data()
    {
        QTest::addColumn<QString>("from"); // where the file is when its entry is added
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("shown");
        QTest::newRow("truncated") << "in/f.bmp"
                                   << ""
                                   << "truncated";
        QTest::newRow("folder renamed") << "in/f.bmp"
                                        << "out" << noSuchFolderText();
        QTest::newRow("moved back") << "away.bmp"
                                    << "in/f.bmp"
                                    << "OK";
    }

    void checkFollowsTheDisk()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, shown);
        Rig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("in")));
        rig.write(from, frameFile(1));
        rig.list()->add(1, rig.dir.filePath(QStringLiteral("in/f.bmp")));
        auto *timer = rig.list()->findChild<QTimer *>(QStringLiteral("diskLook"));
        QVERIFY(timer && timer->isActive() && timer->interval() <= 2000);
        HeldTimer look(timer);
        QVERIFY(to.isEmpty() ? QFile::resize(rig.dir.filePath(from), 100)
                             : QDir(rig.dir.path()).rename(from.section('/', 0, 0), to));
        QVERIFY(look.fire());
        QTRY_VERIFY2(rig.check(1).contains(shown), qPrintable(rig.check(1)));
    }

    void dropAddsAsAddFrameWould()
    {
        Rig rig;
        rig.list()->add(6, rig.write(QStringLiteral("old.bmp"), frameFile(9)));
        // Dropped out of order; added in file-list order, numbered from the typed offset.
        const QStringList paths = {
            rig.write(QStringLiteral("c.bmp"), frameFile(3)), rig.write(QStringLiteral("A.BMP"), frameFile(1)),
            rig.write(QStringLiteral("notes.txt"), "text"), rig.write(QStringLiteral("b.bmp"), frameFile(2))};
        rig.modals.queueInputAnswer(QStringLiteral("5"));
        QStringList question;
        rig.modals.queueDialog([&](QDialog *dialog) {
            question << dialog->findChild<QLabel *>(QStringLiteral("Label1"))->toolTip()
                     << dialog->findChild<QLabel *>(QStringLiteral("Label2"))->toolTip();
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnNo")), Qt::LeftButton);
        });
        rig.modals.queueMessageAnswer(QMessageBox::Ok);

        QVERIFY(rig.drop(paths));
        QTRY_COMPARE(rig.modals.pending(), 0);
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.modals.shown().first().text, QStringLiteral("Ofset:"));
        QCOMPARE(rig.modals.shown().first().defaultText, QStringLiteral("0007"));
        QCOMPARE(question,
                 QStringList({QStringLiteral("Would you like to replace existing frame number: 0006  Frame name:")
                                  + rig.dir.filePath(QStringLiteral("old.bmp")),
                              QStringLiteral("with this one: 0006  b.bmp ?")}));
        QCOMPARE(rig.entries(), QStringList({"0006=old.bmp", "0005=A.BMP", "0007=c.bmp"}));
        QCOMPARE(rig.modals.shown().last().text,
                 QStringLiteral("1 dropped file is not a bitmap (.bmp) and was left out."));
    }

    void dropOfNoBitmapIsRefused()
    {
        Rig rig;
        QVERIFY(!rig.drop({rig.write(QStringLiteral("notes.txt"), "text")}));
        QVERIFY(!rig.drop({rig.dir.path()}));
        QCoreApplication::sendPostedEvents(); // where a taken drop does its work
        QVERIFY(rig.modals.shown().isEmpty());
        QCOMPARE(rig.list()->count(), 0);
    }

    // Other pictures go to the import dialog; frame bitmaps dropped with them are added first.
    void dropOfPicturesOpensTheImportDialog_data()
    {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("a PNG") << QStringList{"logo.png"} << QStringList() << QStringList{"logo.png"};
        QTest::newRow("a JPEG and a bitmap")
            << QStringList{"photo.jpg", "f.bmp"} << QStringList{"0000=f.bmp"} << QStringList{"photo.jpg"};
    }

    void dropOfPicturesOpensTheImportDialog()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, added);
        QFETCH(QStringList, offered);
        Rig rig;
        QStringList paths;
        for (const QString &name : dropped) {
            if (name.endsWith(QLatin1String(".bmp"))) {
                paths << rig.write(name, frameFile(1));
                continue;
            }
            QImage picture(40, 20, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            paths << rig.dir.filePath(name);
            QVERIFY(picture.save(paths.last()));
        }
        if (!added.isEmpty())
            rig.modals.queueInputAnswer(QStringLiteral("0"));
        QStringList shown;
        rig.modals.queueDialog([&](QDialog *dialog) {
            for (const QString &path : qobject_cast<ImportDialog *>(dialog)->pictures())
                shown << QFileInfo(path).fileName();
        });
        QVERIFY(rig.drop(paths));
        QTRY_COMPARE(rig.modals.pending(), 0);
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(shown, offered);
        QCOMPARE(rig.entries(), added);
    }

    void uploadButtonTellsExpectedDuration_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<QString>("tip");
        // A frame is 67090 characters of 11 bits at 38400 bit/s (19.2 s) and three 1 s pauses.
        QTest::newRow("empty list") << 0 << "No frames in the list";
        QTest::newRow("one frame") << 1 << "1 frame, about 00:00:22 at 38400 bit/s";
        QTest::newRow("six frames") << 6 << "6 frames, about 00:02:13 at 38400 bit/s";
        QTest::newRow("all 256") << 256 << "256 frames, about 01:34:47 at 38400 bit/s";
    }

    void uploadButtonTellsExpectedDuration()
    {
        QFETCH(int, frames);
        QFETCH(QString, tip);
        Rig rig;
        QVERIFY(rig.window->MSComm1().setSettings(QStringLiteral("38400,N,8,2")));
        const QString path = rig.write(QStringLiteral("f.bmp"), frameFile(1));
        rig.list()->add(300, path); // the tip follows every change of the list
        rig.list()->clear();
        for (int i = 0; i < frames; ++i)
            rig.list()->add(i, path);
        QCOMPARE(rig.window->findChild<QPushButton *>(QStringLiteral("cmdSaljiSve"))->toolTip(), tip);
    }
};

QTEST_MAIN(TestOperatorAids)
#include "tst_operatoraids.moc"
