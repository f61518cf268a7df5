// Nothing of the frame list the operator holds is lost, replaced or misread: a number edit still
// open when the list changes lands on its own entry; a number given twice saves, reopens and
// restores; Save keeps the file's comments and asks before overwriting what changed on disk;
// closing asks about unsaved changes; what is not a list file is refused by what it is.
#include "listwindow.h"

#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "framelist/widgets/framelistfiles.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

struct Scenario
{
    const char *name;
    std::function<void(ListWindow &)> steps;
    QStringList entries; // "number=file", "!" after an entry whose number is given twice
    QString caption;
    QStringList boxes; // found in the first line of each message; a dialog's name; "file"
    QByteArray showFile; // show.frames afterwards; empty: not looked at
    bool open = true;
};

const QByteArray Commented = "# show\n\n0001\ta.bmp\n# end\n";
const QByteArray CommentedAndB = "# show\n\n0001\ta.bmp\n0002\tb.bmp\n# end\n";

// show.frames as Commented is opened, and 0002 added in the window.
void openShowAndAdd(ListWindow &rig)
{
    rig.writeList(QStringLiteral("show.frames"), Commented);
    QVERIFY(rig.files()->open(rig.dir.filePath(QStringLiteral("show.frames"))));
    rig.fill({"0002=b"});
}

QVector<Scenario> scenarios()
{
    const QString plain = QStringLiteral("Drelin Image uploader");
    const QString show = QStringLiteral("show.frames - ") + plain;
    const QString changed = QStringLiteral("show.frames* - ") + plain;
    const char *onDisk = "show.frames has changed on disk since it was opened or saved here.";
    const char *unsaved = "The list show.frames has changes that are not saved.";
    const auto changedOnDisk = [](QMessageBox::StandardButton answer) {
        return [answer](ListWindow &rig) {
            openShowAndAdd(rig);
            QFile file(rig.dir.filePath(QStringLiteral("show.frames")));
            QVERIFY(file.open(QIODevice::Append) && file.write("0003\tc.bmp\n") > 0); // another program
            file.close();
            rig.modals.queueMessageAnswer(answer);
            rig.key(Qt::Key_S);
        };
    };
    const auto closing = [](QMessageBox::StandardButton answer, bool viaExit) {
        return [answer, viaExit](ListWindow &rig) {
            openShowAndAdd(rig);
            if (viaExit)
                rig.modals.queueMessageAnswer(QMessageBox::Yes); // "Exit program?"
            rig.modals.queueMessageAnswer(answer);
            viaExit ? rig.window->mnuFileExit_Click() : void(rig.window->close());
        };
    };
    const auto restored = [](const QStringList &entries) {
        return [entries](ListWindow &rig) {
            if (entries.isEmpty())
                openShowAndAdd(rig);
            rig.fill(entries);
            rig.files()->keepNow();
            rig.open();
            rig.key(Qt::Key_R);
        };
    };
    return {
        {"an open number edit, then <",
         [](ListWindow &rig) {
             rig.fill({"0004=a", "0005=b"});
             QVERIFY(rig.startEdit(0, QString()));
             rig.click("cmdRemove");
         },
         {"0005=b.bmp"},
         plain,
         {},
         {}},
        {"a number typed, then Ctrl+O answered No",
         [](ListWindow &rig) {
             rig.fill({"0004=a", "0005=b"});
             rig.writeList(QStringLiteral("other.frames"), "0001\tc.bmp\n");
             rig.modals.queueFileAnswer(rig.dir.filePath(QStringLiteral("other.frames")));
             rig.modals.queueMessageAnswer(QMessageBox::No);
             QVERIFY(rig.startEdit(0, QStringLiteral("9")));
             rig.key(Qt::Key_O);
         },
         {"0005=b.bmp", "0009=a.bmp"},
         plain,
         {"file", "The frames in the list are not saved"},
         {}},
        {"an edit handed over while a row above it goes",
         [](ListWindow &rig) {
             rig.fill({"0001=a", "0004=b", "0005=c"});
             // As the editor hands over "9" for 0004; it is handled once the editor has closed.
             rig.list()->setData(rig.list()->index(1, 0), QStringLiteral("9"));
             rig.list()->remove(1);
         },
         {"0005=c.bmp", "0009=b.bmp"},
         plain,
         {},
         {}},
        {"one number twice saves and opens again",
         [](ListWindow &rig) {
             rig.fill({"0001=a", "0005=b"});
             rig.modals.queueDialog([](QDialog *question) { question->close(); }); // its close box
             QTest::keyClick(rig.startEdit(0, QStringLiteral("5")), Qt::Key_Return);
             QTRY_COMPARE(rig.list()->entry(1).number, 5);
             rig.modals.queueFileAnswer(rig.dir.filePath(QStringLiteral("show.frames")));
             rig.key(Qt::Key_S);
             rig.list()->clear();
             QVERIFY(rig.files()->open(rig.dir.filePath(QStringLiteral("show.frames"))));
         },
         {"0005=a.bmp!", "0005=b.bmp!"},
         show,
         {"frmMsgBoxReplace", "file"},
         "0005\ta.bmp\n0005\tb.bmp\n"},
        {"one number twice restored after a restart",
         restored({"0005=a", "0005=b"}),
         {"0005=a.bmp!", "0005=b.bmp!"},
         plain,
         {},
         {}},
        {"changed on disk, Overwrite keeps the comments",
         changedOnDisk(QMessageBox::Save),
         {"0001=a.bmp", "0002=b.bmp"},
         show,
         {onDisk},
         CommentedAndB},
        {"changed on disk, Reload",
         changedOnDisk(QMessageBox::Reset),
         {"0001=a.bmp", "0003=c.bmp"},
         show,
         {onDisk},
         Commented + "0003\tc.bmp\n"},
        {"changed on disk, Cancel",
         changedOnDisk(QMessageBox::Cancel),
         {"0001=a.bmp", "0002=b.bmp"},
         changed,
         {onDisk},
         Commented + "0003\tc.bmp\n"},
        {"close box with changes, Cancel",
         closing(QMessageBox::Cancel, false),
         {"0001=a.bmp", "0002=b.bmp"},
         changed,
         {unsaved},
         Commented},
        {"close box with changes, Discard",
         closing(QMessageBox::Discard, false),
         {"0001=a.bmp", "0002=b.bmp"},
         changed,
         {unsaved},
         Commented,
         false},
        {"Exit with changes, Save",
         closing(QMessageBox::Save, true),
         {"0001=a.bmp", "0002=b.bmp"},
         show,
         {"Exit program?", unsaved},
         CommentedAndB,
         false},
        {"Ctrl+R brings back the list file", restored({}), {"0001=a.bmp", "0002=b.bmp"}, changed, {}, Commented},
        {"Ctrl+O of /dev/zero",
         [](ListWindow &rig) {
             rig.fill({"0001=a"});
             rig.modals.queueFileAnswer(QStringLiteral("/dev/zero"));
             rig.modals.queueMessageAnswer(QMessageBox::Ok);
             rig.key(Qt::Key_O);
         },
         {"0001=a.bmp"},
         plain,
         {"file", "/dev/zero: not a regular file"},
         {}},
    };
}

} // namespace

