// The About dialog: what it shows, and how it finds and starts the system information program
// and the web page, with a search path the test controls.
#include "scriptedmodals.h"
#include "testsettings.h"

#include "about/core/programlauncher.h"
#include "about/widgets/frmabout.h"
#include "app/frmmain.h"
#include "app/module2.h"
#include "widgets/artwork.h"
#include "widgets/twips.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const QString SysInfoMessage = QStringLiteral("System Information Is Unavailable At This Time");
const QString BrowserMessage = QStringLiteral("Microsoft Internet explorer Is Unavailable At This Time");

// Records the addresses the desktop is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

// The real launcher, noting each program it was asked to start and whether that worked.
class RecordingLauncher : public ProgramLauncher
{
public:
    QStringList asked; // "name:started" or "name:failed"
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        const bool started = ProgramLauncher::startDetached(program, arguments);
        asked << QFileInfo(program).fileName() + (started ? QStringLiteral(":started") : QStringLiteral(":failed"));
        return started;
    }
};

// A launcher whose web browser can be made to fail.
class FailingBrowser : public ProgramLauncher
{
public:
    void openUrl(const QUrl &, const std::function<void(bool)> &done) override { done(false); }
};

void writeProgram(const QString &path, const QByteArray &text, bool executable = true)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther);
}

