// The drive and folder lists of the main window: which volumes the drive list offers and when it
// looks again, how the two lists follow each other, and what the folder list shows and finds.
#include "browserrig.h"

#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/drivelistbox.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QListWidgetItem>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <tuple>

namespace {

enum class Look { Popup, Focus };
enum class Route { Path, DoubleClick, EnterKey }; // how a folder is opened

// Picks a drive as the operator does: opens the list, moves to the drive, presses Enter.
bool pick(DriveListBox *drive, const QString &root)
{
    drive->showPopup();
    const int row = drive->findData(root);
    if (row < 0 || !drive->view()->isVisible())
        return false;
    drive->view()->setCurrentIndex(drive->model()->index(row, 0));
    QTest::keyClick(drive->view(), Qt::Key_Return);
    return !drive->view()->isVisible();
}

// How far from the list's left edge the drawing of each entry begins.
QList<int> drawnFrom(QListWidget *list)
{
    list->clearSelection(); // the highlight would begin where the entry does, unlike the others
    const QImage image = list->viewport()->grab().toImage();
    QList<int> starts;
    for (int row = 0; row < list->count(); ++row) {
        const QRect rect = list->visualItemRect(list->item(row));
        const int y = rect.center().y();
        int x = rect.left();
        while (x < rect.right() && image.pixel(x, y) == image.pixel(rect.left(), y))
            ++x;
        starts << x;
    }
    return starts;
}

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(Look)
Q_DECLARE_METATYPE(Route)

class TestDrives : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;
    QList<DriveListBox::Volume> volumes; // what the drive list finds mounted

