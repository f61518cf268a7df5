// The main window: every control where the design puts it, the start-up sequence with and
// without a working port, exit and close.
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "serial/core/serialportcomponent.h"
#include "widgets/twips.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

// Runs the test's window in a folder of its own, so start-up previews what the test put there.
class WorkingFolder
{
public:
    explicit WorkingFolder(int bitmaps)
        : m_previous(QDir::currentPath())
    {
        for (int i = 0; i < bitmaps; ++i) {
            QImage picture(256, 128, QImage::Format_Indexed8);
            picture.setColorCount(256);
            for (int c = 0; c < 256; ++c)
                picture.setColor(c, qRgb(c, 255 - c, 128));
            picture.fill(uint(40 * (i + 1)));
            picture.save(m_dir.filePath(QStringLiteral("frame%1.bmp").arg(i)), "BMP");
        }
        QDir::setCurrent(m_dir.path());
    }
    ~WorkingFolder() { QDir::setCurrent(m_previous); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

template<typename T = QWidget> T *control(const frmMain &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void controlLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        const QString web = QStringLiteral("www.velm.test");
        auto row = [](const char *name, int l, int t, int w, int h, const char *caption, const QString &tip) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(l, t, w, h) << QString::fromUtf8(caption) << tip;
        };
        row("Drive1", 0, 120, 2655, 315, "", QString());
        row("Dir1", 0, 600, 3375, 2115, "", QString());
        row("File1", 3480, 120, 1695, 2625, "", QString());
        row("cmdCopy", 5280, 240, 375, 375, ">", QStringLiteral("Add frame"));
        row("cmdCopyAll", 5280, 720, 375, 375, ">>", QStringLiteral("Add all frames"));
        row("cmdRemove", 5280, 1680, 375, 375, "<", QStringLiteral("Remove frame"));
        row("ListView1", 5760, 120, 7935, 2625, "", QString());
        row("cmdSaljiSve", 13800, 2280, 1335, 495, "&Uplaod frame(s)", QStringLiteral("No frames in the list"));
        row("ProgressBar1", 0, 6840, 13695, 495, "", QString());
        row("StatusBar1", 0, 7425, 15135, 255, "", QString());
        row("Label6", 13800, 1200, 1155, 240, "www.velm.test", QString());
        row("cmdRemoveAll", 5280, 2280, 375, 375, "<<", QStringLiteral("Remove all frames"));
        row("cmdStopLoading", 13800, 6840, 1335, 495, "&Stop loading", QString());
        row("Text1", 2760, 120, 615, 315, "*.bmp", QString());
        row("Image1", 0, 2880, 7575, 3855, "", web);
        row("Image2", 7680, 2880, 7455, 3855, "", web);
        row("Image3", 13800, 120, 1335, 1095, "", web);
    }

    void controlLayout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        TestSettings store;
        frmMain window;
        auto *widget = window.findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(widget->parentWidget(), window.centralWidget());
        QCOMPARE(widget->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        QCOMPARE(widget->toolTip(), toolTip);
        if (auto *button = qobject_cast<QPushButton *>(widget))
            QCOMPARE(button->text(), caption);
        else if (auto *label = qobject_cast<QLabel *>(widget))
            QCOMPARE(label->text(), caption);
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(edit->text(), caption);
    }

    void windowAndStartState()
    {
        TestSettings store;
        store.setValue(QStringLiteral("Ports/Com2"), QStringLiteral("/dev/ttyS1-not-here"));
        WorkingFolder folder(0);
        ScriptedModals modals;
        modals.queueMessageAnswer(QMessageBox::Ok);
        modals.queueDialog([](QDialog *) {});
        frmMain window;
        window.Form_Load();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(window.windowTitle(), QStringLiteral("Drelin Image uploader"));
        QCOMPARE(window.centralWidget()->size(), QSize(Twips::toPixels(15135), Twips::toPixels(7680)));
        QCOMPARE(window.centralWidget()->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(control<QPushButton>(window, "cmdStopLoading")->isHidden());
        QVERIFY(!control<QTimer>(window, "Timer1")->isActive());
        QCOMPARE(control<QTimer>(window, "Timer1")->interval(), 1000);
        QVERIFY(!control<QTimer>(window, "Timer2")->isActive());
        QCOMPARE(control<QTimer>(window, "Timer2")->interval(), 200);
        QVERIFY(control<QLabel>(window, "Image1")->pixmap().isNull()); // no bitmap in the folder
        QVERIFY(!control<QLabel>(window, "Image3")->pixmap().isNull());
        QCOMPARE(control<QLabel>(window, "Image3")->pixmap().size(), QSize(107, 70));
        QCOMPARE(control<QProgressBar>(window, "ProgressBar1")->minimum(), 0);

        auto *list = control<QTreeView>(window, "ListView1");
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Frame"));
        QCOMPARE(list->header()->sectionSize(0), Twips::toPixels(12000));

        QFont web = control<QLabel>(window, "Label6")->font();
        QCOMPARE(web.family(), QStringLiteral("Arial Narrow"));
        QCOMPARE(web.pointSizeF(), 9.75);
        QVERIFY(web.italic());

        static const int widths[] = {2250, 3450, 3250, 3250, 2490};
        for (int i = 0; i < 5; ++i) {
            auto *panel = window.findChild<QLabel *>(QStringLiteral("Panel%1").arg(i + 1));
            QVERIFY(panel);
            QCOMPARE(panel->parentWidget(), control(window, "StatusBar1"));
            QCOMPARE(panel->width(), Twips::toPixels(widths[i]));
            QVERIFY(panel->text().isEmpty());
            // A line of text, descenders and underscores included, fits whole inside the panel,
            // and the panel inside the bar.
            panel->setText(QStringLiteral("Name: logo_gjy"));
            const QRect text = panel->contentsRect();
            QVERIFY2(
                text.height() >= panel->fontMetrics().height(),
                qPrintable(
                    QStringLiteral("%1 px for a %2 px line").arg(text.height()).arg(panel->fontMetrics().height())));
            QVERIFY(panel->parentWidget()->rect().contains(panel->geometry()));
        }

        const QList<QAction *> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 4);
        const QStringList texts = {QStringLiteral("E&xit"), QStringLiteral("&Properties"), QStringLiteral("&History"),
                                   QStringLiteral("&About")};
        const QStringList names = {QStringLiteral("mnuFileExit"), QStringLiteral("mnuProperties"),
                                   QStringLiteral("mnuHistory"), QStringLiteral("mnuAbout")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(menus[i]->text(), texts[i]);
            QCOMPARE(menus[i]->objectName(), names[i]);
            QVERIFY(menus[i]->isEnabled());
            QVERIFY(!menus[i]->menu());
        }
    }