void clickLabel(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        QTest::newRow("cmdOK") << "cmdOK" << QRect(4245, 2625, 1260, 345) << "OK";
        QTest::newRow("picIcon") << "picIcon" << QRect(270, 240, 1605, 1050) << "";
        QTest::newRow("cmdSysInfo") << "cmdSysInfo" << QRect(4260, 3075, 1245, 345) << "&System Info...";
        QTest::newRow("lblDisclaimer") << "lblDisclaimer" << QRect(255, 2625, 3870, 1440) << "*";
        QTest::newRow("lblTitle") << "lblTitle" << QRect(2190, 225, 3270, 300) << "Drelin Image uploader";
        QTest::newRow("lblVersion") << "lblVersion" << QRect(2190, 675, 3270, 225) << "Version 1.2.22";
        QTest::newRow("Label6") << "Label6" << QRect(315, 1305, 1515, 240) << "www.velm.test";
        QTest::newRow("txtDescription") << "txtDescription" << QRect(2190, 1050, 3435, 345) << "*";
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        frmAbout dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Drelin Image uploader"));
        QCOMPARE(dialog.size(), QSize(Twips::toPixels(5730), Twips::toPixels(4305)));
        auto *widget = dialog.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        QString shown;
        if (auto *button = qobject_cast<QPushButton *>(widget))
            shown = button->text();
        else if (auto *label = qobject_cast<QLabel *>(widget))
            shown = label->text();
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            shown = edit->text();
        if (text == QLatin1String("*"))
            QVERIFY(!shown.isEmpty());
        else
            QCOMPARE(shown, text);
    }

    void details()
    {
        Module2::prepareApplication(); // as the program starts
        QWidget window; // the main window, which has the program's icon
        window.setWindowIcon(Artwork::programIcon());
        frmAbout dialog(&window);
        QVERIFY(dialog.windowIcon().isNull()); // the About box shows no icon
        auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QVERIFY(ok->isDefault());
        const QString credit = dialog.findChild<QLineEdit *>(QStringLiteral("txtDescription"))->text();
        QVERIFY(credit.contains(QChar(38)));
        QVERIFY(!credit.contains(QLatin1Char('\n')));
        for (const char *clickable : {"picIcon", "Label6"})
            QCOMPARE(dialog.findChild<QWidget *>(QString::fromLatin1(clickable))->cursor().shape(),
                     Qt::PointingHandCursor);
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("Label6"))->font().family(), QStringLiteral("Arial"));
        QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("picIcon"))->pixmap().isNull());
        // The notice states the licence and the absence of warranty, and fits its label.
        const auto *notice = dialog.findChild<QLabel *>(QStringLiteral("lblDisclaimer"));
        for (const char *says :
             {"free software", "GNU General Public License, version 3 or any later version", "no warranty"})
            QVERIFY2(notice->text().contains(QLatin1String(says)), says);
        QVERIFY(!notice->text().contains(QLatin1String("penalties")));
        QVERIFY(notice->heightForWidth(notice->width()) <= notice->height());
        QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("Line1_0")));
        QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("Line1_1")));

        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape); // OK is the cancel button too
        QVERIFY(!dialog.isVisible());
    }

    // The version shown is the build's: major, minor and the fourth number (the revision).
    void versionComesFromTheBuild()
    {
        const QStringList parts = QStringLiteral(DRELIN_VERSION).split(QLatin1Char('.'));
        QCOMPARE(parts.size(), 4);
        QCOMPARE(frmAbout::versionText(), QStringLiteral("Version %1.%2.%3").arg(parts[0], parts[1], parts[3]));
        QCOMPARE(frmAbout::versionText(), QStringLiteral("Version 1.2.22"));
    }

    void systemInformation_data()
    {
        QTest::addColumn<QStringList>("programs"); // name:kind, kind = run | plain | broken
        QTest::addColumn<QString>("started"); // the one that must have run, or empty
        QTest::addColumn<QStringList>("asked"); // what the launcher was asked to start
        QTest::newRow("a known program is found and started")
            << QStringList{"kinfocenter:run"} << "kinfocenter" << QStringList{"kinfocenter:started"};
        QTest::newRow("the first of the list wins")
            << QStringList{"kinfocenter:run", "hardinfo:run"} << "hardinfo" << QStringList{"hardinfo:started"};
        QTest::newRow("none on the search path") << QStringList() << "" << QStringList();
        QTest::newRow("a file that cannot be run is not a program")
            << QStringList{"hardinfo:plain"} << "" << QStringList();
        QTest::newRow("starting fails") << QStringList{"hardinfo:broken"} << "" << QStringList{"hardinfo:failed"};
    }

    void systemInformation()
    {
        QFETCH(QStringList, programs);
        QFETCH(QString, started);
        QFETCH(QStringList, asked);
        QTemporaryDir bin;
        for (const QString &program : programs) {
            const QString name = program.section(QLatin1Char(':'), 0, 0);
            const QString kind = program.section(QLatin1Char(':'), 1);
            const QString marker = bin.filePath(name + QStringLiteral(".ran"));
            if (kind == QLatin1String("run"))
                writeProgram(bin.filePath(name), "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
            else if (kind == QLatin1String("plain"))
                writeProgram(bin.filePath(name), "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n", false);
            else
                writeProgram(bin.filePath(name), "#!/nonexistent/interpreter\n");
        }
        RecordingLauncher launcher;
        launcher.setSearchPath({bin.path()});
        ScriptedModals modals;
        if (started.isEmpty())
            modals.queueMessageAnswer(QMessageBox::Ok);
        frmAbout dialog(nullptr, &launcher);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);

        QVERIFY(modals.unexpected().isEmpty());
        QCOMPARE(launcher.asked, asked);
        if (started.isEmpty()) {
            QCOMPARE(modals.shown().size(), 1);
            const ShownModal &box = modals.shown().first();
            QCOMPARE(box.text, SysInfoMessage);
            QCOMPARE(box.icon, QMessageBox::NoIcon);
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            QCOMPARE(box.title, QStringLiteral("VELM Moving Logo Inserter - Image loader"));
        } else {
            QVERIFY(modals.shown().isEmpty());
            QTRY_VERIFY(QFile::exists(bin.filePath(started + QStringLiteral(".ran")))); // it ran, not only started
        }
    }

    void webPageFromLogoAndAddress()
    {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
        QTemporaryDir noOpener; // no desktop opener program: the desktop's own handler is asked
        ProgramLauncher launcher;
        launcher.setSearchPath({noOpener.path()});
        ScriptedModals modals;
        frmAbout dialog(nullptr, &launcher);
        dialog.show();
        clickLabel(dialog.findChild<QWidget *>(QStringLiteral("picIcon")));
        clickLabel(dialog.findChild<QWidget *>(QStringLiteral("Label6")));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(recorder.opened.size(), 2);
        QCOMPARE(recorder.opened[0], QUrl(QStringLiteral("http://www.velm.test")));
        QCOMPARE(recorder.opened[1], recorder.opened[0]);
        QVERIFY(modals.shown().isEmpty());
        QVERIFY(dialog.isVisible()); // opening the page does not close the dialog
    }

    void webPageUnavailable()
    {
        FailingBrowser launcher;
        ScriptedModals modals;
        modals.queueMessageAnswer(QMessageBox::Ok);
        modals.queueMessageAnswer(QMessageBox::Ok);
        frmAbout dialog(nullptr, &launcher);
        dialog.show();
        clickLabel(dialog.findChild<QWidget *>(QStringLiteral("Label6")));
        clickLabel(dialog.findChild<QWidget *>(QStringLiteral("picIcon")));
        QCOMPARE(modals.shown().size(), 2);
        for (const ShownModal &box : modals.shown()) {
            QCOMPARE(box.text, BrowserMessage);
            QCOMPARE(box.icon, QMessageBox::NoIcon);
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }

    // The desktop's opener starts but ends with a failure: the unavailable message all the same,
    // after the dialog has closed too; a good ending says nothing.
    void webOpenerThatFails_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("fails") << 3 << false;
        QTest::newRow("fails after the dialog closed") << 4 << true;
        QTest::newRow("opens") << 0 << false;
    }

    void webOpenerThatFails()
    {
        QFETCH(int, exitCode);
        QFETCH(bool, closeFirst);
        QTemporaryDir bin;
        writeProgram(bin.filePath(QStringLiteral("xdg-open")),
                     QStringLiteral("#!/bin/sh\necho \"$1\" > \"$0.ran\"\nexit %1\n").arg(exitCode).toUtf8());
        ProgramLauncher launcher;
        launcher.setSearchPath({bin.path()});
        ScriptedModals modals;
        if (exitCode != 0)
            modals.queueMessageAnswer(QMessageBox::Ok);
        auto dialog = std::make_unique<frmAbout>(nullptr, &launcher);
        dialog->show();
        clickLabel(dialog->findChild<QWidget *>(QStringLiteral("Label6")));
        QVERIFY(modals.shown().isEmpty()); // nothing is known before the opener ends
        if (closeFirst)
            dialog.reset();
        QTRY_VERIFY(QFile::exists(bin.filePath(QStringLiteral("xdg-open.ran"))));
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess *>().isEmpty()); // its end was seen
        QCOMPARE(modals.shown().size(), exitCode != 0 ? 1 : 0);
        if (exitCode != 0)
            QCOMPARE(modals.shown().first().text, BrowserMessage);
    }

    void openedFromTheMenu()
    {
        TestSettings store;
        ScriptedModals modals;
        QString title;
        modals.queueDialog([&](QDialog *dialog) { title = dialog->windowTitle(); });
        frmMain window;
        window.findChild<QAction *>(QStringLiteral("mnuAbout"))->trigger();
        QCOMPARE(modals.shown().size(), 1);
        QCOMPARE(modals.shown().first().dialogName, QStringLiteral("frmAbout"));
        QCOMPARE(title, QStringLiteral("About Drelin Image uploader"));
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
