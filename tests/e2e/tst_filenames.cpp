// File names with spaces, quotes, letters beyond ASCII and bytes that are not UTF-8, in a folder
// whose own name is not UTF-8: listed, previewed, added by ">" and by a drop, sent from the window
// and from drelin-upload, each time to the very same file, with the frame name as the device shows it.
#include "bmpwriter.h"
#include "farend.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "base/localpath.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/filelistbox.h"
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <iterator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each file gets colours and pixels of its own, so the preview and the upload tell which was used.
QVector<QRgb> palette(int seed)
{
    QVector<QRgb> colours;
    for (int e = 0; e < 256; ++e)
        colours.append(qRgb((e + seed * 37) & 0xFF, (e * 3 + seed) & 0xFF, (255 - e) & 0xFF));
    return colours;
}

QByteArray pixels(int seed)
{
    QByteArray result(FrameBitmap::PixelCount, '\0');
    for (int i = 0; i < result.size(); ++i)
        result[i] = char((i / (seed + 2) + (i >> 8) * seed) & 0xFF);
    return result;
}

bool writeRaw(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// The main window, with Com2 on a pseudo-terminal and pauses without the waiting, browsing `folder`.
struct Rig
{
    TestSettings store;
    PtyPair pty;
    ScriptedModals modals;
    ManualClock clock;
    std::unique_ptr<frmMain> window;

    explicit Rig(const QString &folder)
    {
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        window = std::make_unique<frmMain>(nullptr, &clock);
        window->upload()->setTransmitClock(&clock);
        window->Form_Load();
        window->show();
        opened = window->browser()->openFolder(folder);
        modals.clear(); // whatever the starting folder's first file made of its preview
    }

    bool opened = false;
    FileListBox *files() const { return window->findChild<FileListBox *>(QStringLiteral("File1")); }
    QLabel *image1() const { return window->findChild<QLabel *>(QStringLiteral("Image1")); }
    FrameListModel *list() const { return window->frameList(); }
    void click(const char *name) const
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    // Clicks the file-list entry shown as `name`; false when there is none.
    bool clickFile(const QString &name) const
    {
        for (int row = 0; row < files()->ListCount(); ++row) {
            if (files()->List(row) != name)
                continue;
            const QModelIndex index = files()->model()->index(row, 0);
            files()->scrollTo(index);
            QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, files()->visualRect(index).center());
            return true;
        }
        return false;
    }
};

void compareFrame(const DecodedFrame &frame, int number, const QByteArray &nameField, int seed)
{
    QVERIFY2(frame.complete, qPrintable(frame.problem));
    QCOMPARE(frame.number, number);
    QCOMPARE(frame.nameField, nameField);
    const QVector<QRgb> colours = palette(seed);
    for (int e = 0; e < 256; ++e) {
        const auto &entry = frame.sixBitPalette[size_t(e)];
        QCOMPARE(QList<int>({entry[0], entry[1], entry[2]}),
                 QList<int>({qRed(colours[e]) / 4, qGreen(colours[e]) / 4, qBlue(colours[e]) / 4}));
    }
    QCOMPARE(frame.pixels, pixels(seed));
}

struct Name
{
    const char *row;
    QByteArray bytes; // the file's name, byte for byte
    QByteArray nameField; // the 8 characters the device shows: the name up to its first dot
};

const Name Names[] = {
    {"space", "my logo.bmp", "my logo "},
    {"quotes", "it's \"quoted\".bmp", "it's \"qu"},
    {"UTF-8 letter and symbol", "čokolada ☕.bmp", "?okolada"},
    {"beyond 16 bits", "🎞 reel.bmp", "? reel  "},
    {"Latin-1 byte E9", "caf\xE9 logo.bmp", "caf? log"},
    {"byte FF, two dots", "\xFFlogo.v2.bmp", "?logo   "},
    {"Latin-1 then UTF-8", "\xE9t\xC3\xA9.bmp", "?t?     "},
    {"URL characters", "50%41 #1?.bmp", "50%41 #1"},
};

} // namespace

