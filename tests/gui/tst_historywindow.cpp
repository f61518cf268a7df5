// The History window end to end: a history file recorded as uploads record it, the window opened
// on it, what each slot shows, the exports, forgetting a device, and a history it cannot use.
#include "app/frmmain.h"
#include "frame/framewriter.h"
#include "framelist/core/framelistmodel.h"
#include "history/core/historydatabase.h"
#include "history/core/historysettings.h"
#include "history/core/loadhistory.h"
#include "history/core/loadrecorder.h"
#include "history/widgets/historyexport.h"
#include "history/widgets/historywindow.h"
#include "history/widgets/slotgridmodel.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

FrameBitmap picture(int seed)
{
    FrameBitmap frame;
    for (int i = 0; i < FrameBitmap::PixelCount; ++i)
        frame.pixels[i] = char((i / 89 + seed * 37) & 0xFF);
    frame.palette[1] = qRgb(seed * 20, 128, 255 - seed);
    return frame;
}

const Destination Port{QStringLiteral("/dev/serial/by-id/usb-Test_A-if00-port0"), Destination::Kind::Port,
                       QStringLiteral("Com1")};
const Destination Server{QStringLiteral("tcp://10.0.0.9:4001"), Destination::Kind::Server, QStringLiteral("Stage")};

// What Com1 was sent: number, name, picture, how it ended, and the state the window shows when the
// open list holds alpha as sent and beta edited.
struct Sent
{
    int number;
    const char *name;
    int picture;
    FrameState end;
    const char *shown;
};
const Sent Com1Frames[] = {
    {0, "alpha", 1, FrameState::Complete, "complete"},
    {1, "beta, \"v2\"", 2, FrameState::Complete, "differs from the open list"},
    {5, "epsilon", 3, FrameState::Complete, "complete"},
    {2, "gamma", 4, FrameState::CutShort, "unknown"}, // in a second load, stopped
};

