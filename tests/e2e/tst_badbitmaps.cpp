// Broken bitmaps of every kind, refused with their reason by drelin-upload and by the window's
// upload (before anything is sent) and, without a crash or a hang, by the preview; the reader's
// own test takes the same table. Every entry goes through one run of each; the samples also get a
// run of their own. The valid shapes still go out whole.
#include "asuser.h"
#include "badbitmaps.h"
#include "bmpwriter.h"
#include "farend.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/filelistbox.h"
#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Kind = BadBitmap::Kind;
using Preview = BadBitmap::Preview;

// The main window on a pseudo-terminal at Com2, pauses without the waiting, its start-up boxes
// (if any) forgotten.
struct Window
{
    TestSettings store;
    PtyPair pty;
    ScriptedModals modals;
    ManualClock clock;
    std::unique_ptr<frmMain> window;

    Window()
    {
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        window = std::make_unique<frmMain>(nullptr, &clock);
        window->upload()->setTransmitClock(&clock);
        window->Form_Load();
        window->show();
        modals.clear();
    }

    template<typename T = QWidget> T *get(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    FrameListModel *list() const { return window->frameList(); }
    QStringList entries() const
    {
        QStringList result;
        for (const FrameEntry &entry : list()->entries())
            result << FrameNumber::FormatFrameNumber(entry.number) + QLatin1Char('=') + entry.path;
        return result;
    }
};

bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Rows with runs of odd and even lengths and changing indices, so RLE8 uses runs and literals.
QByteArray picture(int indexMask)
{
    QByteArray pixels;
    for (int r = 0; r < FrameBitmap::Height; ++r) {
        for (int c = 0; c < FrameBitmap::Width; ++c) {
            const int block = c / (3 + r % 5);
            pixels.append(char((block % 2 == 0 ? r + block : r * 31 + c * 7) & indexMask));
        }
    }
    return pixels;
}

QVector<QRgb> colours(int count)
{
    QVector<QRgb> palette;
    for (int e = 0; e < count; ++e)
        palette.append(qRgb((e * 11 + 5) & 0xFF, (e * 3) & 0xFF, (250 - e) & 0xFF));
    return palette;
}

} // namespace

