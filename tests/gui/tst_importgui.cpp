// Pictures become frames from the window: the import dialog converts off the window's thread into
// the chosen folder, asks before overwriting, can be cancelled, hands its frames to the file list
// and the frame list.
#include "browserrig.h"
#include "picturefiles.h"

#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/filelistbox.h"
#include "core/deviceview.h"
#include "core/framebitmap.h"
#include "framelist/core/framelistmodel.h"
#include "import/core/importjob.h"
#include "import/core/previewrenderer.h"
#include "import/widgets/importdialog.h"
#include "import/widgets/importpreview.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// A frame's colours take tens of milliseconds, many times that in the sanitizer builds.
constexpr int JobTimeoutMs = 120000;

const QRgb Odd = qRgb(3, 126, 250); // no component is a level the device shows

// Animations of 3, 4 and 6 pictures, "spin3.gif" ..., made once before any window is: convert is a
// process, and a process started beside the window's threads confuses the thread sanitizer.
QString animations;

// The window browsing an empty folder "frames"; the pictures are made in "pictures".
struct ImportRig : Rig
{
    QString frameFolder = folder(QStringLiteral("frames"));
    QString pictureFolder = folder(QStringLiteral("pictures"));

    ImportRig() { window.browser()->openFolder(frameFolder); }

    // A picture of the kind its name says: "x.png" a 64 x 16 still one, "x.gif" an animation of
    // `length` pictures (3, 4 or 6), "broken.*" none at all.
    QString picture(const QString &name, int length = 3) const
    {
        const QString path = QDir(pictureFolder).filePath(name);
        if (name.startsWith(QLatin1String("broken")))
            return writeFile(path, "not a picture") ? path : QString();
        if (name.endsWith(QLatin1String(".gif"))) {
            const QString made = QDir(animations).filePath(QStringLiteral("spin%1.gif").arg(length));
            return QFile::copy(made, path) ? path : QString();
        }
        QImage image(64, 16, QImage::Format_RGB32);
        image.fill(Odd);
        return image.save(path) ? path : QString();
    }

    // The import dialog, next in the script, worked by `work` while it is open.
    void queueImport(const std::function<void(ImportDialog *)> &work)
    {
        modals.queueDialog([work](QDialog *dialog) { work(qobject_cast<ImportDialog *>(dialog)); });
    }
    QStringList messages() const
    {
        QStringList lines;
        for (const ShownModal &box : modals.shown()) {
            if (box.kind == ShownModal::Message)
                lines << boxLine(box.title, box.text, box.icon, box.buttons);
        }
        return lines;
    }

    QStringList filesIn(const QString &path) const
    {
        return QDir(path).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList selectedFiles() const
    {
        QStringList names;
        for (int i = 0; i < files()->ListCount(); ++i) {
            if (files()->Selected(i))
                names << files()->List(i);
        }
        return names;
    }
    QStringList entries() const
    {
        QStringList result;
        for (const FrameEntry &entry : window.frameList()->entries())
            result << entry.text + QLatin1Char('=') + QFileInfo(entry.path).fileName();
        return result;
    }
};

QPushButton *button(ImportDialog *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QString::fromLatin1(name));
}

// Presses Convert: the job runs on after the click has returned, and the dialog closes when done.
void convert(ImportDialog *dialog)
{
    QTest::mouseClick(button(dialog, "cmdConvert"), Qt::LeftButton);
    QVERIFY(dialog->job()->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->job()->isRunning(), JobTimeoutMs);
}

QRgb middle(const QLabel *label)
{
    const QImage image = label->pixmap().toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
}

bool isDeviceColour(QRgb colour)
{
    for (const int value : {qRed(colour), qGreen(colour), qBlue(colour)}) {
        if (DeviceView::shownLevel((value * 63 + 127) / 255) != value)
            return false;
    }
    return true;
}

const QString Question = QStringLiteral(
    "The frame file logo.bmp exists already in %1. Overwrite it?\n\nNo keeps it and writes the other frames; "
    "Cancel writes nothing.");

// Where a reading stands still until it is let go, as on a disk that does not answer.
struct Gate
{
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;

