// The window and the load history over a pseudo-terminal: every upload recorded, "Upload changed
// frames" sending only what the device does not hold, and a history file that cannot be used.
#include "bmpwriter.h"
#include "farend.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "base/duration.h"
#include "frame/framebitmap.h"
#include "frame/framename.h"
#include "frame/wiredecoder.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "history/core/destinationidentity.h"
#include "history/core/historydatabase.h"
#include "history/core/historysettings.h"
#include "history/core/loadhistory.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray frameFile(int seed)
{
    QByteArray pixels(FrameBitmap::PixelCount, '\0');
    QVector<QRgb> colours;
    for (int i = 0; i < pixels.size(); ++i)
        pixels[i] = char((i * (seed + 3)) & 0xFF);
    for (int e = 0; e < 256; ++e)
        colours.append(qRgb((e + seed * 40) & 0xFF, e, 255 - e));
    return BmpWriter::standardFrame(colours, pixels);
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QList<DecodedFrame> decode(const QByteArray &received)
{
    WireDecoder decoder;
    decoder.feed(received);
    decoder.finish();
    return decoder.takeFrames();
}

constexpr int Numbers[] = {3, 10, 20};

// The window on a pseudo-terminal at Com2 with three frames, its history in a folder of the test's.
struct Rig
{
    TestSettings store;
    PtyPair pty;
    QTemporaryDir dir;
    ScriptedModals modals;
    ManualClock clock{1000};
    std::unique_ptr<frmMain> window;
    QStringList paths;
    QString history;

    explicit Rig(const QByteArray &historyBytes = {})
    {
        history = dir.filePath(QStringLiteral("history.sqlite"));
        if (!historyBytes.isEmpty())
            write(history, historyBytes);
        store.setValue(QStringLiteral("Ports/Com2"), pty.devicePath());
        HistorySettings::store(true, history);
        window = std::make_unique<frmMain>(nullptr, &clock);
        window->upload()->setTransmitClock(&clock);
        window->Form_Load();
        window->show();
        for (int i = 0; i < 3; ++i) {
            paths << dir.filePath(QStringLiteral("frame%1.bmp").arg(i));
            write(paths.last(), frameFile(i));
            window->frameList()->add(Numbers[i], paths.last());
        }
    }
    ~Rig() { clock.release(); }

    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(QString::fromLatin1(name)); }
    // Clicks and waits for the upload's end, "Upload finished!" answered.
    bool upload(const char *name)
    {
        QSignalSpy ended(window->upload(), &UploadController::uploadEnded);
        modals.queueMessageAnswer(QMessageBox::Ok);
        QTest::mouseClick(button(name), Qt::LeftButton);
        return ended.wait(15000) && modals.unexpected().isEmpty();
    }
};

} // namespace

class TestUploadChanged : public QObject
{
    Q_OBJECT

private slots:
    void changedFramesOnly()
    {
        Rig rig;
        FarEnd device(rig.pty);
        QVERIFY(rig.button("cmdUploadChanged"));
        QVERIFY(rig.upload("cmdSaljiSve"));
        QTRY_COMPARE(device.receivedCount(), qint64(3 * 67090));

        // The middle frame's file changes on disk (later, so its look sees it).
        QVERIFY(write(rig.paths[1], frameFile(7)));
        QFile(rig.paths[1]).setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
        const LineSettings line = rig.window->MSComm1().lineSettings();
        const QString expected = QStringLiteral("1 of 3 frames differ from what Com2 holds: %1")
                                     .arg(formatDuration(expectedUploadMs(1, line.baudRate, line.bitsPerCharacter())));
        QTRY_COMPARE_WITH_TIMEOUT(rig.button("cmdUploadChanged")->toolTip(), expected, 10000);

        QVERIFY(rig.upload("cmdUploadChanged"));
        QTRY_COMPARE(device.receivedCount(), qint64(4 * 67090));
        const QList<DecodedFrame> frames = decode(device.received().mid(3 * 67090));
        QCOMPARE(frames.size(), 1);
        QVERIFY(frames[0].complete);
        QCOMPARE(frames[0].number, 10);
        QCOMPARE(frames[0].pixels, FrameBitmapReader::readFile(rig.paths[1])->pixels);

        // The history: all three whole, the middle one with the new characters' hash.
        const auto db = HistoryDatabase::open(rig.history);
        QVERIFY(db);
        const auto holdings = LoadHistory(*db).holdings(DestinationIdentity::device(rig.pty.devicePath())->identity);
        QVERIFY(holdings);
        for (const int number : Numbers)
            QCOMPARE(holdings->held[size_t(number)].state, SlotState::Complete);
        const auto changed = FrameBitmapReader::readFile(rig.paths[1]);
        QCOMPARE(holdings->held[10].sha256, WireFormat::frameSha256(10, frameNameFromPath(rig.paths[1]), *changed));
        QTRY_COMPARE(rig.button("cmdUploadChanged")->toolTip(),
                     QStringLiteral("0 of 3 frames differ from what Com2 holds: 00:00:00"));
    }

    // A history file that is not one: asked first; Yes sends unrecorded, No sends nothing, and the
    // file is never touched.
    void unusableHistoryAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("upload unrecorded") << true;
        QTest::newRow("nothing happens") << false;
    }

    void unusableHistoryAsksFirst()
    {
        QFETCH(bool, yes);
        const QByteArray notSqlite = "1,2,3\nnot a history at all\n";
        Rig rig(notSqlite);
        FarEnd device(rig.pty);
        QSignalSpy ended(rig.window->upload(), &UploadController::uploadEnded);
        rig.modals.queueMessageAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
        if (yes)
            rig.modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"
        QTest::mouseClick(rig.button("cmdSaljiSve"), Qt::LeftButton);
        QVERIFY(!rig.modals.shown().isEmpty());
        const ShownModal &question = rig.modals.shown().first();
        QVERIFY2(question.text.startsWith(QStringLiteral("The load history cannot be used: "))
                     && question.text.contains(rig.history)
                     && question.text.endsWith(QStringLiteral("\n\nUpload without recording it?")),
                 qPrintable(question.text));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(rig.window->upload()->isUploading(), yes);
        if (yes) {
            QVERIFY(ended.wait(15000));
            QTRY_COMPARE(device.receivedCount(), qint64(3 * 67090));
            QCOMPARE(decode(device.received()).size(), 3);
        }
        QVERIFY2(rig.modals.unexpected().isEmpty(), qPrintable(rig.modals.unexpected().join(QLatin1Char('\n'))));
        QFile file(rig.history);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), notSqlite);
    }
};

QTEST_MAIN(TestUploadChanged)
#include "tst_uploadchanged.moc"