class TestBadBitmaps : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_corpusFolder;
    QVector<BadBitmap> m_corpus;
    QString m_programCopy; // drelin-upload where an unprivileged user can run it
    QString m_out; // captures and settings, writable by anyone
    QString m_good;

    struct Run
    {
        int exitCode;
        QByteArray out, err;
    };

    Run upload(const QStringList &arguments, bool unprivileged)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_out + QStringLiteral("/config"));
        process.setProcessEnvironment(environment);
        if (unprivileged) {
            // Qt will not run with real and effective users apart; make the child wholly that user.
            process.setChildProcessModifier([] {
                if (::setregid(::getegid(), ::getegid()) != 0 || ::setreuid(::geteuid(), ::geteuid()) != 0)
                    ::_exit(99);
            });
        }
        process.start(unprivileged ? m_programCopy : QStringLiteral(DRELIN_UPLOAD), arguments);
        if (!process.waitForFinished(30000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    // What the browser makes of the entry, when that is not what it must: empty when right.
    static QString previewProblem(frmMain &window, ScriptedModals &modals, const BadBitmap &entry)
    {
        auto *files = window.findChild<FileListBox *>(QStringLiteral("File1"));
        auto *folders = window.findChild<DirListBox *>(QStringLiteral("Dir1"));
        auto *image = window.findChild<QLabel *>(QStringLiteral("Image1"));
        const QString name = QFileInfo(entry.path).fileName();
        int row = -1;
        for (int i = 0; i < files->ListCount(); ++i) {
            if (files->List(i) == name)
                row = i;
        }
        if (entry.kind == Kind::Folder)
            return row < 0 && !folders->findItems(name, Qt::MatchEndsWith).isEmpty() ? QString()
                                                                                     : QStringLiteral("not a folder");
        if (entry.kind == Kind::Unlisted)
            return row < 0 ? QString() : QStringLiteral("listed");
        if (row < 0) // a pipe may be listed or not; a file named .bmp is listed
            return entry.kind == Kind::Pipe ? QString() : QStringLiteral("not listed");

        std::optional<AsUser> user;
        if (needsUser(entry)) {
            if (!AsUser::possible())
                return QString(); // root reads it: nothing to see
            user.emplace();
            if (!user->active())
                return QStringLiteral("no unprivileged user");
        }
        image->setPixmap(QPixmap(3, 3));
        const qint64 before = image->pixmap().cacheKey();
        modals.clear();
        modals.queueMessageAnswer(QMessageBox::Ok);
        const QModelIndex index = files->model()->index(row, 0);
        files->scrollTo(index);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(index).center());
        user.reset();

        if (files->ListIndex() != row)
            return QStringLiteral("the click did not make it current");
        const bool refused = !modals.shown().isEmpty();
        const bool shown = image->pixmap().cacheKey() != before;
        if (refused) {
            const ShownModal &box = modals.shown().first();
            if (modals.shown().size() != 1 || box.text != QLatin1String("Unknown error!")
                || box.title != QLatin1String("Error") || box.icon != QMessageBox::Critical)
                return QStringLiteral("refused with %1 boxes, the first \"%2\"")
                    .arg(modals.shown().size())
                    .arg(box.text);
        }
        if (refused == shown)
            return refused ? QStringLiteral("refused, yet shown") : QStringLiteral("neither shown nor refused");
        if (entry.preview == Preview::Refused && !refused)
            return QStringLiteral("previewed");
        if (entry.preview == Preview::Picture && (refused || image->pixmap().width() <= 3))
            return QStringLiteral("not previewed");
        return QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        // Reachable by the unprivileged user: the permission entry must fail on itself alone.
        m_corpusFolder = m_root.filePath(QStringLiteral("corpus"));
        m_out = m_root.filePath(QStringLiteral("out"));
        m_programCopy = m_root.filePath(QStringLiteral("bin/drelin-upload")); // the build folder may be closed
        QVERIFY(QDir().mkpath(m_corpusFolder) && QDir().mkpath(m_out) && QDir().mkpath(m_root.filePath("bin")));
        QVERIFY(setMode(m_root.path(), 0755) && setMode(m_corpusFolder, 0755) && setMode(m_out, 0777));
        QVERIFY(setMode(m_root.filePath("bin"), 0755));
        QVERIFY(QFile::copy(QStringLiteral(DRELIN_UPLOAD), m_programCopy) && setMode(m_programCopy, 0755));

        m_corpus = writeBadBitmaps(m_corpusFolder);
        QVERIFY(m_corpus.size() >= 70);
        m_good = m_root.filePath(QStringLiteral("good.bmp"));
        QFile good(m_good);
        QVERIFY(good.open(QIODevice::WriteOnly) && good.write(goodFrameFile()) > 0 && good.flush());
        QVERIFY(FrameBitmapReader::readFile(m_good));
    }

    // Every entry in one run: each named with its reason, and nothing written.
    void commandListsEveryBadEntry()
    {
        const QString capture = m_out + QStringLiteral("/all.cap");
        QStringList arguments{QStringLiteral("--capture"), capture, m_good};
        for (const BadBitmap &entry : std::as_const(m_corpus)) {
            if (!entry.asUser)
                arguments << entry.path;
        }
        const Run refused = upload(arguments, false);
        QCOMPARE(refused.exitCode, 1);
        const QString said = QString::fromUtf8(refused.err);
        const QStringList lines = said.split(QLatin1Char('\n'));
        for (const BadBitmap &entry : std::as_const(m_corpus)) {
            const bool named = std::any_of(lines.begin(), lines.end(), [&](const QString &line) {
                return line.contains(entry.path + QStringLiteral(": ")) && line.contains(entry.phrase);
            });
            QVERIFY2(named || entry.asUser, qPrintable(entry.row + QStringLiteral(": ") + said));
        }
        QVERIFY2(!said.contains(m_good), qPrintable(said));
        QVERIFY(refused.out.isEmpty());
        QVERIFY(!QFile::exists(capture));
    }

    void commandRefuses_data() { addBadBitmapRows(m_corpus, true); }
    void commandRefuses()
    {
        QFETCH(BadBitmap, entry);
        const QString capture = m_out + QStringLiteral("/refused.cap");
        QFile::remove(capture);
        const bool unprivileged = needsUser(entry);
        AS_USER_IF_NEEDED(entry, user);

        const Run refused = upload({QStringLiteral("--capture"), capture, entry.path}, unprivileged);
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(entry.path.toUtf8()), refused.err.constData());
        QVERIFY2(refused.err.contains(entry.phrase.toUtf8()), refused.err.constData());
        QVERIFY(refused.out.isEmpty());
        QVERIFY(!QFile::exists(capture));

        if (unprivileged) {
            // The same user sends the same file once it may read it: the refusal was about the right.
            user.reset();
            QVERIFY(QFile::setPermissions(entry.path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
            user.emplace();
            const Run sent = upload({QStringLiteral("--capture"), capture, entry.path}, true);
            user.reset();
            QVERIFY(QFile::setPermissions(entry.path, QFileDevice::Permissions()));
            QVERIFY2(sent.exitCode == 0, sent.err.constData());
            QVERIFY(QFile::exists(capture));
        }
    }

    void windowRefusesBeforeSending_data() { addBadBitmapRows(m_corpus, true); }
    void windowRefusesBeforeSending()
    {
        QFETCH(BadBitmap, entry);
        Window rig;
        QVERIFY(rig.window->MSComm1().PortOpen());
        FarEnd device(rig.pty);
        rig.list()->add(0, m_good); // a good frame first: still nothing goes out
        rig.list()->add(1, entry.path);
        const QStringList before = rig.entries();
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        {
            AS_USER_IF_NEEDED(entry, user);
            QTest::mouseClick(rig.get<QPushButton>("cmdSaljiSve"), Qt::LeftButton);
        }

        QCOMPARE(rig.modals.shown().size(), 1);
        const ShownModal &box = rig.modals.shown().first();
        QCOMPARE(box.kind, ShownModal::Message);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY2(box.text.contains(entry.path) && box.text.contains(entry.phrase), qPrintable(box.text));
        QVERIFY2(!box.text.contains(m_good), qPrintable(box.text));
        QVERIFY(rig.modals.unexpected().isEmpty());
        QVERIFY(!rig.window->upload()->isUploading());
        for (const char *name : {"cmdSaljiSve", "cmdCopy", "ListView1"})
            QVERIFY2(rig.get(name)->isEnabled(), name);
        QCOMPARE(rig.entries(), before);
        QCOMPARE(device.everythingSent(rig.window->MSComm1()).value_or("no marker"), QByteArray());
    }

    void windowListsEveryBadEntryInOneMessage()
    {
        Window rig;
        FarEnd device(rig.pty);
        rig.list()->add(0, m_good);
        int number = 1;
        for (const BadBitmap &entry : std::as_const(m_corpus)) {
            if (!entry.asUser)
                rig.list()->add(number++, entry.path);
        }
        rig.modals.queueMessageAnswer(QMessageBox::Ok);
        QTest::mouseClick(rig.get<QPushButton>("cmdSaljiSve"), Qt::LeftButton);

        QCOMPARE(rig.modals.shown().size(), 1);
        const QStringList lines = rig.modals.shown().first().text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), number); // the heading, then one line per bad entry
        QVERIFY2(lines.first().contains(QString::number(number - 1)), qPrintable(lines.first()));
        int line = 1;
        for (const BadBitmap &entry : std::as_const(m_corpus)) {
            if (entry.asUser)
                continue;
            QVERIFY2(lines[line].contains(entry.path) && lines[line].contains(entry.phrase), qPrintable(lines[line]));
            ++line;
        }
        QCOMPARE(device.everythingSent(rig.window->MSComm1()).value_or("no marker"), QByteArray());
    }

    // Every entry in one window: listed where it belongs, and a click on it shows the picture or
    // "Unknown error!" (one of them, the one the entry says), without a crash or a hang.
    void previewShowsOrRefuses()
    {
        TestSettings store;
        ScriptedModals modals;
        frmMain window;
        window.show();
        QVERIFY(window.browser()->openFolder(m_corpusFolder));
        QStringList wrong;
        for (const BadBitmap &entry : std::as_const(m_corpus)) {
            const QString problem = previewProblem(window, modals, entry);
            if (!problem.isEmpty())
                wrong << entry.row + QStringLiteral(": ") + problem;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void validShapesArriveWhole_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QVector<QRgb>>("palette"); // all 256 entries as the device must get them
        QTest::addColumn<QByteArray>("pixels"); // top row first

        const QVector<QRgb> full = colours(256);
        QVector<QRgb> sixteen = colours(16);
        sixteen.resize(256, qRgb(0, 0, 0)); // the entries the file does not hold are black
        const auto shape = [&](int headerSize, quint32 compression, bool topDown, int count) {
            BmpWriter writer;
            writer.headerSize = headerSize;
            writer.compression = compression;
            writer.topDown = topDown;
            writer.palette = colours(count);
            writer.colorsUsed = count == 256 ? 0 : quint32(count);
            writer.pixels = picture(count - 1);
            return writer.build();
        };
        QTest::newRow("standard") << shape(40, BmpWriter::Rgb, false, 256) << full << picture(255);
        QTest::newRow("124-byte header") << shape(124, BmpWriter::Rgb, false, 256) << full << picture(255);
        QTest::newRow("RLE8") << shape(40, BmpWriter::Rle8, false, 256) << full << picture(255);
        QTest::newRow("top-down") << shape(40, BmpWriter::Rgb, true, 256) << full << picture(255);
        QTest::newRow("16 colours") << shape(40, BmpWriter::Rgb, false, 16) << sixteen << picture(15);
    }

    void validShapesArriveWhole()
    {
        QFETCH(QByteArray, file);
        QFETCH(QVector<QRgb>, palette);
        QFETCH(QByteArray, pixels);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shape.v1.bmp"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();

        Window rig;
        FarEnd device(rig.pty);
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        rig.list()->add(42, path);
        rig.modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"
        QTest::mouseClick(rig.get<QPushButton>("cmdSaljiSve"), Qt::LeftButton);
        QVERIFY(ended.wait(20000));
        QCOMPARE(rig.modals.shown().size(), 1);
        QCOMPARE(rig.modals.shown().first().icon, QMessageBox::Information);
        QVERIFY(rig.modals.unexpected().isEmpty());

        QTRY_COMPARE(device.receivedCount(), qint64(WireFormat::FrameCharacters));
        WireDecoder decoder;
        decoder.feed(device.received());
        decoder.finish();
        const QList<DecodedFrame> frames = decoder.takeFrames();
        QCOMPARE(frames.size(), 1);
        QVERIFY2(frames[0].complete, qPrintable(frames[0].problem));
        QCOMPARE(frames[0].number, 42);
        QCOMPARE(frames[0].nameField, QByteArray("shape   "));
        for (int e = 0; e < 256; ++e) {
            const auto &got = frames[0].sixBitPalette[size_t(e)];
            QCOMPARE(QList<int>({got[0], got[1], got[2]}),
                     QList<int>({qRed(palette[e]) / 4, qGreen(palette[e]) / 4, qBlue(palette[e]) / 4}));
        }
        QCOMPARE(frames[0].pixels, pixels);
    }
};

QTEST_MAIN(TestBadBitmaps)
#include "tst_badbitmaps.moc"
