// Building the frame list from the window: ">" and ">>" with the offset prompt and the replace
// question, renumbering in the real in-place editor, the re-sort, and removing.
#include "bmpwriter.h"
#include "heldtimer.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/filelistbox.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <optional>

Q_DECLARE_METATYPE(QList<int>)

namespace {

const QString RangeMessage = QStringLiteral("Only integer numbers in range 0-255 allowed!");

// The main window showing a folder of bitmaps f0.bmp, f1.bmp, ...
struct Rig
{
    TestSettings store;
    QTemporaryDir dir;
    QTemporaryDir oldDir;
    ScriptedModals modals;
    std::unique_ptr<frmMain> window;
    QStringList questions; // the two whole lines of every replace question, joined by " / "

    explicit Rig(int files)
    {
        for (int i = 0; i < files; ++i) {
            QFile file(dir.filePath(QStringLiteral("f%1.bmp").arg(i)));
            file.open(QIODevice::WriteOnly);
            file.write(BmpWriter::standardFrame({qRgb(i, 0, 0)}, QByteArray(32768, char(i))));
        }
        window = std::make_unique<frmMain>();
        window->browser()->openFolder(dir.path());
        window->show();
    }

    FrameListModel *list() const { return window->frameList(); }
    FileListBox *files() const { return window->findChild<FileListBox *>(QStringLiteral("File1")); }
    QTreeView *view() const { return window->findChild<QTreeView *>(QStringLiteral("ListView1")); }
    void click(const char *name) const
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }

    // Entries as "text=file name".
    QStringList entries() const
    {
        QStringList result;
        for (const FrameEntry &entry : list()->entries())
            result << FrameNumber::FormatFrameNumber(entry.number) + QLatin1Char('=')
                    + QFileInfo(entry.path).fileName();
        return result;
    }

    // A bitmap in the folder the list's earlier entries come from (shown as "/old" in questions),
    // so choosing an entry previews it without a message.
    QString old(const QString &name) const
    {
        const QString path = oldDir.filePath(name);
        QFile file(path);
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write(BmpWriter::standardFrame({qRgb(1, 2, 3)}, QByteArray(32768, 1)));
        return path;
    }

    void fill(const QStringList &entries) const
    {
        for (const QString &entry : entries) {
            const QStringList parts = entry.split(QLatin1Char('='));
            list()->add(parts[0].toInt(), old(parts[1]));
        }
    }

    // Queues one answer of the replace question per reply: 1-4 press a button, -1 the close box.
    void queueReplies(const QList<int> &replies)
    {
        static const char *buttons[] = {nullptr, "btnYes", "btnYesToAll", "btnNo", "CancelButton"};
        for (const int reply : replies) {
            modals.queueDialog([this, reply](QDialog *dialog) {
                QString question = dialog->findChild<QLabel *>(QStringLiteral("Label1"))->toolTip()
                    + QStringLiteral(" / ") + dialog->findChild<QLabel *>(QStringLiteral("Label2"))->toolTip();
                questions << question.replace(oldDir.path(), QStringLiteral("/old"));
                if (reply < 0)
                    dialog->close();
                else
                    QTest::mouseClick(dialog->findChild<QPushButton *>(QString::fromLatin1(buttons[reply])),
                                      Qt::LeftButton);
            });
        }
    }

    QList<int> selectedFiles() const
    {
        QList<int> result;
        for (int i = 0; i < files()->ListCount(); ++i) {
            if (files()->Selected(i))
                result << i;
        }
        return result;
    }