class TestFileNames : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QByteArray m_folder; // the folder's path as the system holds it

    QString folder() const { return LocalPath::decode(m_folder); }

    void nameRows()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("nameField");
        QTest::addColumn<int>("seed");
        for (int seed = 0; seed < int(std::size(Names)); ++seed)
            QTest::newRow(Names[seed].row) << Names[seed].bytes << Names[seed].nameField << seed;
    }

    // One frame for each name, in the order of the names, numbered 0 up.
    static void compareFrames(const QByteArray &stream)
    {
        WireDecoder decoder;
        decoder.feed(stream);
        decoder.finish();
        const QList<DecodedFrame> frames = decoder.takeFrames();
        QCOMPARE(frames.size(), qsizetype(std::size(Names)));
        for (int seed = 0; seed < int(std::size(Names)) && !QTest::currentTestFailed(); ++seed)
            compareFrame(frames[seed], seed, Names[seed].nameField, seed);
    }

    // The entry of a one-entry frame list names the file byte for byte, and it opens.
    static void checkEntry(const FrameListModel *list, const QString &text, const QByteArray &bytes)
    {
        QCOMPARE(list->count(), 1);
        QCOMPARE(FrameNumber::FormatFrameNumber(list->entry(1).number), text);
        QCOMPARE(LocalPath::encode(list->entry(1).path), bytes);
        QVERIFY(LocalPath::stat(list->entry(1).path).isFile);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_folder = QFile::encodeName(m_root.path()) + "/b\xE8lder \xC3\xA9";
        QVERIFY(::mkdir(m_folder.constData(), 0755) == 0);
        for (int seed = 0; seed < int(std::size(Names)); ++seed)
            QVERIFY(
                writeRaw(m_folder + '/' + Names[seed].bytes, BmpWriter::standardFrame(palette(seed), pixels(seed))));
    }

    // Qt cannot remove names that are not UTF-8; take them away by their bytes.
    void cleanupTestCase()
    {
        if (DIR *dir = ::opendir(m_folder.constData())) {
            while (const dirent *entry = ::readdir(dir)) {
                if (entry->d_name[0] != '.')
                    ::unlink((m_folder + '/' + entry->d_name).constData());
            }
            ::closedir(dir);
        }
        QVERIFY(::rmdir(m_folder.constData()) == 0);
    }

    void everyNameIsListed()
    {
        Rig rig(folder());
        QVERIFY2(rig.opened, "the folder opens");
        QStringList expected;
        for (const Name &name : Names)
            expected << LocalPath::decode(name.bytes);
        QStringList listed;
        for (int row = 0; row < rig.files()->ListCount(); ++row)
            listed << rig.files()->List(row);
        expected.sort();
        listed.sort();
        QCOMPARE(listed, expected);
    }

    void listedAndPreviewed_data() { nameRows(); }
    void listedAndPreviewed()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, seed);
        Rig rig(folder());
        QVERIFY(rig.opened);
        rig.image1()->setPixmap(QPixmap(3, 3));

        QVERIFY2(rig.clickFile(LocalPath::decode(name)), "the file list shows the name");

        QVERIFY(rig.modals.shown().isEmpty());
        QImage expected(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
        const QVector<QRgb> colours = palette(seed);
        const QByteArray indices = pixels(seed);
        for (int y = 0; y < FrameBitmap::Height; ++y) {
            for (int x = 0; x < FrameBitmap::Width; ++x)
                expected.setPixel(x, y, colours[quint8(indices[y * FrameBitmap::Width + x])]);
        }
        QCOMPARE(rig.image1()->pixmap().toImage().convertToFormat(QImage::Format_RGB32), expected);
    }

    void addedByTheCopyButton_data() { nameRows(); }
    void addedByTheCopyButton()
    {
        QFETCH(QByteArray, name);
        Rig rig(folder());
        QVERIFY(rig.opened);
        QVERIFY2(rig.clickFile(LocalPath::decode(name)), "the file list shows the name");
        rig.modals.queueInputAnswer(QStringLiteral("7")); // "Ofset:"
        rig.click("cmdCopy");
        checkEntry(rig.list(), QStringLiteral("0007"), m_folder + '/' + name);
        QVERIFY(rig.modals.unexpected().isEmpty());
    }

    // Every name in one upload, frame n from name n.
    void sentFromTheWindow()
    {
        Rig rig(folder());
        QVERIFY(rig.window->MSComm1().PortOpen());
        FarEnd device(rig.pty);
        for (int seed = 0; seed < int(std::size(Names)); ++seed)
            rig.list()->add(seed, LocalPath::decode(m_folder + '/' + Names[seed].bytes));
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"
        rig.click("cmdSaljiSve");
        QVERIFY(ended.wait(20000));
        QVERIFY(rig.modals.unexpected().isEmpty());
        QCOMPARE(rig.modals.shown().last().icon, QMessageBox::Information);

        QTRY_COMPARE(device.receivedCount(), qint64(std::size(Names)) * WireFormat::FrameCharacters);
        compareFrames(device.received());
    }

    // Every name in one run of the command, numbered 0 up: the first half as bare paths, the rest
    // as NUMBER=PATH.
    void sentByTheCommand()
    {
        // QProcess hands arguments over as UTF-8, which cannot carry these bytes: the shell's printf
        // makes them from octal escapes instead.
        QString paths;
        for (int seed = 0; seed < int(std::size(Names)); ++seed) {
            QByteArray escaped = seed < int(std::size(Names)) / 2 ? QByteArray() : QByteArray::number(seed) + '=';
            for (const char byte : m_folder + '/' + Names[seed].bytes)
                escaped += '\\' + QByteArray::number(quint8(byte), 8).rightJustified(3, '0');
            paths += QStringLiteral(" \"$(printf '%1')\"").arg(QString::fromLatin1(escaped));
        }
        const QString capture = m_root.filePath(QStringLiteral("all.cap"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        const QString script = QStringLiteral("exec \"$0\" --capture \"$1\"") + paths;
        process.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), script, QStringLiteral(DRELIN_UPLOAD), capture});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        compareFrames(file.readAll());
    }

    void addedByDrop_data() { nameRows(); }
    void addedByDrop()
    {
        QFETCH(QByteArray, name);
        const QByteArray path = m_folder + '/' + name;
        Rig rig(folder());
        auto *view = rig.window->findChild<QTreeView *>(QStringLiteral("ListView1"));
        QMimeData data;
        // As a file manager sends it: every byte that is not plain ASCII percent-encoded.
        data.setUrls({QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode)});
        QVERIFY(data.urls().first().isValid());
        rig.modals.queueInputAnswer(QStringLiteral("9")); // "Ofset:"

        const QPoint at = view->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &enter);
        QVERIFY2(enter.isAccepted(), "the drag is taken");
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &drop);
        QVERIFY(drop.isAccepted());

        QTRY_COMPARE(rig.list()->count(), 1);
        checkEntry(rig.list(), QStringLiteral("0009"), path);
        QVERIFY(rig.modals.unexpected().isEmpty());
    }
};

QTEST_MAIN(TestFileNames)
#include "tst_filenames.moc"