class TestListKeeping : public QObject
{
    Q_OBJECT

private slots:
    void nothingLost_data()
    {
        QTest::addColumn<int>("row");
        const QVector<Scenario> all = scenarios();
        for (int row = 0; row < all.size(); ++row)
            QTest::newRow(all.at(row).name) << row;
    }

    void nothingLost()
    {
        QFETCH(int, row);
        const Scenario scenario = scenarios().at(row);
        ListWindow rig;
        scenario.steps(rig);
        if (QTest::currentTestFailed())
            return;
        QCoreApplication::processEvents(); // what the steps left queued
        QTRY_VERIFY(!rig.window->findChild<QTimer *>(QStringLiteral("Timer2"))->isActive()); // re-sorted

        QCOMPARE(rig.entries(), scenario.entries);
        for (const FrameEntry &entry : rig.list()->entries()) {
            if (!entry.duplicate.isEmpty())
                QCOMPARE(entry.duplicate,
                         QStringLiteral("frame %1 is given twice: the later one overwrites the earlier on the device")
                             .arg(FrameNumber::FormatFrameNumber(entry.number)));
        }
        QCOMPARE(rig.caption(), scenario.caption);
        QStringList boxes;
        for (const ShownModal &box : rig.modals.shown())
            boxes << (box.kind == ShownModal::Dialog     ? box.dialogName
                          : box.kind == ShownModal::File ? QStringLiteral("file")
                                                         : box.text.section(QLatin1Char('\n'), 0, 0));
        QCOMPARE(boxes.size(), scenario.boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(boxes.at(i).contains(scenario.boxes.at(i)), qPrintable(boxes.at(i)));
        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join(" / ")));
        if (!scenario.showFile.isEmpty())
            QCOMPARE(rig.fileText(QStringLiteral("show.frames")), scenario.showFile);
        QCOMPARE(rig.window->isVisible(), scenario.open);
    }
};

QTEST_MAIN(TestListKeeping)
#include "tst_listkeeping.moc"