    // Edits the number of entry `row` in the list's own in-place editor, as the operator would;
    // `selected` (when given) are the rows selected meanwhile, the edited row being only current.
    void edit(int row, const QString &typed, const std::optional<QList<int>> &selected = std::nullopt) const
    {
        const QModelIndex index = list()->index(row, 0);
        QItemSelectionModel *selection = view()->selectionModel();
        if (selected) {
            selection->clearSelection();
            for (const int other : *selected)
                selection->select(list()->index(other, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        } else {
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        QTest::keyClick(view(), Qt::Key_F2);
        QLineEdit *editor = nullptr;
        for (QLineEdit *candidate : view()->viewport()->findChildren<QLineEdit *>()) {
            if (candidate->isVisible())
                editor = candidate;
        }
        QVERIFY(editor);
        editor->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        else
            QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the edit handler runs once the editor has closed
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

class TestFrameListGui : public QObject
{
    Q_OBJECT

private slots:
    void adding_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<int>("files");
        QTest::addColumn<QList<int>>("selected"); // empty: ">>" (all files); else ">" with these selected
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("replies");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("three selected onto an empty list")
            << QStringList() << 5 << QList<int>{0, 2, 3} << "0000"
            << "0000" << QList<int>() << QStringList{"0000=f0.bmp", "0001=f2.bmp", "0002=f3.bmp"};
        const QStringList three{"0000=o0.bmp", "0001=o1.bmp", "0002=o2.bmp"};
        QTest::newRow("No keeps it and the next taken number is asked") << three << 2 << QList<int>() << "0003"
                                                                        << "1" << QList<int>{3, 3} << three;
        QTest::newRow("Yes replaces one and asks again")
            << three << 2 << QList<int>() << "0003"
            << "1" << QList<int>{1, 3} << QStringList{"0000=o0.bmp", "0001=f0.bmp", "0002=o2.bmp"};
        QTest::newRow("Yes to All replaces the rest without asking")
            << three << 2 << QList<int>() << "0003"
            << "1" << QList<int>{2} << QStringList{"0000=o0.bmp", "0001=f0.bmp", "0002=f1.bmp"};
        QTest::newRow("Cancel adds nothing more, not even free numbers")
            << QStringList{"0005=o5.bmp"} << 3 << QList<int>() << "0006"
            << "5" << QList<int>{4} << QStringList{"0005=o5.bmp"};
        QTest::newRow("closed question offers the next file the same number")
            << QStringList{"0005=o5.bmp"} << 2 << QList<int>() << "0006"
            << "5" << QList<int>{-1, 1} << QStringList{"0005=f1.bmp"};
        QTest::newRow("offset with blanks") << QStringList() << 2 << QList<int>() << "0000"
                                            << " 7 " << QList<int>() << QStringList{"0007=f0.bmp", "0008=f1.bmp"};
        QTest::newRow("offset 7.0") << QStringList() << 1 << QList<int>{0} << "0000"
                                    << "7.0" << QList<int>() << QStringList{"0007=f0.bmp"};
        QTest::newRow("default follows the last entry, not the highest")
            << QStringList{"0010=o10.bmp", "0003=o3.bmp"} << 1 << QList<int>() << "0004"
            << "0004" << QList<int>() << QStringList{"0010=o10.bmp", "0003=o3.bmp", "0004=f0.bmp"};
        QTest::newRow("numbers end at 255") << QStringList() << 4 << QList<int>() << "0000"
                                            << "254" << QList<int>() << QStringList{"0254=f0.bmp", "0255=f1.bmp"};
    }

    void adding()
    {
        QFETCH(QStringList, existing);
        QFETCH(int, files);
        QFETCH(QList<int>, selected);
        QFETCH(QString, defaultText);
        QFETCH(QString, typed);
        QFETCH(QList<int>, replies);
        QFETCH(QStringList, expected);
        Rig rig(files);
        rig.fill(existing);
        rig.files()->clearSelection();
        for (const int index : selected)
            rig.files()->setSelected(index, true);
        rig.modals.queueInputAnswer(typed);
        rig.queueReplies(replies);
        const bool pastLast = QTest::currentDataTag() == QByteArray("numbers end at 255");
        if (pastLast)
            rig.modals.queueMessageAnswer(QMessageBox::Ok);

        rig.click(selected.isEmpty() ? "cmdCopyAll" : "cmdCopy");

        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join('\n')));
        QCOMPARE(rig.modals.pending(), 0);
        const ShownModal &prompt = rig.modals.shown().first();
        QCOMPARE(prompt.kind, ShownModal::Input);
        QCOMPARE(prompt.text, QStringLiteral("Ofset:"));
        QCOMPARE(prompt.title, QStringLiteral("VELM Moving Logo Inserter - Image loader"));
        QCOMPARE(prompt.defaultText, defaultText);
        QCOMPARE(rig.entries(), expected);
        QCOMPARE(rig.questions.size(), replies.size());
        if (pastLast) {
            QCOMPARE(rig.modals.shown().last().text,
                     QStringLiteral("2 files were not added: frame numbers end at 255."));
            QCOMPARE(rig.modals.shown().last().icon, QMessageBox::Warning);
        }
        // "Add frame" clears the file selection (addAllLeavesSelectionAlone has "Add all frames").
        if (!selected.isEmpty())
            QVERIFY(rig.selectedFiles().isEmpty());
    }

    void questionNamesBothFrames()
    {
        Rig rig(1);
        rig.fill({"0003=logo.bmp"});
        rig.modals.queueInputAnswer(QStringLiteral("3"));
        rig.queueReplies({3});
        rig.click("cmdCopyAll");
        QCOMPARE(rig.questions,
                 QStringList{"Would you like to replace existing frame number: 0003  Frame name:/old/logo.bmp"
                             " / with this one: 0003  f0.bmp ?"});
    }

    void addAllLeavesSelectionAlone()
    {
        Rig rig(3);
        rig.files()->clearSelection();
        rig.files()->setSelected(1, true);
        rig.modals.queueInputAnswer(QStringLiteral("0"));
        rig.click("cmdCopyAll");
        QCOMPARE(rig.entries().size(), 3);
        QCOMPARE(rig.selectedFiles(), QList<int>{1});
    }

    void refusedOffsets_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("message");
        QTest::newRow("256") << QStringList() << "256" << true;
        QTest::newRow("-1") << QStringList() << "-1" << true;
        QTest::newRow("2.5") << QStringList() << "2.5" << true;
        QTest::newRow("abc") << QStringList() << "abc" << true;
        QTest::newRow("the default 0256 after 0255") << QStringList{"0255=o.bmp"} << "0256" << true;
        QTest::newRow("cancelled prompt") << QStringList() << "" << false;
    }

    void refusedOffsets()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, typed);
        QFETCH(bool, message);
        Rig rig(2);
        rig.fill(existing);
        rig.files()->clearSelection();
        rig.files()->setSelected(1, true);
        rig.modals.queueInputAnswer(typed);
        if (message)
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
        rig.click("cmdCopy");
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.modals.shown().size(), message ? 2 : 1);
        if (message) {
            const ShownModal &box = rig.modals.shown().last();
            QCOMPARE(box.text, RangeMessage);
            QCOMPARE(box.title, QStringLiteral("Error"));
            QCOMPARE(box.icon, QMessageBox::Critical);
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QCOMPARE(rig.list()->count(), existing.size());
        QCOMPARE(rig.selectedFiles(), QList<int>{1}); // a refused prompt keeps the selection
    }

    void renumbering_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("replies");
        QTest::addColumn<bool>("message");
        QTest::addColumn<QStringList>("expected"); // once the re-sort has run
        const QStringList one{"0003=a.bmp"};
        QTest::newRow("same number 3") << one << "3" << QList<int>() << false << one;
        QTest::newRow("same number 03") << one << "03" << QList<int>() << false << one;
        QTest::newRow("same number 3.0") << one << "3.0" << QList<int>() << false << one;
        QTest::newRow("free number, sorted 200 ms later")
            << QStringList{"0003=a.bmp", "0010=b.bmp"} << "12" << QList<int>() << false
            << QStringList{"0010=b.bmp", "0012=a.bmp"};
        for (const char *bad : {"256", "-1", "2.5", "x", ""})
            QTest::newRow(qPrintable(QStringLiteral("refused '%1'").arg(bad)))
                << one << bad << QList<int>() << true << one;
        const QStringList two{"0001=a.bmp", "0005=b.bmp"};
        QTest::newRow("taken, No") << two << "5" << QList<int>{3} << false << two;
        QTest::newRow("taken, Cancel") << two << "5" << QList<int>{4} << false << two;
        QTest::newRow("taken, Yes moves the file") << two << "5" << QList<int>{1} << false << QStringList{"0005=a.bmp"};
        QTest::newRow("taken, Yes to All as Yes") << two << "5" << QList<int>{2} << false << QStringList{"0005=a.bmp"};
        QTest::newRow("taken, closed: both carry it")
            << two << "5" << QList<int>{-1} << false << QStringList{"0005=a.bmp", "0005=b.bmp"};
    }

    // The edited row is the one renumbered, whichever rows are selected besides it.
    void renumberingEditsTheEditedRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("replies");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two selected, the second edited onto a taken number")
            << 1 << QList<int>{0, 1} << "5" << QList<int>{1} << QStringList{"0001=a.bmp", "0005=b.bmp"};
        QTest::newRow("none selected") << 1 << QList<int>() << "5" << QList<int>{1}
                                       << QStringList{"0001=a.bmp", "0005=b.bmp"};
        QTest::newRow("another row selected")
            << 0 << QList<int>{2} << "5" << QList<int>{1} << QStringList{"0002=b.bmp", "0005=a.bmp"};
        QTest::newRow("its own number while another is selected")
            << 1 << QList<int>{0} << "2" << QList<int>() << QStringList{"0001=a.bmp", "0002=b.bmp", "0005=c.bmp"};
        QTest::newRow("a free number while several are selected")
            << 2 << QList<int>{0, 1} << "9" << QList<int>() << QStringList{"0001=a.bmp", "0002=b.bmp", "0009=c.bmp"};
    }

    void renumberingEditsTheEditedRow()
    {
        QFETCH(int, row);
        QFETCH(QList<int>, selected);
        QFETCH(QString, typed);
        QFETCH(QList<int>, replies);
        QFETCH(QStringList, expected);
        Rig rig(0);
        rig.fill({"0001=a.bmp", "0002=b.bmp", "0005=c.bmp"});
        rig.queueReplies(replies);
        rig.edit(row, typed, selected);
        QTRY_COMPARE(rig.modals.pending(), 0);
        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join('\n')));
        QCOMPARE(rig.modals.shown().size(), replies.size());
        QTRY_COMPARE(rig.entries(), expected);
    }

    void renumbering()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, typed);
        QFETCH(QList<int>, replies);
        QFETCH(bool, message);
        QFETCH(QStringList, expected);
        Rig rig(0);
        rig.fill(existing);
        rig.queueReplies(replies);
        if (message)
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
        rig.edit(0, typed);

        QTRY_COMPARE(rig.modals.pending(), 0);
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.modals.shown().size(), replies.size() + (message ? 1 : 0));
        if (message)
            QCOMPARE(rig.modals.shown().last().text, RangeMessage);
        QTRY_COMPARE(rig.entries(), expected);
    }

    // The re-sort comes 200 ms after a renumbering, once; the test fires it instead of waiting.
    void renumberingQuestionAndResort()
    {
        Rig rig(0);
        rig.fill({"0001=a.bmp", "0005=b.bmp", "0003=c.bmp"});
        HeldTimer resort(rig.window->findChild<QTimer *>(QStringLiteral("Timer2")));
        rig.queueReplies({3});
        rig.edit(0, QStringLiteral("5"));
        QTRY_COMPARE(rig.questions.size(), 1);
        QCOMPARE(rig.questions.first(),
                 QStringLiteral("Would you like to replace existing frame number: 0005  Frame name: "
                                "/old/b.bmp / with this one: 0005 /old/a.bmp ?"));
        QVERIFY(!resort->isActive()); // "No" changed nothing

        rig.edit(0, QStringLiteral("9"));
        QTRY_COMPARE(rig.entries(), QStringList({"0009=a.bmp", "0005=b.bmp", "0003=c.bmp"})); // not sorted yet
        QVERIFY(resort->isActive());
        QCOMPARE(resort->interval(), 200);
        QVERIFY(resort.fire());
        QCOMPARE(rig.entries(), QStringList({"0003=c.bmp", "0005=b.bmp", "0009=a.bmp"}));
        QVERIFY(!resort->isActive());
        // Sorting stays on: a new entry takes its sorted place.
        rig.list()->add(4, rig.old(QStringLiteral("d.bmp")));
        QCOMPARE(rig.entries().at(1), QStringLiteral("0004=d.bmp"));
    }

    void removing()
    {
        Rig rig(0);
        rig.fill({"0001=a.bmp", "0002=b.bmp", "0003=c.bmp"});
        rig.click("cmdRemove"); // nothing selected: nothing happens
        QCOMPARE(rig.list()->count(), 3);
        auto *selection = rig.view()->selectionModel();
        selection->select(rig.list()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(rig.list()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        rig.click("cmdRemove");
        QCOMPARE(rig.entries(), QStringList({"0001=a.bmp", "0003=c.bmp"}));
        QVERIFY(rig.modals.shown().isEmpty());
    }

    void removingAllAsksFirst_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("OK empties the list") << QStringList{"0001=a.bmp", "0002=b.bmp"} << QMessageBox::Ok;
        QTest::newRow("Cancel keeps it") << QStringList{"0001=a.bmp", "0002=b.bmp"} << QMessageBox::Cancel;
        QTest::newRow("asked on an empty list too") << QStringList() << QMessageBox::Ok;
    }

    void removingAllAsksFirst()
    {
        QFETCH(QStringList, existing);
        QFETCH(QMessageBox::StandardButton, answer);
        Rig rig(0);
        rig.fill(existing);
        rig.modals.queueMessageAnswer(answer);
        rig.click("cmdRemoveAll");
        QCOMPARE(rig.modals.shown().size(), 1);
        const ShownModal &box = rig.modals.shown().first();
        QCOMPARE(box.text, QStringLiteral("Remove all frames from list?"));
        QCOMPARE(box.title, QStringLiteral("Question"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(rig.list()->count(), answer == QMessageBox::Ok ? 0 : existing.size());
    }
};

QTEST_MAIN(TestFrameListGui)
#include "tst_framelistgui.moc"
