// The drive list of the main window: which volumes it offers and when it looks again, and how it
// and the folder list follow each other.
#include "browserrig.h"

#include "browser/bitmapbrowser.h"
#include "browser/dirlistbox.h"
#include "browser/drivelistbox.h"

#include <QDir>
#include <QTest>

#include <memory>

namespace {

enum class Look { Popup, Focus };

} // namespace

Q_DECLARE_METATYPE(Look)

class TestDrives : public QObject
{
    Q_OBJECT

    std::unique_ptr<Rig> rig;
    QList<DriveListBox::Volume> volumes; // what the drive list finds mounted

    // Volume roots are folders of the rig's own, named relative to it; "/" is the root.
    QString absolute(const QString &root) const { return root == QLatin1String("/") ? root : rig->folder(root); }
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
        QTest::addColumn<QString>("folder");     // opened before the change
        QTest::addColumn<QStringList>("after");  // volumes when the list looks again
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

        QStringList items;
        for (int i = 0; i < drive->count(); ++i)
            items << drive->itemText(i);
        drive->hidePopup();
        QCOMPARE(items, absolute(listed));
        QCOMPARE(drive->currentText(), absolute(shown));
        QCOMPARE(rig->dir()->path(), rig->folder(folder));
        QCOMPARE(boxes(rig->modals), QStringList());
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
