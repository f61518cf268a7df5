// A settings file that is garbage, unreadable or in a folder the user may not write: the program
// starts on the default port without a word about the file, and a port number that cannot be
// saved is reported, not hidden.
#include "asuser.h"
#include "ptypair.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "serial/core/serialportcomponent.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

namespace {

enum Fault { Garbage, Unreadable };

bool aboutThePort(const ShownModal &shown)
{
    return shown.kind == ShownModal::Dialog ? shown.dialogName == QLatin1String("frmProperties")
                                            : shown.text.startsWith(QLatin1String("Com2:"));
}

} // namespace

class TestSettingsFaults : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheDefaultPort_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("garbage") << int(Garbage);
        QTest::newRow("unreadable") << int(Unreadable);
    }

    void startsOnTheDefaultPort()
    {
        QFETCH(int, fault);
        if (fault == Unreadable && !AsUser::possible())
            QSKIP("Needs root to drop to an unprivileged user");
        TestSettings store;
        // Written as bytes, and its name taken before: a settings object made after the writing
        // would read it into this process's cache, and the window would never read the file
        // as a freshly started program does.
        const QString fileName = store.fileName();
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (fault == Garbage) {
            QByteArray junk;
            for (int i = 0; i < 4096; ++i)
                junk.append(char((i * 131 + 7) & 0xFF));
            file.write(junk);
        } else {
            file.write("[Properties]\nCommPort=7\n");
        }
        file.close();
        if (fault == Unreadable) {
            QVERIFY(::chmod(QFile::encodeName(store.folder()).constData(), 0755) == 0);
            QVERIFY(::chmod(QFile::encodeName(fileName).constData(), 0000) == 0);
        }

        ScriptedModals modals;
        AsUser user(fault == Unreadable ? "nobody" : "root");
        frmMain window;
        // Whether Com2 opens depends on this machine; the port may speak, the file may not.
        for (int i = 0; i < 2; ++i)
            modals.queueMessageAnswer(QMessageBox::Ok);
        modals.queueDialog([](QDialog *) {});
        window.Form_Load();
        QCOMPARE(window.MSComm1().CommPort(), 2);
        for (const ShownModal &shown : modals.shown())
            QVERIFY2(aboutThePort(shown), qPrintable(shown.text));
    }

    void failedSaveIsReported()
    {
        if (!AsUser::possible())
            QSKIP("Needs root to drop to an unprivileged user");
        TestSettings store;
        const QString fileName = store.fileName();
        PtyPair first, second;
        for (const PtyPair *pty : {&first, &second})
            QVERIFY(::chmod(QFile::encodeName(pty->devicePath()).constData(), 0666) == 0);
        store.setValue(QStringLiteral("Ports/Com2"), first.devicePath());
        store.setValue(QStringLiteral("Ports/Com3"), second.devicePath());
        // Readable by everyone, writable by no one but root.
        QVERIFY(::chmod(QFile::encodeName(fileName).constData(), 0644) == 0);
        QVERIFY(::chmod(QFile::encodeName(store.folder()).constData(), 0555) == 0);

        ScriptedModals modals;
        {
            AsUser user;
            QVERIFY(user.active());
            frmMain window;
            window.Form_Load();
            QVERIFY(modals.shown().isEmpty()); // the file reads fine: nothing to say
            QVERIFY(window.MSComm1().PortOpen());

            bool closed = false;
            modals.queueDialog([&](QDialog *dialog) {
                dialog->findChild<QComboBox *>(QStringLiteral("cboPort"))->setCurrentIndex(2);
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
                closed = !dialog->isVisible();
            });
            modals.queueMessageAnswer(QMessageBox::Ok);
            window.mnuProperties_Click();

            QVERIFY(modals.unexpected().isEmpty());
            QCOMPARE(modals.shown().size(), 2);
            const ShownModal &box = modals.shown().last();
            QCOMPARE(box.icon, QMessageBox::Warning);
            QVERIFY2(box.text.contains(QLatin1String("could not be saved")) && box.text.contains(fileName),
                     qPrintable(box.text));
            // The port change itself took: the line works, only remembering it failed.
            QVERIFY(closed);
            QCOMPARE(window.MSComm1().CommPort(), 3);
            QVERIFY(window.MSComm1().PortOpen());
        }
        QFile saved(fileName);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(!saved.readAll().contains("CommPort"));
        QVERIFY(::chmod(QFile::encodeName(store.folder()).constData(), 0700) == 0);
    }
};

QTEST_MAIN(TestSettingsFaults)
#include "tst_settingsfaults.moc"