    void pass()
    {
        std::unique_lock<std::mutex> held(lock);
        entered = true;
        changed.notify_all();
        changed.wait(held, [this] { return open; });
    }
    void waitForEntry()
    {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [this] { return entered; });
    }
    // Opens it, at once or when `after` has passed; whether it was open already.
    bool openIn(std::chrono::seconds after = std::chrono::seconds(0))
    {
        std::unique_lock<std::mutex> held(lock);
        const bool was = changed.wait_for(held, after, [this] { return open; });
        open = true;
        changed.notify_all();
        return was;
    }
};

} // namespace

class TestImportGui : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_animations.isValid());
        animations = m_animations.path();
        for (const int length : {3, 4, 6}) {
            QList<QColor> colours;
            for (int i = 0; i < length; ++i)
                colours << QColor::fromHsv(i * 360 / length, 255, 255);
            QVERIFY(
                PictureFiles::writeAnimation(m_animations.filePath(QStringLiteral("spin%1.gif").arg(length)), colours));
        }
    }

    void convertsAndSelects_data()
    {
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<bool>("elsewhere"); // into another folder than the one shown
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message"); // what went wrong, told when done
        QTest::newRow("a PNG") << QStringList{"logo.png"} << false << QStringList{"logo.bmp"} << QString();
        QTest::newRow("a GIF, elsewhere")
            << QStringList{"spin.gif"} << true << QStringList{"spin000.bmp", "spin001.bmp", "spin002.bmp"} << QString();
        QTest::newRow("both") << QStringList{"spin.gif", "logo.png"} << false
                              << QStringList{"logo.bmp", "spin000.bmp", "spin001.bmp", "spin002.bmp"} << QString();
        QTest::newRow("a broken picture") << QStringList{"broken.png", "logo.png"} << false << QStringList{"logo.bmp"}
                                          << "1 frame file was written. Not every picture became frames:\n\n"
                                             "broken.png: is not a picture in a format this program reads.";
    }

    void convertsAndSelects()
    {
        QFETCH(QStringList, pictures);
        QFETCH(bool, elsewhere);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        ImportRig rig;
        QStringList paths;
        for (const QString &name : pictures)
            paths << rig.picture(name);
        const QString target = elsewhere ? rig.folder(QStringLiteral("other")) : rig.frameFolder;
        rig.queueImport([&](ImportDialog *dialog) {
            QCOMPARE(dialog->folder(), rig.frameFolder); // the folder shown
            QCOMPARE(dialog->pictures(), paths);
            dialog->findChild<QLineEdit *>(QStringLiteral("txtFolder"))->setText(target);
            convert(dialog);
        });
        if (!message.isEmpty())
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
        rig.window.importPictures(paths);
        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join(QLatin1Char('\n'))));
        const QString told = boxLine(QStringLiteral("Import pictures"), message, QMessageBox::Warning, QMessageBox::Ok);
        QCOMPARE(rig.messages(), message.isEmpty() ? QStringList() : QStringList{told});
        QCOMPARE(rig.filesIn(target), expected);
        for (const QString &name : expected)
            QCOMPARE(FrameBitmapReader::problemWith(QDir(target).filePath(name)), QString());
        QCOMPARE(rig.files()->path(), target);
        QCOMPARE(rig.selectedFiles(), expected);
        QCOMPARE(rig.image1()->pixmap().size(), QSize(FrameBitmap::Width, FrameBitmap::Height));
        QCOMPARE(rig.window.frameList()->count(), 0); // not asked to
    }

    // "Add pictures..." offers the plugins' formats; "Remove" takes pictures out again.
    void addAndRemovePictures()
    {
        ImportRig rig;
        const QString logo = rig.picture(QStringLiteral("logo.png"));
        QStringList offered;
        rig.queueImport([&](ImportDialog *dialog) {
            QVERIFY(!button(dialog, "cmdConvert")->isEnabled());
            rig.modals.queueDialog([&](QDialog *files) {
                auto *chooser = qobject_cast<QFileDialog *>(files);
                offered = chooser->nameFilters();
                chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(logo); // as typed
                static_cast<QDialog *>(chooser)->accept();
            });
            QTest::mouseClick(button(dialog, "cmdAddPictures"), Qt::LeftButton);
            QCOMPARE(dialog->pictures(), QStringList{logo});
            QVERIFY(button(dialog, "cmdConvert")->isEnabled());
            dialog->findChild<QListWidget *>(QStringLiteral("lstPictures"))->item(0)->setSelected(true);
            QTest::mouseClick(button(dialog, "cmdRemovePictures"), Qt::LeftButton);
            QVERIFY(dialog->pictures().isEmpty());
            QVERIFY(!button(dialog, "cmdConvert")->isEnabled());
        });
        rig.window.importPictures();
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(offered.size(), 2);
        for (const char *pattern : {"*.png", "*.gif", "*.jpg", "*.svg", "*.webp", "*.tif", "*.ico"})
            QVERIFY2(offered.first().contains(QLatin1Char(' ') + QLatin1String(pattern) + QLatin1Char(' ')), pattern);
    }

    // The device's side shows only colours it has, follows the settings, and an animation plays.
    void previewFollowsTheSettings()
    {
        ImportRig rig;
        const QString gif = rig.picture(QStringLiteral("spin.gif"), 4);
        rig.queueImport([&](ImportDialog *dialog) {
            const PreviewRenderer *renderer = dialog->preview()->renderer();
            auto *picture = dialog->findChild<QLabel *>(QStringLiteral("imgPicture"));
            auto *shown = dialog->findChild<QLabel *>(QStringLiteral("imgShown"));
            QTRY_VERIFY_WITH_TIMEOUT(renderer->isDone() && !shown->pixmap().isNull(), JobTimeoutMs);
            QCOMPARE(middle(picture), Odd);
            QVERIFY(middle(shown) != Odd);
            QVERIFY(isDeviceColour(middle(shown)));
            // 64 x 16 fits as 256 x 64: black above it; stretched, the colour reaches the top.
            QCOMPARE(picture->pixmap().toImage().pixel(256, 20), qRgb(0, 0, 0));
            QTest::mouseClick(dialog->findChild<QRadioButton *>(QStringLiteral("optStretch")), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(picture->pixmap().toImage().pixel(256, 20), Odd, JobTimeoutMs);

            auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lstPictures"));
            list->setCurrentRow(1);
            QTRY_VERIFY_WITH_TIMEOUT(renderer->isDone() && renderer->pictures().size() == 4, JobTimeoutMs);
            QTRY_VERIFY_WITH_TIMEOUT(dialog->preview()->shownIndex() == 3, JobTimeoutMs);
            QVERIFY(isDeviceColour(middle(shown)));
        });
        rig.window.importPictures({rig.picture(QStringLiteral("logo.png")), gif});
        QVERIFY(rig.filesIn(rig.frameFolder).isEmpty()); // closed without converting
    }

    // The preview goes (its dialog closed) while a picture is being read: it does not wait for the
    // reading, and its thread, let go later, ends without touching it.
    void previewIsAbandonedWhileReading()
    {
        auto gate = std::make_shared<Gate>();
        auto renderer = std::make_unique<PreviewRenderer>(
            nullptr, [gate](const QString &, const ImportOptions &, int, PictureReader::Read *, QString *why) {
                gate->pass();
                *why = QStringLiteral("cannot be read");
                return false;
            });
        renderer->request(QStringLiteral("slow.png"), ImportOptions());
        gate->waitForEntry();
        // Bounds the test should the renderer wait: the reading is let go after a while.
        std::thread letGo([gate] { gate->openIn(std::chrono::seconds(30)); });
        renderer.reset();
        const bool waited = gate->openIn();
        letGo.join();
        QVERIFY2(!waited, "the renderer waited for the reading to end");
        QTRY_COMPARE(gate.use_count(), 1L); // the thread has ended and let go of what it shared
    }

    // Cancelled after the first frame: that one is whole, no other and nothing half-written.
    void cancelMidWay()
    {
        ImportRig rig;
        const QString gif = rig.picture(QStringLiteral("spin.gif"), 6);
        rig.queueImport([&](ImportDialog *dialog) {
            dialog->findChild<QCheckBox *>(QStringLiteral("chkAddToList"))->setChecked(true);
            connect(dialog->job(), &ImportJob::progress, dialog, [dialog](int written) {
                if (written == 1)
                    QTest::mouseClick(button(dialog, "cmdCancel"), Qt::LeftButton);
            });
            convert(dialog);
            QVERIFY(!dialog->isVisible());
        });
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // told while the dialog is open
        rig.window.importPictures({gif, rig.picture(QStringLiteral("logo.png"))});
        QCOMPARE(
            rig.messages(),
            QStringList() << boxLine(QStringLiteral("Import pictures"),
                                     QStringLiteral("The import was cancelled: 1 frame file was written, no other."),
                                     QMessageBox::Information, QMessageBox::Ok));
        QCOMPARE(rig.filesIn(rig.frameFolder), QStringList{"spin000.bmp"});
        QCOMPARE(FrameBitmapReader::problemWith(QDir(rig.frameFolder).filePath(QStringLiteral("spin000.bmp"))),
                 QString());
        QCOMPARE(rig.selectedFiles(), QStringList{"spin000.bmp"});
        QCOMPARE(rig.window.frameList()->count(), 0); // a cancelled import adds nothing
        QVERIFY(rig.modals.unexpected().isEmpty());
    }

    void existingFileIsAskedFor_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<bool>("overwritten");
        QTest::newRow("yes") << int(QMessageBox::Yes) << QStringList{"logo.bmp", "other.bmp"} << true;
        QTest::newRow("no") << int(QMessageBox::No) << QStringList{"other.bmp"} << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << QStringList() << false;
    }

    void existingFileIsAskedFor()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, selected);
        QFETCH(bool, overwritten);
        ImportRig rig;
        const QString taken = QDir(rig.frameFolder).filePath(QStringLiteral("logo.bmp"));
        QVERIFY(writeFile(taken, "old"));
        const QString other = rig.picture(QStringLiteral("other.png"));
        rig.queueImport([&](ImportDialog *dialog) {
            if (answer == QMessageBox::Cancel) {
                QTest::mouseClick(button(dialog, "cmdConvert"), Qt::LeftButton);
                QVERIFY(!dialog->job()->isRunning());
                QVERIFY(dialog->isVisible()); // back to the settings
                return;
            }
            convert(dialog);
        });
        rig.modals.queueMessageAnswer(QMessageBox::StandardButton(answer)); // asked while the dialog is open
        rig.window.importPictures({rig.picture(QStringLiteral("logo.png")), other});
        QCOMPARE(rig.messages(),
                 QStringList() << boxLine(QStringLiteral("Import pictures"), Question.arg(rig.frameFolder),
                                          QMessageBox::Question,
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(FrameBitmapReader::problemWith(taken).isEmpty(), overwritten);
        QCOMPARE(rig.selectedFiles(), selected);
        QCOMPARE(rig.filesIn(rig.frameFolder).size(), answer == QMessageBox::Cancel ? 1 : 2);
    }

    // The adders' own prompt, numbering and ceiling.
    void framesGoToTheFrameList_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("message");
        QTest::newRow("next free") << "0002" << QStringList{"0002=spin000.bmp", "0003=spin001.bmp", "0004=spin002.bmp"}
                                   << QString();
        QTest::newRow("up to 255") << "254" << QStringList{"0254=spin000.bmp", "0255=spin001.bmp"}
                                   << "1 file was not added: frame numbers end at 255.";
    }

    void framesGoToTheFrameList()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, added);
        QFETCH(QString, message);
        ImportRig rig;
        const QString gif = rig.picture(QStringLiteral("spin.gif"));
        const QStringList before{"0000=a.bmp", "0001=b.bmp"};
        for (const QString &entry : before)
            rig.window.frameList()->add(entry.left(4), QDir(rig.pictureFolder).filePath(entry.mid(5)));
        rig.queueImport([&](ImportDialog *dialog) {
            dialog->findChild<QCheckBox *>(QStringLiteral("chkAddToList"))->setChecked(true);
            convert(dialog);
        });
        rig.modals.queueInputAnswer(typed); // once the dialog has closed
        if (!message.isEmpty())
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
        rig.window.importPictures({gif});
        QCOMPARE(rig.modals.pending(), 0);
        QVERIFY(rig.modals.unexpected().isEmpty());
        const ShownModal &prompt = rig.modals.shown().at(1);
        QCOMPARE(prompt.text, QStringLiteral("Ofset:"));
        QCOMPARE(prompt.defaultText, QStringLiteral("0002"));
        QCOMPARE(rig.entries(), before + added);
        QCOMPARE(rig.modals.shown().size(), message.isEmpty() ? 2 : 3);
        if (!message.isEmpty())
            QCOMPARE(rig.modals.shown().last().text, message);
    }

private:
    QTemporaryDir m_animations;
};

QTEST_MAIN(TestImportGui)
#include "tst_importgui.moc"