    // Volume roots and folders are the rig's own, named relative to it, unless they start with "/".
    QString absolute(const QString &root) const { return root.startsWith(u'/') ? root : rig->folder(root); }
    void mount(const QStringList &roots)
    {
        volumes = {{QStringLiteral("/"), "ext4"}};
        for (const QString &root : roots)
            volumes.append({absolute(root), "vfat"});
    }
    QStringList absolute(const QStringList &roots) const
    {
        QStringList paths;
        for (const QString &root : roots)
            paths << absolute(root);
        return paths;
    }

private slots:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->window.show();
        QVERIFY(QTest::qWaitForWindowActive(&rig->window)); // focus changes need an active window
        mount({});
        rig->drive()->setVolumeSource([this] { return volumes; });
        rig->drive()->refresh();
        QVERIFY(rig->window.browser()->openFolder(rig->folder(QStringLiteral("start"))));
        rig->modals.clear();
    }

    void cleanup() { rig.reset(); }

    void looksAgainOnOpeningAndFocus_data()
    {
        QTest::addColumn<Look>("look");
        QTest::addColumn<QStringList>("before"); // volumes at start-up, besides the root
        QTest::addColumn<QString>("folder"); // opened before the change
        QTest::addColumn<QStringList>("after"); // volumes when the list looks again
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("shown");

        for (Look look : {Look::Popup, Look::Focus}) {
            const char *how = look == Look::Popup ? "opened" : "focused";
            QTest::addRow("stick mounted later, %s", how)
                << look << QStringList() << "start" << QStringList{"stick"} << QStringList{"/", "stick"} << "/";
            QTest::addRow("shown drive keeps its place as another sorts before it, %s", how)
                << look << QStringList{"b"} << "b/logos" << QStringList{"a", "b"} << QStringList{"/", "a", "b"} << "b";
            QTest::addRow("shown drive stays listed after it is unmounted, %s", how)
                << look << QStringList{"b", "c"} << "b" << QStringList{"c"} << QStringList{"/", "b", "c"} << "b";
        }
    }

    void looksAgainOnOpeningAndFocus()
    {
        QFETCH(Look, look);
        QFETCH(QStringList, before);
        QFETCH(QString, folder);
        QFETCH(QStringList, after);
        QFETCH(QStringList, listed);
        QFETCH(QString, shown);
        DriveListBox *drive = rig->drive();
        mount(before);
        drive->refresh();
        QVERIFY(rig->window.browser()->openFolder(rig->folder(folder)));
        mount(after);
        rig->dir()->setFocus();
        QVERIFY(rig->dir()->hasFocus());

        if (look == Look::Popup) {
            drive->showPopup();
        } else {
            QTest::keyClick(rig->dir(), Qt::Key_Backtab, Qt::ShiftModifier);
            QVERIFY(drive->hasFocus());
        }

        const QStringList items = itemTexts(drive);
        drive->hidePopup();
        QCOMPARE(items, absolute(listed));
        QCOMPARE(drive->currentText(), absolute(shown));
        QCOMPARE(rig->dir()->path(), rig->folder(folder));
        QCOMPARE(boxes(rig->modals), QStringList());
    }

    void pickingShownDriveKeepsFolder_data()
    {
        QTest::addColumn<QStringList>("mounted");
        QTest::addColumn<QString>("folder"); // open before the picks
        QTest::addColumn<QStringList>("picks");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after"); // the folder afterwards

        const QStringList none;
        QTest::newRow("root while a folder on it is open") << none << "start" << QStringList{"/"} << none << "start";
        QTest::newRow("stick while a folder on it is open")
            << QStringList{"stick"} << "stick/logos" << QStringList{"stick"} << none << "stick/logos";
        QTest::newRow("drive not ready, picked twice")
            << QStringList{"/no-such-volume"} << "start" << QStringList{"/no-such-volume", "/no-such-volume"}
            << QStringList{errorBox(QStringLiteral("Drive not ready!"))} << "start";
        QTest::newRow("another drive still opens its root")
            << QStringList{"stick"} << "stick/logos" << QStringList{"/"} << none << "/";
    }

    void pickingShownDriveKeepsFolder()
    {
        QFETCH(QStringList, mounted);
        QFETCH(QString, folder);
        QFETCH(QStringList, picks);
        QFETCH(QStringList, messages);
        QFETCH(QString, after);
        mount(mounted);
        rig->drive()->refresh();
        QVERIFY(rig->window.browser()->openFolder(absolute(folder)));
        for (int i = 0; i < messages.size(); ++i)
            rig->modals.queueMessageAnswer(QMessageBox::Ok);

        for (const QString &root : picks)
            QVERIFY(pick(rig->drive(), absolute(root)));

        QCOMPARE(boxes(rig->modals), messages);
        QCOMPARE(rig->dir()->path(), absolute(after));
        QCOMPARE(rig->drive()->drive(), absolute(picks.last()));
    }

    void driveFollowsFolder_data()
    {
        QTest::addColumn<QStringList>("mounted");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("shown");

        const QStringList stick{"start/stick"};
        QTest::newRow("volume root, double-click") << stick << "start"
                                                   << "start/stick" << Route::DoubleClick << "start/stick";
        QTest::newRow("volume root, Enter") << stick << "start"
                                            << "start/stick" << Route::EnterKey << "start/stick";
        QTest::newRow("deep in a volume, by path") << stick << "start"
                                                   << "start/stick/logos/2024" << Route::Path << "start/stick";
        QTest::newRow("back up off a volume") << stick << "start/stick"
                                              << "start" << Route::DoubleClick << "/";
        QTest::newRow("volume inside a volume") << QStringList{"start/stick", "start/stick/inner"} << "start/stick"
                                                << "start/stick/inner" << Route::EnterKey << "start/stick/inner";
        QTest::newRow("name that begins like a volume's") << stick << "start"
                                                          << "start/sticky" << Route::DoubleClick << "/";
    }

    void driveFollowsFolder()
    {
        QFETCH(QStringList, mounted);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(Route, route);
        QFETCH(QString, shown);
        const QString target = rig->folder(to);
        mount(mounted);
        // From elsewhere, so the folder list is filled afresh and shows the new subfolders.
        QVERIFY(rig->window.browser()->openFolder(rig->root.path()));
        QVERIFY(rig->window.browser()->openFolder(rig->folder(from)));
        QSignalSpy changes(rig->drive(), &DriveListBox::driveChanged);

        if (route == Route::Path) {
            QVERIFY(rig->window.browser()->openFolder(target));
        } else {
            const QString name = QFileInfo(target).fileName();
            const QList<QListWidgetItem *> entries = rig->dir()->findItems(name, Qt::MatchExactly);
            QCOMPARE(entries.size(), 1);
            openEntry(rig->dir(), entries.first(), route == Route::DoubleClick ? Open::DoubleClick : Open::EnterKey);
        }

        QCOMPARE(rig->dir()->path(), target);
        QCOMPARE(rig->drive()->drive(), absolute(shown));
        QCOMPARE(changes.count(), 0);
        QCOMPARE(boxes(rig->modals), QStringList());
    }

    void folderListEntries_data()
    {
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QStringList>("shown"); // the entries below the rig's own folder

        QTest::newRow("dot-folders left out of the subfolders")
            << QStringList{"start/.git", "start/.cache", "start/b", "start/A"} << "start"
            << QStringList{"start", "A", "b"};
        QTest::newRow("dot inside a name")
            << QStringList{"start/v1.2", "start/logo."} << "start" << QStringList{"start", "logo.", "v1.2"};
        QTest::newRow("dot-folder opened by path") << QStringList{"start/.config/sub", "start/.config/.inner"}
                                                   << "start/.config" << QStringList{"start", ".config", "sub"};
        QTest::newRow("dot-folder among the parents")
            << QStringList{"start/.config/sub/x"} << "start/.config/sub" << QStringList{"start", ".config", "sub", "x"};
    }

    void folderListEntries()
    {
        QFETCH(QStringList, made);
        QFETCH(QString, opened);
        QFETCH(QStringList, shown);
        for (const QString &folder : made)
            rig->folder(folder);
        QVERIFY(rig->window.browser()->openFolder(rig->root.path()));

        QVERIFY(rig->window.browser()->openFolder(rig->folder(opened)));

        const QStringList above = rig->root.path().split(u'/', Qt::SkipEmptyParts);
        QCOMPARE(rows(rig->dir()), QStringList{QStringLiteral("/")} + above + shown);
    }

    void typeToFindFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");

        QTest::newRow("first letters") << "pi"
                                       << "pics";
        QTest::newRow("more letters") << "pict"
                                      << "pictures";
        QTest::newRow("any letter case") << "bE"
                                         << "Beta";
        QTest::newRow("folder up the chain") << "sta"
                                             << "start";
    }

    void typeToFindFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        for (const char *name : {"alpha", "Beta", "pics", "pictures"})
            rig->folder(QStringLiteral("start/logos/") + QLatin1String(name));
        const QString logos = rig->folder(QStringLiteral("start/logos"));
        QVERIFY(rig->window.browser()->openFolder(logos));

        QTest::keyClicks(rig->dir(), typed);

        QVERIFY(rig->dir()->currentItem());
        QCOMPARE(rig->dir()->currentItem()->text(), found);
        QCOMPARE(rig->dir()->path(), logos);
    }

    void foldersIndentedByDepth()
    {
        for (const char *name : {"b", "a"})
            rig->folder(QStringLiteral("start/") + QLatin1String(name));
        QVERIFY(rig->window.browser()->openFolder(rig->root.path()));
        QVERIFY(rig->window.browser()->openFolder(rig->folder(QStringLiteral("start"))));
        const int current = rig->dir()->currentRow();
        QCOMPARE(rig->dir()->count(), current + 3);

        const QList<int> starts = drawnFrom(rig->dir());

        // Each folder down the chain, then the subfolders one level below the current folder.
        for (int row = 1; row <= current + 1; ++row)
            QVERIFY2(starts[row] > starts[row - 1],
                     qPrintable(QStringLiteral("row %1 at %2").arg(row).arg(starts[row])));
        QCOMPARE(starts[current + 2], starts[current + 1]);
    }

    void pickableVolumes_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("pickable");

        const QList<std::tuple<const char *, const char *, bool>> cases = {
            {"/", "ext4", true},
            {"/", "overlay", true}, // a container's root
            {"/home", "ext4", true},
            {"/media/ann/STICK", "vfat", true},
            {"/run/media/ann/STICK", "exfat", true},
            {"/mnt/nas", "nfs4", true},
            {"/media/ann/phone", "fuse.sshfs", true},
            {"/runway", "ext4", true},
            {"/devel", "ext4", true},
            {"/snapshots", "btrfs", true},
            {"/system", "ext4", true},
            {"/var/lib/dockerish", "ext4", true},
            {"/proc", "ext4", false},
            {"/sys/firmware/efi/efivars", "ext4", false},
            {"/dev", "ext4", false},
            {"/snap/firefox/2356", "ext4", false},
            {"/run", "ext4", false},
            {"/run/user/1000", "ext4", false},
            {"/run/media", "ext4", false},
            {"/var/lib/docker", "xfs", false},
            {"/var/lib/docker/overlay2/4f1c/merged", "xfs", false},
            {"/run/media/ann/RAM", "tmpfs", false},
        };
        for (const auto &[root, type, pickable] : cases)
            QTest::addRow("%s %s", type, root) << QString::fromLatin1(root) << QByteArray(type) << pickable;
        // System file systems, wherever they are mounted.
        for (const char *type :
             {"tmpfs",      "devtmpfs", "proc",    "sysfs",       "devpts",         "cgroup", "cgroup2",
              "securityfs", "debugfs",  "tracefs", "configfs",    "fusectl",        "mqueue", "hugetlbfs",
              "pstore",     "bpf",      "autofs",  "binfmt_misc", "efivarfs",       "ramfs",  "nsfs",
              "rpc_pipefs", "squashfs", "overlay", "fuse.portal", "fuse.gvfsd-fuse"})
            QTest::addRow("%s /mnt/x", type) << QStringLiteral("/mnt/x") << QByteArray(type) << false;
    }

    void pickableVolumes()
    {
        QFETCH(QString, root);
        QFETCH(QByteArray, type);
        QFETCH(bool, pickable);
        QCOMPARE(DriveListBox::isPickable({root, type}), pickable);
    }

    void systemMountsLeftOut()
    {
        const QString stick = rig->folder(QStringLiteral("stick"));
        volumes = {{QStringLiteral("/proc"), "proc"},
                   {QStringLiteral("/"), "ext4"},
                   {stick, "vfat"},
                   {QStringLiteral("/snap/core22/1033"), "squashfs"},
                   {QStringLiteral("/run/user/1000"), "tmpfs"}};

        rig->drive()->showPopup();

        const QStringList items = itemTexts(rig->drive());
        rig->drive()->hidePopup();
        QCOMPARE(items, (QStringList{QStringLiteral("/"), stick}));
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
