// The two previews: chosen by the keys as by a click, once at start-up, bitmaps only, and shown as
// the device shows them when the operator asks.
#include "bmpwriter.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/filelistbox.h"
#include "framelist/core/framelistmodel.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

// Picture n is (20 + n) x 10, so a preview's width tells which one it shows.
int widthOf(int n)
{
    return 20 + n;
}

bool writePicture(const QString &path, int n, const char *format = "BMP")
{
    QImage image(widthOf(n), 10, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path, format);
}

// The window browsing a folder of bitmaps a.bmp, b.bmp, ... (picture 0, 1, ...; "b.bmp=PNG"
// writes another format under that name), with its port on a pseudo-terminal so start-up asks
// nothing.
struct Rig
{
    TestSettings store;
    PtyPair device;
    ScriptedModals modals;
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    std::unique_ptr<frmMain> window;
    std::unique_ptr<QSignalSpy> reads; // pictures read for a preview

    explicit Rig(const QStringList &names)
    {
        store.setValue(QStringLiteral("Ports/Com2"), device.devicePath());
        for (int n = 0; n < names.size(); ++n) {
            const QStringList nameAndFormat = names[n].split(QLatin1Char('='));
            const QByteArray format = nameAndFormat.value(1, QStringLiteral("BMP")).toLatin1();
            writePicture(dir.filePath(nameAndFormat[0]), n, format.constData());
        }
        QDir::setCurrent(dir.path());
        window = std::make_unique<frmMain>();
        reads = std::make_unique<QSignalSpy>(window->browser(), &BitmapBrowser::previewRead);
    }
    ~Rig()
    {
        reads.reset();
        window.reset();
        QDir::setCurrent(previous);
    }

    void start()
    {
        window->Form_Load();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    template<typename T> T *get(const char *name) const { return window->findChild<T *>(QString::fromLatin1(name)); }
    int shownWidth(const char *preview) const { return get<QLabel>(preview)->pixmap().width(); }
    // Both previews' middle pixels, Image1's first.
    static QList<QRgb> shownColours(const frmMain &window)
    {
        QList<QRgb> colours;
        for (const char *name : {"Image1", "Image2"}) {
            const QImage image = window.findChild<QLabel *>(QString::fromLatin1(name))->pixmap().toImage();
            colours << image.pixel(image.width() / 2, image.height() / 2);
        }
        return colours;
    }
    int loads() const { return int(reads->count()); }
    QStringList messages() const
    {
        QStringList texts;
        for (const ShownModal &box : modals.shown())
            texts << box.text;
        return texts;
    }
};

} // namespace

class TestPreviews : public QObject
{
    Q_OBJECT

private slots:
    void keysPreviewTheFileList_data()
    {
        QTest::addColumn<QString>("keys"); // Qt key names, or letters typed to find a name
        QTest::addColumn<int>("expected");
        QTest::newRow("down") << "Down" << 1;
        QTest::newRow("down twice") << "Down Down" << 2;
        QTest::newRow("end") << "End" << 3;
        QTest::newRow("end then home") << "End Home" << 0;
        QTest::newRow("typed letter") << "c" << 2;
    }

    void keysPreviewTheFileList()
    {
        QFETCH(QString, keys);
        QFETCH(int, expected);
        Rig rig({"a.bmp", "b.bmp", "c.bmp", "d.bmp"});
        rig.start();
        auto *files = rig.get<FileListBox>("File1");
        QCOMPARE(rig.shownWidth("Image1"), widthOf(0));
        files->setFocus();
        const QStringList pressed = keys.split(QLatin1Char(' '));
        const int before = rig.loads();
        for (const QString &key : pressed) {
            if (key.size() == 1)
                QTest::keyClicks(files, key);
            else
                QTest::keyClick(files,
                                key == QLatin1String("Down")      ? Qt::Key_Down
                                    : key == QLatin1String("End") ? Qt::Key_End
                                                                  : Qt::Key_Home);
        }
        QCOMPARE(rig.shownWidth("Image1"), widthOf(expected));
        QCOMPARE(rig.loads() - before, pressed.size()); // one picture read a key, none twice
        QVERIFY(rig.modals.shown().isEmpty());
    }

    void clickOnTheCurrentFilePreviewsItAgain()
    {
        Rig rig({"a.bmp", "b.bmp"});
        rig.start();
        auto *files = rig.get<FileListBox>("File1");
        const int before = rig.loads();
        const QRect second = files->visualRect(files->model()->index(1, 0));
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(rig.loads() - before, 1);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(rig.loads() - before, 2);
        QCOMPARE(rig.shownWidth("Image1"), widthOf(1));
    }