    // Ctrl+I and the file list's context menu, beside the menu bar's commands.
    void importPictures()
    {
        TestSettings store;
        ScriptedModals modals;
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *action = window.findChild<QAction *>(QStringLiteral("actImport"));
        auto *files = window.findChild<QWidget *>(QStringLiteral("File1"));
        QVERIFY(files->actions().contains(action));
        QCOMPARE(files->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(!window.menuBar()->actions().contains(action));
        QStringList opened;
        modals.queueDialog([&](QDialog *dialog) { opened << dialog->objectName(); });
        QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(opened, QStringList{"ImportDialog"});
    }

    void tabOrder()
    {
        TestSettings store;
        frmMain window;
        const QStringList expected = {"Drive1",    "Dir1",         "File1",          "cmdCopy",      "cmdCopyAll",
                                      "cmdRemove", "ListView1",    "cmdSaljiSve",    "ProgressBar1", "StatusBar1",
                                      "Label6",    "cmdRemoveAll", "cmdStopLoading", "Text1"};
        QStringList seen;
        QWidget *start = control(window, "Drive1");
        QWidget *current = start;
        do {
            if (expected.contains(current->objectName()) && !seen.contains(current->objectName()))
                seen.append(current->objectName());
            current = current->nextInFocusChain();
        } while (current != start);
        QCOMPARE(seen, expected);
        for (const char *picture : {"Image1", "Image2", "Image3"})
            QCOMPARE(control(window, picture)->focusPolicy(), Qt::NoFocus);
    }

    // At the designed size and below nothing moves; more room goes to the frame list and the two
    // previews, and the controls right of and below them follow the window's edges.
    void resizing_data()
    {
        QTest::addColumn<QSize>("more"); // than the designed size
        QTest::newRow("smaller") << QSize(-300, -150);
        QTest::newRow("wider and taller") << QSize(300, 200);
        QTest::newRow("much wider, a little taller") << QSize(700, 60);
    }

    void resizing()
    {
        QFETCH(QSize, more);
        TestSettings store;
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QHash<QString, QRect> was;
        for (QWidget *each : window.centralWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            was.insert(each->objectName(), each->geometry());
        const QSize size = window.size() + more;
        window.resize(size);
        QVERIFY(QTest::qWaitFor([&] { return window.size() == size; }));
        QCoreApplication::sendPostedEvents(); // the layouts' requests the new size made
        const int dx = std::max(0, more.width());
        const int dy = std::max(0, more.height());
        const auto now = [&](const char *name) { return control(window, name)->geometry(); };
        const auto moved = [&](const char *name, int x, int y, int w, int h) {
            return was.value(QString::fromLatin1(name)).adjusted(x, y, x + w, y + h);
        };

        for (const char *fixed : {"Drive1", "Dir1", "File1", "Text1", "cmdCopy", "cmdRemoveAll"})
            QCOMPARE(now(fixed), moved(fixed, 0, 0, 0, 0));
        for (const char *right : {"Image3", "Label6", "lblPort", "cmdSaljiSve"})
            QCOMPARE(now(right), moved(right, dx, 0, 0, 0));
        QCOMPARE(now("cmdStopLoading"), moved("cmdStopLoading", dx, dy, 0, 0));
        QCOMPARE(now("ProgressBar1"), moved("ProgressBar1", 0, dy, dx, 0));
        QCOMPARE(now("StatusBar1"), moved("StatusBar1", 0, dy, dx, 0));
        // The list and the previews share all the room between them.
        const int listGrows = now("ListView1").height() - was.value(QStringLiteral("ListView1")).height();
        QCOMPARE(now("ListView1"), moved("ListView1", 0, 0, dx, listGrows));
        QCOMPARE(now("Image1"), moved("Image1", 0, listGrows, dx / 2, dy - listGrows));
        QCOMPARE(now("Image2"), moved("Image2", dx / 2, listGrows, dx - dx / 2, dy - listGrows));
        QVERIFY(listGrows >= 0 && listGrows <= dy && (dx == 0 || listGrows < dy));
    }

    void startupWithMissingPortAsksBeforeShowing()
    {
        TestSettings store; // no stored port number: Com2
        store.setValue(QStringLiteral("Ports/Com2"), QStringLiteral("/dev/ttyS1-not-here"));
        WorkingFolder folder(2);
        ScriptedModals modals;
        frmMain window;
        bool shownBeforeDialog = true;
        modals.queueMessageAnswer(QMessageBox::Ok);
        modals.queueDialog([&](QDialog *dialog) {
            shownBeforeDialog = window.isVisible();
            QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("cboPort"))->currentText(), QStringLiteral("Com2"));
        });
        window.Form_Load();

        QVERIFY(modals.unexpected().isEmpty());
        QCOMPARE(modals.shown().size(), 2);
        const ShownModal &box = modals.shown().at(0);
        QCOMPARE(box.kind, ShownModal::Message);
        QCOMPARE(box.title, QStringLiteral("VELM Moving Logo Inserter - Image loader"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY2(box.text.contains(QLatin1String("/dev/ttyS1-not-here")), qPrintable(box.text));
        QCOMPARE(modals.shown().at(1).dialogName, QStringLiteral("frmProperties"));
        QCOMPARE(modals.shown().at(1).title, QStringLiteral("Program Properties"));
        QVERIFY(!shownBeforeDialog);
        QVERIFY(!window.MSComm1().PortOpen());
        QVERIFY(!store.contains(QStringLiteral("Properties/CommPort")));
        // The first bitmap of the folder was selected and previewed.
        QVERIFY(!control<QLabel>(window, "Image1")->pixmap().isNull());
    }

    void startupOpensStoredPort()
    {
        TestSettings store;
        PtyPair device;
        store.setValue(QStringLiteral("Properties/CommPort"), QStringLiteral("5"));
        store.setValue(QStringLiteral("Ports/Com5"), device.devicePath());
        ScriptedModals modals;
        frmMain window;
        window.Form_Load();
        QVERIFY(modals.shown().isEmpty());
        QCOMPARE(window.MSComm1().CommPort(), 5);
        QVERIFY(window.MSComm1().PortOpen());
        QCOMPARE(window.MSComm1().Settings(), QStringLiteral("38400,N,8,2"));
    }

    void exitAsksFirst_data()
    {
        QTest::addColumn<bool>("portWorks");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("No keeps everything") << true << QMessageBox::No;
        QTest::newRow("Yes closes port and window") << true << QMessageBox::Yes;
        QTest::newRow("Yes with the port already closed") << false << QMessageBox::Yes;
    }

    void exitAsksFirst()
    {
        QFETCH(bool, portWorks);
        QFETCH(QMessageBox::StandardButton, answer);
        TestSettings store;
        PtyPair device;
        store.setValue(QStringLiteral("Ports/Com2"), portWorks ? device.devicePath() : QStringLiteral("/nowhere"));
        ScriptedModals modals;
        if (!portWorks) {
            modals.queueMessageAnswer(QMessageBox::Ok);
            modals.queueDialog([](QDialog *) {});
        }
        frmMain window;
        window.Form_Load();
        window.show();
        modals.clear();

        modals.queueMessageAnswer(answer);
        window.mnuFileExit_Click();
        QCOMPARE(modals.shown().size(), 1);
        const ShownModal &box = modals.shown().first();
        QCOMPARE(box.text, QStringLiteral("Exit program?"));
        QCOMPARE(box.title, QStringLiteral("Question"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        const bool stays = answer == QMessageBox::No;
        QCOMPARE(window.isVisible(), stays);
        QCOMPARE(window.MSComm1().PortOpen(), stays && portWorks);
    }

    void closeBoxClosesPortWithoutAsking()
    {
        TestSettings store;
        PtyPair device;
        store.setValue(QStringLiteral("Ports/Com2"), device.devicePath());
        ScriptedModals modals;
        frmMain window;
        window.Form_Load();
        window.show();
        QVERIFY(window.MSComm1().PortOpen());
        QVERIFY(window.close());
        QVERIFY(modals.shown().isEmpty());
        QVERIFY(!window.MSComm1().PortOpen());
        window.Form_Unload(); // a second unload finds the port closed and does nothing
        QVERIFY(!window.MSComm1().PortOpen());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