QString local(qint64 ms, const char *format)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QString::fromLatin1(format));
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_store;
    QTemporaryDir m_dir;
    FrameListModel m_list;
    std::unique_ptr<HistoryWindow> m_window;
    QHash<int, qint64> m_loaded; // when each slot was loaded, as recorded
    QHash<int, QByteArray> m_sha;
    qint64 m_com1Complete = 0;
    qint64 m_stageForgotten = 0;

    template<typename T> T *get(const char *name) const { return m_window->findChild<T *>(QString::fromLatin1(name)); }

    QString record()
    {
        auto db = HistoryDatabase::open(HistorySettings::path());
        if (!db)
            return QStringLiteral("no history");
        qint64 clock = 1'700'000'000'000;
        const auto now = [&] { return clock += 60'000; };
        const LoadInfo info{QStringLiteral("desk"), QStringLiteral("ana"), QString()};
        LoadRecorder first(*db, Port, now);
        LoadRecorder second(*db, Port, now);
        first.beginLoad(info);
        for (const Sent &sent : Com1Frames) {
            LoadRecorder &recorder = sent.end == FrameState::Complete ? first : second;
            if (&recorder == &second) {
                first.endLoad(LoadResult::Finished);
                m_com1Complete = clock;
                second.beginLoad(info);
            }
            const QString name = QString::fromUtf8(sent.name);
            const SentFrame frame =
                SentFrame::of(sent.number, name, QStringLiteral("/frames/%1.bmp").arg(name), picture(sent.picture));
            m_sha[sent.number] = frame.sha256;
            if (!recorder.frameStarting(frame))
                return QStringLiteral("not recorded");
            const qint64 started = clock;
            if (!recorder.frameEnded(sent.end))
                return QStringLiteral("not recorded");
            // A frame that did not end whole shows when it began.
            m_loaded[sent.number] = sent.end == FrameState::Complete ? clock : started;
        }
        second.endLoad(LoadResult::Stopped);
        LoadRecorder stage(*db, Server, now);
        stage.beginLoad(info);
        stage.frameStarting(SentFrame::of(7, QStringLiteral("eta"), QStringLiteral("/frames/eta.bmp"), picture(5)));
        stage.frameEnded(FrameState::Complete);
        stage.endLoad(LoadResult::Finished);
        LoadHistory(*db, now).forget(Server.identity);
        m_stageForgotten = clock;
        return QString();
    }

private slots:
    void initTestCase()
    {
        m_store = std::make_unique<TestSettings>();
        QVERIFY(HistorySettings::store(true, m_dir.filePath(QStringLiteral("history.sqlite"))));
        QCOMPARE(record(), QString());
        // The open list: alpha as it was sent, beta's picture edited since.
        QVERIFY(FrameWriter::write(picture(1), m_dir.filePath(QStringLiteral("alpha.bmp"))));
        QVERIFY(FrameWriter::write(picture(9), m_dir.filePath(QStringLiteral("beta.bmp"))));
        m_list.add(0, m_dir.filePath(QStringLiteral("alpha.bmp")));
        m_list.add(1, m_dir.filePath(QStringLiteral("beta.bmp")));

        m_window = std::make_unique<HistoryWindow>(nullptr, &m_list);
        m_window->show();
        QTRY_VERIFY(m_window->isSettled() && m_window->identity() == Port.identity);
    }

    void destinations()
    {
        auto *list = get<QListWidget>("lstDestinations");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(),
                 QStringLiteral("Com1\nlast complete load ended %1, from desk by ana")
                     .arg(local(m_com1Complete, "yyyy-MM-dd HH:mm")));
        QCOMPARE(list->item(1)->text(),
                 QStringLiteral("Stage\nforgotten %1").arg(local(m_stageForgotten, "yyyy-MM-dd HH:mm")));
    }

    void slot_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("state");
        for (const Sent &sent : Com1Frames)
            QTest::newRow(sent.name) << sent.number << QString::fromUtf8(sent.name) << QString::fromLatin1(sent.shown);
        QTest::newRow("never sent") << 9 << QString() << QStringLiteral("empty");
    }
    void slot()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(QString, state);
        const SlotGridModel *model = m_window->slotModel();
        const QModelIndex index = model->index(number);
        QCOMPARE(index.data(SlotGridModel::NumberRole).toString(),
                 QStringLiteral("%1").arg(number, 4, 10, QChar(u'0')));
        QCOMPARE(index.data(SlotGridModel::NameRole).toString(), name);
        QCOMPARE(index.data(SlotGridModel::StateRole).toString(), state);
        const QString loaded = m_loaded.contains(number) ? local(m_loaded[number], "yyyy-MM-dd HH:mm:ss") : QString();
        QCOMPARE(index.data(SlotGridModel::LoadedRole).toString(), loaded);
        // The picture the history kept, as the device shows it; none for a slot never sent.
        QCOMPARE(index.data(Qt::DecorationRole).value<QImage>().isNull(), name.isEmpty());
    }

    void exports()
    {
        ScriptedModals modals;
        const QString csvPath = m_dir.filePath(QStringLiteral("sheet.csv"));
        const QString sheetPath = m_dir.filePath(QStringLiteral("sheet.png"));
        modals.queueFileAnswer(csvPath);
        modals.queueFileAnswer(sheetPath);
        get<QPushButton>("cmdExportCsv")->click();
        get<QPushButton>("cmdExportSheet")->click();
        const auto written = [&] { return QFile::exists(csvPath) && QFile::exists(sheetPath); };
        QTRY_VERIFY_WITH_TIMEOUT(written() || !modals.unexpected().isEmpty(), 30000);
        QVERIFY2(written(), qPrintable(modals.unexpected().join(QLatin1Char('\n'))));

        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), DeviceHoldings::Slots + 2); // the header, the slots, nothing after the last end
        QCOMPARE(lines[0], QStringLiteral("number,name,state,loaded,workstation,user,source path,sha256"));
        QCOMPARE(lines[1],
                 QStringLiteral("0000,alpha,complete,%1,desk,ana,/frames/alpha.bmp,%2")
                     .arg(local(m_loaded[0], "yyyy-MM-dd HH:mm:ss"), QString::fromLatin1(m_sha[0].toHex())));
        QCOMPARE(lines[2],
                 QStringLiteral("0001,\"beta, \"\"v2\"\"\",differs from the open list,%1,desk,ana,"
                                "\"/frames/beta, \"\"v2\"\".bmp\",%2")
                     .arg(local(m_loaded[1], "yyyy-MM-dd HH:mm:ss"), QString::fromLatin1(m_sha[1].toHex())));
        QCOMPARE(lines[10], QStringLiteral("0009,,empty,,,,,"));

        const QImage sheet(sheetPath, "PNG");
        QCOMPARE(sheet.size(), HistoryExport::sheetSize());
        QVERIFY(modals.unexpected().isEmpty());
    }

    void forget()
    {
        ScriptedModals modals;
        modals.queueMessageAnswer(QMessageBox::Yes);
        get<QPushButton>("cmdForget")->click();
        const QModelIndex alpha = m_window->slotModel()->index(0);
        QTRY_COMPARE(alpha.data(SlotGridModel::StateRole).toString(), QStringLiteral("unknown"));
        QTRY_VERIFY(m_window->isSettled());
        // A device reset or loaded elsewhere may hold anything, in the slots never sent from here too.
        for (const int number : {1, 2, 5, 9})
            QCOMPARE(m_window->slotModel()->index(number).data(SlotGridModel::StateRole).toString(),
                     QStringLiteral("unknown"));
        QVERIFY(get<QListWidget>("lstDestinations")->item(0)->text().startsWith(QStringLiteral("Com1\nforgotten ")));
        QCOMPARE(modals.shown().size(), 1);
    }

    // Off, or a file that is not a history: the window says so in words and shows no grid.
    void unusableHistory()
    {
        const QString notHistory = m_dir.filePath(QStringLiteral("notes.db"));
        QFile file(notHistory);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        file.close();
        QString why;
        QVERIFY(!HistoryDatabase::open(notHistory, &why));
        QVERIFY(HistorySettings::store(true, notHistory));
        m_window->refresh();
        auto *problem = get<QLabel>("lblHistoryProblem");
        QTRY_COMPARE(get<QStackedWidget>("pgsHistory")->currentWidget(), problem);
        QVERIFY2(problem->text().startsWith(why), qPrintable(problem->text()));
        QCOMPARE(get<QListWidget>("lstDestinations")->count(), 0);

        get<QAction>("actHistoryOff")->trigger();
        QVERIFY(!HistorySettings::enabled());
        QVERIFY(problem->text().startsWith(QStringLiteral("The load history is off")));
        QCOMPARE(get<QLabel>("lblHistoryFile")->text(), QStringLiteral("The load history is off."));

        ScriptedModals modals;
        modals.queueFileAnswer(m_dir.filePath(QStringLiteral("history.sqlite")));
        get<QAction>("actHistoryOtherFile")->trigger();
        QTRY_COMPARE(get<QListWidget>("lstDestinations")->count(), 2);
        QVERIFY(get<QStackedWidget>("pgsHistory")->currentWidget() != problem);
    }

    // Ctrl+H opens the one window, also while the menus an upload locks are locked.
    void openedFromTheMainWindow()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *action = window.findChild<QAction *>(QStringLiteral("mnuHistory"));
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QVERIFY(!window.controls().forUpload().menus.contains(action));
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
        QTRY_VERIFY(window.history() && window.history()->isVisible());
        HistoryWindow *first = window.history();
        action->trigger();
        QCOMPARE(window.history(), first);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_store.reset();
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
