// The serial line going wrong: the far end hanging up in the pixels (the window unlocked, told
// why, Properties shown) and coming back, a port held by another program, a device node that is
// gone, a device the user may not open. Each gives its own clear message at start-up, in the
// Properties dialog and in drelin-upload.
#include "asuser.h"
#include "bmpwriter.h"
#include "farend.h"
#include "manualclock.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "systemtext.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "frame/seriallink.h"
#include "frame/wiredecoder.h"
#include "framelist/core/framelistmodel.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

enum Fault { InUse, Gone, NoPermission };
enum Where { StartUp, Properties, CommandLine };

QString frameFile(const QTemporaryDir &dir, const QString &name, int seed)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(BmpWriter::standardFrame({qRgb(seed, 2, 3)}, QByteArray(32768, char(seed))));
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    return path;
}

// A folder everyone may read, for what an unprivileged user must reach.
void openToAll(const QString &path, bool executable)
{
    QFile::setPermissions(
        path,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
            | QFileDevice::ReadOther
            | (executable ? QFileDevice::ExeGroup | QFileDevice::ExeOther : QFileDevice::Permissions()));
}

} // namespace

class TestSerialFaults : public QObject
{
    Q_OBJECT

private slots:
    void lineLostThenBack()
    {
        TestSettings store;
        QTemporaryDir dir;
        auto lost = std::make_unique<PtyPair>();
        PtyPair back;
        store.setValue(QStringLiteral("Ports/Com2"), lost->devicePath());
        ScriptedModals modals;
        ManualClock clock; // pauses without the waiting
        frmMain window(nullptr, &clock);
        window.upload()->setTransmitClock(&clock);
        window.Form_Load();
        window.show();
        window.frameList()->add(1, frameFile(dir, QStringLiteral("a.bmp"), 1));
        QSignalSpy ended(window.upload(), &UploadController::uploadEnded);

        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdSaljiSve")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->value() > 0, 10000);
        modals.queueMessageAnswer(QMessageBox::Ok); // "Upload stopped!"
        modals.queueMessageAnswer(QMessageBox::Ok); // why
        // The device comes back at the same number; OK opens it again.
        bool closedInDialog = false;
        modals.queueDialog([&](QDialog *dialog) {
            closedInDialog = !window.MSComm1().PortOpen();
            store.setValue(QStringLiteral("Ports/Com2"), back.devicePath());
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        lost->hangUp();
        QVERIFY(ended.wait(10000));
        // Nothing more may follow, one message and not a stream of them: all the serial thread
        // had to tell has been told once a job started after it has ended.
        bool returned = false;
        QVERIFY(window.MSComm1().startJob<int>([](SerialLink &) { return 0; }, this,
                                               [&returned](int) { returned = true; }));
        QTRY_VERIFY_WITH_TIMEOUT(returned, 10000);
        QVERIFY(modals.unexpected().isEmpty());
        QCOMPARE(modals.shown().size(), 3);
        QCOMPARE(modals.shown()[0].text, QStringLiteral("Upload stopped!"));
        const ShownModal &why = modals.shown()[1];
        QVERIFY2(why.text.contains(QStringLiteral("connection to %1 was lost").arg(lost->devicePath())),
                 qPrintable(why.text));
        QVERIFY2(systemTextIn(why.text).isEmpty(), qPrintable(why.text)); // no errno text left over from another call
        QCOMPARE(why.title, QStringLiteral("VELM Moving Logo Inserter - Image loader"));
        QCOMPARE(why.icon, QMessageBox::Warning);
        QCOMPARE(modals.shown()[2].dialogName, QStringLiteral("frmProperties"));
        QVERIFY(closedInDialog); // the lost line let go of the port before Properties asked
        for (const char *name : {"cmdSaljiSve", "cmdCopy", "cmdRemoveAll", "File1", "ListView1"})
            QVERIFY2(window.findChild<QWidget *>(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(window.findChild<QAction *>(QStringLiteral("mnuProperties"))->isEnabled());
        QCOMPARE(window.frameList()->count(), 1);
        QVERIFY(window.MSComm1().PortOpen());
        QCOMPARE(window.MSComm1().devicePath(), back.devicePath());

        // And the next upload goes through whole.
        FarEnd device(back);
        modals.clear();
        modals.queueMessageAnswer(QMessageBox::Ok); // "Upload finished!"
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdSaljiSve")), Qt::LeftButton);
        QVERIFY(ended.wait(15000));
        QVERIFY(modals.shown().last().text.startsWith(QLatin1String("Upload finished!")));
        QTRY_COMPARE(device.receivedCount(), qint64(67090));
        WireDecoder decoder;
        decoder.feed(device.received());
        QCOMPARE(decoder.takeFrames().value(0).complete, true);
    }

    void faults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("where");
        QTest::addColumn<QString>("says");
        const struct
        {
            Fault fault;
            const char *name;
            const char *says;
        } faults[] = {{InUse, "in use by another program", "is already in use by another program"},
                      {Gone, "device node gone", "there is no serial device at"},
                      {NoPermission, "no permission", "permission denied for"}};
        const struct
        {
            Where where;
            const char *name;
        } places[] = {{StartUp, "start-up"}, {Properties, "Properties"}, {CommandLine, "drelin-upload"}};
        for (const auto &fault : faults) {
            for (const auto &place : places)
                QTest::addRow("%s, %s", fault.name, place.name) << int(fault.fault) << int(place.where) << fault.says;
        }
    }

    void faults()
    {
        QFETCH(int, fault);
        QFETCH(int, where);
        QFETCH(QString, says);
        if (fault == NoPermission && !AsUser::possible())
            QSKIP("Needs root to drop to an unprivileged user");

        TestSettings store;
        QTemporaryDir dir;
        openToAll(dir.path(), true);
        PtyPair faulty, working;
        // The port is named through a link, so "gone" can take the node away.
        const QString link = dir.filePath(QStringLiteral("inserter"));
        QVERIFY(QFile::link(faulty.devicePath(), link));
        store.setValue(QStringLiteral("Ports/Com2"), link);
        store.setValue(QStringLiteral("Ports/Com3"), working.devicePath());
        openToAll(store.fileName(), false);
        openToAll(store.folder(), true);

        std::unique_ptr<QProcess> holder;
        if (fault == InUse) {
            // Another program holds the port as serial programs do, with a lock.
            holder = std::make_unique<QProcess>();
            holder->start(QStringLiteral(DRELIN_DEVICE), {QStringLiteral("--device"), link, QStringLiteral("--quiet")});
            QVERIFY(holder->waitForStarted());
            // It holds the lock once it has the device open: serial programs lock first.
            const auto holding = [&] {
                const QDir open(QStringLiteral("/proc/%1/fd").arg(holder->processId()));
                for (const QFileInfo &file : open.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
                    if (file.symLinkTarget() == faulty.devicePath())
                        return true;
                }
                return false;
            };
            QTRY_VERIFY(holding());
        } else if (fault == Gone) {
            QVERIFY(QFile::remove(link));
        } else {
            QVERIFY(::chmod(QFile::encodeName(faulty.devicePath()).constData(), 0600) == 0);
        }
        const bool unprivileged = fault == NoPermission;
        QString expectedText = says;
        if (holder) // the program that holds the port is named
            expectedText += QStringLiteral(" (drelin-device, process %1)").arg(holder->processId());

        if (where == CommandLine) {
            // A copy everyone may run: the build folder need not be reachable for an unprivileged user.
            const QString program = dir.filePath(QStringLiteral("drelin-upload"));
            QVERIFY(QFile::copy(QStringLiteral(DRELIN_UPLOAD), program));
            openToAll(program, true);
            const QString frame = frameFile(dir, QStringLiteral("a.bmp"), 1);
            QProcess upload;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
            upload.setProcessEnvironment(environment);
            const QStringList arguments = {QStringLiteral("--device"), link, frame};
            // A real change of user: Qt programs refuse to run with only the effective user changed.
            if (unprivileged)
                upload.start(QStringLiteral("setpriv"),
                             QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                         QStringLiteral("--clear-groups"), program}
                                 + arguments);
            else
                upload.start(program, arguments);
            QVERIFY(upload.waitForStarted());
            QVERIFY(upload.waitForFinished(20000));
            const QByteArray said = upload.readAllStandardError();
            QCOMPARE(upload.exitCode(), 1);
            QVERIFY2(said.contains(expectedText.toUtf8()) && said.contains(link.toUtf8()), said.constData());
        } else {
            ScriptedModals modals;
            QVERIFY(::chmod(QFile::encodeName(working.devicePath()).constData(), 0666) == 0);
            AsUser user(unprivileged ? "nobody" : "root");
            QVERIFY(!unprivileged || user.active());
            frmMain window;
            if (where == StartUp) {
                modals.queueMessageAnswer(QMessageBox::Ok);
                modals.queueDialog([](QDialog *) {});
                window.Form_Load();
                QCOMPARE(modals.shown().size(), 2);
                QCOMPARE(modals.shown()[1].dialogName, QStringLiteral("frmProperties"));
            } else {
                QVERIFY(window.MSComm1().setCommPort(3));
                QVERIFY(window.MSComm1().setPortOpen(true));
                bool stayedOpen = false;
                modals.queueDialog([&](QDialog *dialog) {
                    dialog->findChild<QComboBox *>(QStringLiteral("cboPort"))->setCurrentIndex(1);
                    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
                    stayedOpen = dialog->isVisible(); // a failed OK leaves the dialog open
                });
                modals.queueMessageAnswer(QMessageBox::Ok);
                window.mnuProperties_Click();
                QCOMPARE(modals.shown().size(), 2);
                QVERIFY(stayedOpen);
                QCOMPARE(window.MSComm1().CommPort(), 3);
            }
            QVERIFY(modals.unexpected().isEmpty());
            const ShownModal &box = modals.shown()[where == StartUp ? 0 : 1];
            QCOMPARE(box.icon, QMessageBox::Warning);
            QVERIFY2(box.text.contains(expectedText) && box.text.contains(link), qPrintable(box.text));
            if (fault == NoPermission)
                QVERIFY2(box.text.contains(QLatin1String("log in again")), qPrintable(box.text));
            QVERIFY(!window.MSComm1().PortOpen());
        }
        if (holder) {
            holder->terminate();
            holder->waitForFinished(5000);
        }
    }
};

QTEST_MAIN(TestSerialFaults)
#include "tst_serialfaults.moc"
