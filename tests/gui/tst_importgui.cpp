// Pictures become frames from the window: the import dialog converts off the window's thread into
// the chosen folder, asks before overwriting, can be cancelled, hands its frames to the file list
// and the frame list.
#include "browserrig.h"
#include "picturefiles.h"

#include "base/localpath.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/filelistbox.h"
#include "frame/deviceview.h"
#include "frame/framebitmap.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "import/core/importjob.h"
#include "import/core/picturereader.h"
#include "import/core/picturesurvey.h"
#include "import/core/previewrenderer.h"
#include "import/widgets/importdialog.h"
#include "import/widgets/importpreview.h"

#include <QBuffer>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
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

// Animations of 3, 4 and 6 pictures, "spin3.gif" ..., and one longer than the device takes,
// "spin300.gif", made once before any window is: convert is a process, and a process started beside
// the window's threads confuses the thread sanitizer.
QString animations;
constexpr int Long = 300;

// The long one's pictures each a colour of its own, far enough from its neighbours' for the device.
QColor colourOf(int picture, int length)
{
    if (length != Long)
        return QColor::fromHsv(picture * 360 / length, 255, 255);
    return QColor::fromHsv(picture % 30 * 12, 255, 255 - picture / 30 * 12);
}

// The window browsing an empty folder "frames"; the pictures are made in "pictures".
struct ImportRig : Rig
{
    QString frameFolder = folder(QStringLiteral("frames"));
    QString pictureFolder = folder(QStringLiteral("pictures"));

    ImportRig() { window.browser()->openFolder(frameFolder); }

