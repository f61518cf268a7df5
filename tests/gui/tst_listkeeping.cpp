// Nothing of the frame list the operator holds is lost, replaced or misread: a number edit still
// open when the list changes lands on its own entry; a number given twice saves, reopens and
// restores; Save keeps the file's comments and asks before overwriting what changed on disk;
// closing asks about unsaved changes; what is not a list file is refused by what it is.
#include "bmpwriter.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/widgets/framelistfiles.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

#include <sys/stat.h>

namespace {

const QString Title = QStringLiteral(" - Drelin Image uploader");

struct Rig
{
    TestSettings store;
    ScriptedModals modals;
    QTemporaryDir dir;
    std::unique_ptr<frmMain> window;

    Rig()
    {
        for (const char *name : {"a.bmp", "b.bmp", "c.bmp"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            if (file.open(QIODevice::WriteOnly))
                file.write(BmpWriter::standardFrame({qRgb(9, 9, 9)}, QByteArray(32768, 1)));
        }
        restart();
    }
    // A new window, as after the program was ended and started again.
    void restart()
    {
        window.reset();
        window = std::make_unique<frmMain>(nullptr, nullptr, dir.filePath(QStringLiteral("data/previous.frames")));
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    FrameListModel *list() const { return window->frameList(); }
    FrameListFiles *files() const { return window->listFiles(); }
    QTreeView *view() const { return window->findChild<QTreeView *>(QStringLiteral("ListView1")); }
    QString path(const QString &name) const { return dir.filePath(name); }
    void fill(const QStringList &entries) const
    {
        for (const QString &entry : entries)
            list()->add(entry.section('=', 0, 0), path(entry.section('=', 1) + QStringLiteral(".bmp")));
    }
    void writeFile(const QString &name, const QByteArray &text, QIODevice::OpenMode mode = QIODevice::WriteOnly) const
    {
        QFile file(path(name));
        QVERIFY(file.open(mode));
        file.write(text);
    }
    QByteArray fileText(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) const
    {
        QApplication::setActiveWindow(window.get()); // back from a dialog, the keys are the window's again
        QTest::keyClick(window.get(), Qt::Key(key), modifiers);
    }
    void click(const char *button) const
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    // Opens the in-place editor on entry `row` as a click on its number does, and types.
    QLineEdit *startEdit(int row, const QString &typed) const
    {
        view()->setFocus();
        view()->setCurrentIndex(list()->index(row, 0));
        QTest::keyClick(view(), Qt::Key_F2);
        for (QLineEdit *editor : view()->viewport()->findChildren<QLineEdit *>()) {
            if (editor->isVisible()) {
                editor->selectAll();
                QTest::keyClicks(editor, typed);
                return editor;
            }
        }
        return nullptr;
    }
    // Opens show.frames holding `text`.
    void openShow(const QByteArray &text)
    {
        writeFile(QStringLiteral("show.frames"), text);
        QVERIFY(files()->open(path(QStringLiteral("show.frames"))));
    }
};

struct Scenario
{
    const char *name;
    std::function<void(Rig &)> steps;
    QStringList entries; // "number=file", "!" after an entry whose number is given twice
    QString caption;
    QStringList boxes; // found in the first line of each message; a dialog's name
    QByteArray showFile; // show.frames afterwards; empty: not looked at
    bool open = true;
};

const QByteArray Commented = "# show\n\n0001\ta.bmp\n# end\n";

QVector<Scenario> scenarios()
{
    const QString plain = QStringLiteral("Drelin Image uploader");
    const QString show = QStringLiteral("show.frames") + Title;
    const QString changed = QStringLiteral("show.frames*") + Title;
    const char *diskQuestion = "show.frames has changed on disk since it was opened or saved here.";
    const char *closeQuestion = "The list show.frames has changes that are not saved.";
    const auto changedOnDisk = [](QMessageBox::StandardButton answer) {
        return [answer](Rig &rig) {
            rig.openShow(Commented);
            rig.fill({"0002=b"});
            rig.writeFile(QStringLiteral("show.frames"), "0003\tc.bmp\n", QIODevice::Append);
            rig.modals.queueMessageAnswer(answer);
            rig.key(Qt::Key_S);
        };
    };
    const auto closing = [](QMessageBox::StandardButton answer, bool viaExit) {
        return [answer, viaExit](Rig &rig) {
            rig.openShow(Commented);
            rig.fill({"0002=b"});
            if (viaExit)
                rig.modals.queueMessageAnswer(QMessageBox::Yes); // "Exit program?"
            rig.modals.queueMessageAnswer(answer);
            if (viaExit)
                rig.window->mnuFileExit_Click();
            else
                rig.window->close();
        };
    };
    const auto openNotAFile = [](const std::function<QString(Rig &)> &target) {
        return [target](Rig &rig) {
            rig.fill({"0001=a"});
            rig.modals.queueFileAnswer(target(rig));
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
            rig.key(Qt::Key_O);
        };
    };
    return {
        {"an open number edit, then <",
         [](Rig &rig) {
             rig.fill({"0004=a", "0005=b"});
             QVERIFY(rig.startEdit(0, QString()));
             rig.click("cmdRemove");
         },
         {"0005=b"},
         plain,
         {},
         {}},
        {"a number typed, then Ctrl+O answered No",
         [](Rig &rig) {
             rig.fill({"0004=a", "0005=b"});
             rig.writeFile(QStringLiteral("other.frames"), "0001\tc.bmp\n");
             rig.modals.queueFileAnswer(rig.path(QStringLiteral("other.frames")));
             rig.modals.queueMessageAnswer(QMessageBox::No);
             QVERIFY(rig.startEdit(0, QStringLiteral("9")));
             rig.key(Qt::Key_O);
         },
         {"0005=b", "0009=a"},
         plain,
         {"file", "The frames in the list are not saved"},
         {}},
        {"an edit handed over while a row above it goes",
         [](Rig &rig) {
             rig.fill({"0001=a", "0004=b", "0005=c"});
             // As the editor hands over "9" for 0004; it is handled once the editor has closed.
             rig.list()->setData(rig.list()->index(1, 0), QStringLiteral("9"));
             rig.list()->remove(1);
         },
         {"0005=c", "0009=b"},
         plain,
         {},
         {}},
        {"one number twice saves and opens again",
         [](Rig &rig) {
             rig.fill({"0001=a", "0005=b"});
             rig.modals.queueDialog([](QDialog *question) { question->close(); }); // its close box
             QTest::keyClick(rig.startEdit(0, QStringLiteral("5")), Qt::Key_Return);
             QTRY_COMPARE(rig.list()->entry(1).text, QStringLiteral("0005"));
             rig.modals.queueFileAnswer(rig.path(QStringLiteral("show.frames")));
             rig.key(Qt::Key_S);
             rig.list()->clear();
             QVERIFY(rig.files()->open(rig.path(QStringLiteral("show.frames"))));
         },
         {"0005=a!", "0005=b!"},
         show,
         {"frmMsgBoxReplace", "file"},
         "0005\ta.bmp\n0005\tb.bmp\n"},
        {"one number twice restored after a restart",
         [](Rig &rig) {
             rig.fill({"0005=a", "0005=b"});
             rig.files()->keepNow();
             rig.restart();
             rig.key(Qt::Key_R);
         },
         {"0005=a!", "0005=b!"},
         plain,
         {},
         {}},
        {"changed on disk, Overwrite keeps the comments",
         changedOnDisk(QMessageBox::Save),
         {"0001=a", "0002=b"},
         show,
         {diskQuestion},
         "# show\n\n0001\ta.bmp\n0002\tb.bmp\n# end\n"},
        {"changed on disk, Reload",
         changedOnDisk(QMessageBox::Reset),
         {"0001=a", "0003=c"},
         show,
         {diskQuestion},
         Commented + "0003\tc.bmp\n"},
        {"changed on disk, Cancel",
         changedOnDisk(QMessageBox::Cancel),
         {"0001=a", "0002=b"},
         changed,
         {diskQuestion},
         Commented + "0003\tc.bmp\n"},
        {"a removed entry leaves the comments",
         [](Rig &rig) {
             rig.openShow("# show\n\n0001\ta.bmp\n# end\n0002\tb.bmp\n");
             rig.list()->remove(2);
             rig.key(Qt::Key_S);
         },
         {"0001=a"},
         show,
         {},
         Commented},
        {"close box with changes, Cancel",
         closing(QMessageBox::Cancel, false),
         {"0001=a", "0002=b"},
         changed,
         {closeQuestion},
         Commented},
        {"close box with changes, Discard",
         closing(QMessageBox::Discard, false),
         {"0001=a", "0002=b"},
         changed,
         {closeQuestion},
         Commented,
         false},
        {"Exit with changes, Save",
         closing(QMessageBox::Save, true),
         {"0001=a", "0002=b"},
         show,
         {"Exit program?", closeQuestion},
         "# show\n\n0001\ta.bmp\n0002\tb.bmp\n# end\n",
         false},
        {"Ctrl+R brings back the list file",
         [](Rig &rig) {
             rig.openShow(Commented);
             rig.fill({"0002=b"});
             rig.files()->keepNow();
             rig.restart();
             rig.key(Qt::Key_R);
         },
         {"0001=a", "0002=b"},
         changed,
         {},
         Commented},
        {"Ctrl+O of /dev/zero",
         openNotAFile([](Rig &) { return QStringLiteral("/dev/zero"); }),
         {"0001=a"},
         plain,
         {"file", "/dev/zero: not a regular file"},
         {}},
        {"Ctrl+O of a FIFO",
         openNotAFile([](Rig &rig) {
             const QString fifo = rig.path(QStringLiteral("fifo.frames"));
             ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
             return fifo;
         }),
         {"0001=a"},
         plain,
         {"file", "fifo.frames: not a regular file"},
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
        Rig rig;
        scenario.steps(rig);
        if (QTest::currentTestFailed())
            return;
        QCoreApplication::processEvents(); // what the steps left queued
        QTRY_VERIFY(!rig.window->findChild<QTimer *>(QStringLiteral("Timer2"))->isActive()); // re-sorted

        QStringList entries;
        for (const FrameEntry &entry : rig.list()->entries()) {
            entries << entry.text + QLatin1Char('=') + QFileInfo(entry.path).baseName()
                    + (entry.duplicate.isEmpty() ? QString() : QStringLiteral("!"));
            if (!entry.duplicate.isEmpty())
                QCOMPARE(entry.duplicate,
                         QStringLiteral("frame %1 is given twice: the later one overwrites the earlier on the device")
                             .arg(entry.text));
        }
        QCOMPARE(entries, scenario.entries);
        QCOMPARE(rig.window->windowTitle().replace(QStringLiteral("[*]"), rig.window->isWindowModified() ? "*" : ""),
                 scenario.caption);
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