    void keysPreviewTheFrameList()
    {
        Rig rig({"a.bmp", "b.bmp", "c.bmp"});
        rig.start();
        auto *list = rig.get<QTreeView>("ListView1");
        for (const char *name : {"c.bmp", "a.bmp", "b.bmp"})
            rig.window->frameList()->add(rig.window->frameList()->count(), rig.dir.filePath(QString::fromLatin1(name)));
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 0));
        QCOMPARE(rig.shownWidth("Image2"), widthOf(2));
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(rig.shownWidth("Image2"), widthOf(0));
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(rig.shownWidth("Image2"), widthOf(1));

        // Removing the current entry moves the current row: no preview, no message.
        const int before = rig.loads();
        rig.window->frameList()->remove(3);
        rig.window->frameList()->remove(1);
        QCOMPARE(rig.loads(), before);
        QVERIFY(rig.modals.shown().isEmpty());
    }

    void startUpPreviewsTheFirstBitmapOnce_data()
    {
        QTest::addColumn<bool>("broken");
        QTest::newRow("a bitmap") << false;
        QTest::newRow("a broken bitmap") << true;
    }

    void startUpPreviewsTheFirstBitmapOnce()
    {
        QFETCH(bool, broken);
        Rig rig({"a.bmp", "b.bmp"});
        if (broken) {
            QFile first(rig.dir.filePath(QStringLiteral("a.bmp")));
            QVERIFY(first.open(QIODevice::WriteOnly | QIODevice::Truncate));
            first.write("BM not really");
            rig.modals.queueMessageAnswer(QMessageBox::Ok);
        }
        QCOMPARE(rig.loads(), 0);
        rig.start();
        QCOMPARE(rig.loads(), 1);
        QCOMPARE(rig.messages(), broken ? QStringList{QStringLiteral("Unknown error!")} : QStringList());
        QCOMPARE(rig.get<QLabel>("Image1")->pixmap().isNull(), broken);
    }

    // A picture of another kind named ".bmp" is no bitmap: the message, and the old preview stays.
    void otherPicturesNamedBmpAreRefused_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("PNG") << QByteArray("PNG");
        QTest::newRow("JPEG") << QByteArray("JPG");
        QTest::newRow("PPM") << QByteArray("PPM");
    }

    void otherPicturesNamedBmpAreRefused()
    {
        QFETCH(QByteArray, format);
        Rig rig({QStringLiteral("a.bmp"), QStringLiteral("b.bmp=") + QString::fromLatin1(format)});
        rig.start();
        QCOMPARE(rig.shownWidth("Image1"), widthOf(0));
        rig.get<FileListBox>("File1")->selectAndClick(1);
        rig.window->frameList()->add(1, rig.dir.filePath(QStringLiteral("a.bmp")));
        rig.window->frameList()->add(2, rig.dir.filePath(QStringLiteral("b.bmp")));
        rig.window->browser()->ListView1_ItemClick(1);
        rig.window->browser()->ListView1_ItemClick(2);
        QCOMPARE(rig.messages(), QStringList(2, QStringLiteral("Unknown error!")));
        QCOMPARE(rig.shownWidth("Image1"), widthOf(0));
        QCOMPARE(rig.shownWidth("Image2"), widthOf(0));
    }

    // One check for both previews, kept in the settings: each colour as the device shows it.
    void deviceView()
    {
        Rig rig({"a.bmp"});
        const QRgb odd = qRgb(3, 126, 250); // no component a level the device shows
        const QRgb shown = qRgb(0, 125, 251); // levels 0, 31 and 62 of 63
        const QString path = rig.dir.filePath(QStringLiteral("a.bmp"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(BmpWriter::standardFrame({odd}, QByteArray(32768, 0)));
        file.close();
        rig.start();
        rig.window->frameList()->add(0, path);
        rig.window->browser()->ListView1_ItemClick(1);
        QCOMPARE(Rig::shownColours(*rig.window), QList<QRgb>(2, odd));

        auto *toggle = rig.get<QAction>("actDeviceView");
        QVERIFY(rig.get<QLabel>("Image1")->actions().contains(toggle));
        QVERIFY(rig.get<QLabel>("Image2")->actions().contains(toggle));
        QVERIFY(!toggle->isChecked());
        toggle->trigger();
        QCOMPARE(Rig::shownColours(*rig.window), QList<QRgb>(2, shown));
        QCOMPARE(rig.store.value(QStringLiteral("Previews/DeviceView")), QStringLiteral("true"));

        frmMain again; // the next run
        again.findChild<FileListBox *>(QStringLiteral("File1"))->selectAndClick(0);
        again.frameList()->add(0, path);
        again.browser()->ListView1_ItemClick(1);
        QVERIFY(again.findChild<QAction *>(QStringLiteral("actDeviceView"))->isChecked());
        QCOMPARE(Rig::shownColours(again), QList<QRgb>(2, shown));

        toggle->trigger();
        QCOMPARE(Rig::shownColours(*rig.window), QList<QRgb>(2, odd));
        QCOMPARE(rig.store.value(QStringLiteral("Previews/DeviceView")), QStringLiteral("false"));
        QVERIFY(rig.modals.shown().isEmpty());
    }
};

QTEST_MAIN(TestPreviews)
#include "tst_previews.moc"