    // A picture of the kind its name says: "x.png" a 64 x 16 still one, "x.gif" an animation of
    // `length` pictures (3, 4, 6 or Long), "broken.*" none at all.
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
            result << FrameNumber::FormatFrameNumber(entry.number) + QLatin1Char('=')
                    + QFileInfo(entry.path).fileName();
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
        for (const int length : {3, 4, 6, Long}) {
            QList<QColor> colours;
            for (int i = 0; i < length; ++i)
                colours << colourOf(i, length);
            const QString path = m_animations.filePath(QStringLiteral("spin%1.gif").arg(length));
            QVERIFY(length == Long ? PictureFiles::writeGif(path, colours)
                                   : PictureFiles::writeAnimation(path, colours));
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
            rig.window.frameList()->add(entry.left(4).toInt(), QDir(rig.pictureFolder).filePath(entry.mid(5)));
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

    // 1024 x 768 less a taskbar and the title bar: at its smallest the dialog shows every control
    // whole, none cut off or squeezed below what it needs.
    void fitsASmallScreen()
    {
        ImportRig rig;
        rig.queueImport([&](ImportDialog *dialog) {
            QTRY_VERIFY_WITH_TIMEOUT(dialog->survey()->isDone(), JobTimeoutMs); // all it will show
            const QSize least = dialog->minimumSize().expandedTo(dialog->minimumSizeHint());
            QVERIFY2(least.width() <= 1000 && least.height() <= 700,
                     qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
            dialog->resize(least);
            dialog->layout()->activate();
            int seen = 0;
            for (QWidget *control : dialog->findChildren<QWidget *>()) {
                const QString name = control->objectName();
                if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !control->isVisibleTo(dialog))
                    continue;
                const QRect where(control->mapTo(dialog, QPoint(0, 0)), control->size());
                QVERIFY2(dialog->rect().contains(where), qPrintable(name));
                QVERIFY2(control->visibleRegion().boundingRect() == control->rect(), qPrintable(name));
                const QSize needs = control->minimumSizeHint();
                QVERIFY2(control->width() >= needs.width() && control->height() >= needs.height(), qPrintable(name));
                ++seen;
            }
            for (const char *name :
                 {"cmdConvert", "cmdCancel", "cmdBrowse", "optStretch", "chkAddToList", "spnEvery", "imgShown"})
                QVERIFY2(dialog->findChild<QWidget *>(QString::fromLatin1(name)), name);
            QVERIFY(seen > 20);
        });
        rig.window.importPictures({rig.picture(QStringLiteral("spin.gif"), Long)});
        QVERIFY(rig.modals.unexpected().isEmpty());
    }

    void longAnimationIsChosenFrom_data()
    {
        QTest::addColumn<int>("first"); // as the operator counts, from 1; 0 leaves it
        QTest::addColumn<int>("last"); // 0: the last picture
        QTest::addColumn<int>("every"); // 0: the Nth that fits, as offered
        QTest::addColumn<QList<int>>("taken"); // the pictures that become frames, from 0
        QTest::addColumn<QString>("told");
        const auto range = [](int from, int to, int step) {
            QList<int> pictures;
            for (int p = from; p <= to; p += step)
                pictures << p;
            return pictures;
        };
        QTest::newRow("every 10th") << 0 << 0 << 10 << range(0, 299, 10)
                                    << "30 pictures become frames; the device takes 256.";
        QTest::newRow("pictures 101 to 120")
            << 101 << 120 << 1 << range(100, 119, 1) << "20 pictures become frames; the device takes 256.";
        QTest::newRow("every 3rd of 31 to 90")
            << 31 << 90 << 3 << range(30, 89, 3) << "20 pictures become frames; the device takes 256.";
        QTest::newRow("every Nth that fits")
            << 0 << 0 << 0 << range(0, 299, 2) << "150 pictures become frames; the device takes 256.";
    }

    // A longer animation than the device takes says so before converting; a range or every Nth
    // picture makes exactly those frames.
    void longAnimationIsChosenFrom()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, every);
        QFETCH(QList<int>, taken);
        QFETCH(QString, told);
        ImportRig rig;
        const QString gif = rig.picture(QStringLiteral("spin.gif"), Long);
        rig.queueImport([&](ImportDialog *dialog) {
            auto *said = dialog->findChild<QLabel *>(QStringLiteral("lblAnimation"));
            QTRY_VERIFY_WITH_TIMEOUT(dialog->survey()->isDone(), JobTimeoutMs);
            QCOMPARE(said->text(),
                     QStringLiteral("300 pictures would become frames: 256 fit the device, 44 would be "
                                    "left out. Take every Nth picture or a range so they fit."));
            QTRY_VERIFY_WITH_TIMEOUT(dialog->preview()->renderer()->isDone(), JobTimeoutMs);
            auto *caption = dialog->findChild<QLabel *>(QStringLiteral("lblPreview"));
            QVERIFY2(caption->text().contains(QStringLiteral("picture 1 of 300 of the animation, frame 1 of the 256")),
                     qPrintable(caption->text()));
            if (first > 0)
                dialog->findChild<QSpinBox *>(QStringLiteral("spnFirst"))->setValue(first);
            if (last > 0)
                dialog->findChild<QSpinBox *>(QStringLiteral("spnLast"))->setValue(last);
            if (every > 0)
                dialog->findChild<QSpinBox *>(QStringLiteral("spnEvery"))->setValue(every);
            else
                QTest::mouseClick(button(dialog, "cmdFitAnimation"), Qt::LeftButton);
            QCOMPARE(said->text(), told);
            convert(dialog);
        });
        rig.window.importPictures({gif});
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.filesIn(rig.frameFolder).size(), taken.size());
        for (int k = 0; k < taken.size(); ++k) {
            const auto frame = FrameBitmapReader::readFile(
                QDir(rig.frameFolder).filePath(QStringLiteral("spin%1.bmp").arg(k, 3, 10, QLatin1Char('0'))));
            QVERIFY(frame);
            const QRgb shown = DeviceView::shown(frame->palette[frame->pixel(64, 128)]);
            const QColor wanted = colourOf(taken[k], Long);
            QVERIFY2(std::abs(qRed(shown) - wanted.red()) <= 6 && std::abs(qGreen(shown) - wanted.green()) <= 6
                         && std::abs(qBlue(shown) - wanted.blue()) <= 6,
                     qPrintable(QStringLiteral("frame %1 is not picture %2").arg(k).arg(taken[k])));
        }
    }

    void picturesThatMakeNoFrameAreMarked_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: a good picture
        QTest::addColumn<bool>("marked");
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(Odd);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        QTest::newRow("empty") << QByteArray("") << true;
        QTest::newRow("not a picture") << QByteArray("plain text") << true;
        QTest::newRow("cut off halfway") << png.left(png.size() / 2) << true;
        QTest::newRow("whole") << png << false;
    }

    // Marked as soon as it is added, with the reason converting would give; the others are not.
    void picturesThatMakeNoFrameAreMarked()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, marked);
        ImportRig rig;
        const QString path = QDir(rig.pictureFolder).filePath(QStringLiteral("picture.png"));
        QVERIFY(writeFile(path, bytes));
        PictureReader::Read read;
        QString why;
        QCOMPARE(PictureReader::read(path, ImportOptions(), 1, &read, &why), !marked);
        rig.queueImport([&](ImportDialog *dialog) {
            const QListWidgetItem *item = dialog->findChild<QListWidget *>(QStringLiteral("lstPictures"))->item(0);
            QTRY_VERIFY_WITH_TIMEOUT(dialog->survey()->isDone(), JobTimeoutMs);
            QCOMPARE(item->text(), marked ? QStringLiteral("picture.png: ") + why : QStringLiteral("picture.png"));
            QCOMPARE(item->icon().isNull(), !marked);
            QCOMPARE(item->toolTip().contains(QStringLiteral("Makes no frame")), marked);
        });
        rig.window.importPictures({path});
        QVERIFY(rig.modals.unexpected().isEmpty());
    }

    // The size, background, dithering and "add to the frame list" come back in the next dialog.
    void optionsAreRemembered()
    {
        ImportRig rig;
        const QString logo = rig.picture(QStringLiteral("logo.png"));
        rig.queueImport([&](ImportDialog *dialog) {
            QTest::mouseClick(dialog->findChild<QRadioButton *>(QStringLiteral("optFill")), Qt::LeftButton);
            rig.modals.queueDialog([](QDialog *chooser) {
                qobject_cast<QColorDialog *>(chooser)->setCurrentColor(QColor(0x10, 0x20, 0x30));
                chooser->accept();
            });
            QTest::mouseClick(button(dialog, "cmdBackground"), Qt::LeftButton);
            dialog->findChild<QSlider *>(QStringLiteral("sldDither"))->setValue(40);
            dialog->findChild<QCheckBox *>(QStringLiteral("chkAddToList"))->setChecked(true);
        });
        rig.window.importPictures({logo});
        rig.queueImport([&](ImportDialog *dialog) {
            QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("optFill"))->isChecked());
            QCOMPARE(button(dialog, "cmdBackground")->text(), QStringLiteral("#102030"));
            QCOMPARE(dialog->findChild<QSlider *>(QStringLiteral("sldDither"))->value(), 40);
            QVERIFY(dialog->findChild<QCheckBox *>(QStringLiteral("chkAddToList"))->isChecked());
            const ImportOptions options = dialog->options();
            QCOMPARE(options.geometry, ImportOptions::Geometry::Fill);
            QCOMPARE(options.background, QColor(0x10, 0x20, 0x30));
            QCOMPARE(options.dither, 0.4);
        });
        rig.window.importPictures({logo});
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.modals.pending(), 0);
    }

    void missingFolderIsOffered_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("made");
        QTest::newRow("made") << int(QMessageBox::Yes) << QStringList{"logo.bmp"};
        QTest::newRow("not made") << int(QMessageBox::No) << QStringList();
    }

    // A folder that is not there, two levels of it, is offered to be made; No goes back.
    void missingFolderIsOffered()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, made);
        ImportRig rig;
        const QString target = QDir(rig.frameFolder).filePath(QStringLiteral("new/frames"));
        rig.queueImport([&](ImportDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("txtFolder"))->setText(target);
            if (answer == QMessageBox::Yes) {
                convert(dialog);
                return;
            }
            QTest::mouseClick(button(dialog, "cmdConvert"), Qt::LeftButton);
            QVERIFY(!dialog->job()->isRunning());
            QVERIFY(dialog->isVisible());
        });
        rig.modals.queueMessageAnswer(QMessageBox::StandardButton(answer));
        rig.window.importPictures({rig.picture(QStringLiteral("logo.png"))});
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.messages(),
                 QStringList{boxLine(QStringLiteral("Import pictures"),
                                     QStringLiteral("The folder %1 does not exist. Make it and write the frame files "
                                                    "there?\n\nNo goes back to choose another.")
                                         .arg(target),
                                     QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)});
        QCOMPARE(LocalPath::stat(target).isFolder, !made.isEmpty());
        QCOMPARE(rig.filesIn(target), made);
    }

private:
    QTemporaryDir m_animations;
};

QTEST_MAIN(TestImportGui)
#include "tst_importgui.moc"
