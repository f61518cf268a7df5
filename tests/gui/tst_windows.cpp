// Where Windows differs: COM port names, the settings at the registry key the platform's own
// settings functions use, the About dialog's registry look-ups, drive letters, names in any script
// and the system's own words for what went wrong.
#include "badbitmaps.h"
#include "scriptedmodals.h"
#include "testsettings.h"

#include "about/core/helperprograms.h"
#include "about/core/keyvalue_win.h"
#include "about/core/programlauncher.h"
#include "about/widgets/frmabout.h"
#include "base/appinfo.h"
#include "base/commandword.h"
#include "base/localpath.h"
#include "base/systemerror_win.h"
#include "browser/widgets/drivelistbox.h"
#include "frame/framebitmap.h"
#include "framelist/core/framelistfile.h"
#include "serial/core/portmap.h"
#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <windows.h>

#include <shellapi.h> // CommandLineToArgvW, after windows.h

namespace {

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// A key of the test's own stands in for a root key (HKEY_LOCAL_MACHINE) in this process.
class StandIn
{
public:
    explicit StandIn(HKEY root)
        : m_root(root)
        , m_path(wide(QStringLiteral("Software\\Drelin tests\\root-%1").arg(QCoreApplication::applicationPid())))
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
        ::RegOverridePredefKey(m_root, m_key);
    }
    ~StandIn()
    {
        ::RegOverridePredefKey(m_root, nullptr);
        ::RegCloseKey(m_key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    StandIn(const StandIn &) = delete;
    StandIn &operator=(const StandIn &) = delete;

private:
    HKEY m_root;
    std::wstring m_path;
    HKEY m_key = nullptr;
};

// Writes a value as the system's ANSI functions do; size counts what is stored, terminator or not.
bool setValue(HKEY root, const char *key, const char *name, DWORD type, const QByteArray &data)
{
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const bool set =
        ::RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE *>(data.constData()), DWORD(data.size()))
        == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return set;
}

QByteArray withZero(const QByteArray &text)
{
    return text + '\0';
}

// The settings store as the platform's own functions see it: one string value.
QString storedString(const QString &section, const QString &key)
{
    const std::wstring path = wide(QStringLiteral("Software\\VB and VBA Program Settings\\%1\\%2")
                                       .arg(QString::fromUtf8(AppInfo::ApplicationTitle), section));
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), wide(key).c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size)
        != ERROR_SUCCESS)
        return QStringLiteral("(none)");
    return QString::fromWCharArray(buffer);
}

// Notes what the About dialog asks for instead of starting anything.
class NotingLauncher : public ProgramLauncher
{
public:
    QStringList asked;
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        asked << QStringLiteral("start %1 %2").arg(program, arguments.join(QLatin1Char(' ')));
        return true;
    }
    void openUrl(const QUrl &url, const std::function<void(bool)> &done) override
    {
        asked << QStringLiteral("open %1").arg(url.toString());
        done(true);
    }
};

const char *const MsInfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char *const MsInfoLocation = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char *const Explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void portNames_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("Com1") << 1 << "COM1";
        QTest::newRow("Com9") << 9 << "COM9";
        QTest::newRow("Com10 in the device namespace") << 10 << "\\\\.\\COM10";
        QTest::newRow("Com16") << 16 << "\\\\.\\COM16";
        QTest::newRow("Com0") << 0 << "";
        QTest::newRow("Com17") << 17 << "";
    }

    void portNames()
    {
        QFETCH(int, port);
        QFETCH(QString, device);
        TestSettings store;
        QCOMPARE(PortMap::devicePath(port, PortSettings()), device);
    }

    // Written and read where the platform's SaveSetting and GetSetting keep them.
    void settingsAtThePlatformsPlace()
    {
        TestSettings store;
        const PortSettings settings;
        QCOMPARE(settings.storedCommPort(), QStringLiteral("2"));
        QVERIFY(settings.storeCommPort(7));
        QCOMPARE(storedString(QStringLiteral("Properties"), QStringLiteral("CommPort")), QStringLiteral("7"));

        // What a station stored before is what the program reads.
        const QByteArray properties = "Software\\VB and VBA Program Settings\\" + QByteArray(AppInfo::ApplicationTitle);
        QVERIFY(
            setValue(HKEY_CURRENT_USER, (properties + "\\Properties").constData(), "CommPort", REG_SZ, withZero("4")));
        QCOMPARE(settings.storedCommPort(), QStringLiteral("4"));
        QVERIFY(setValue(HKEY_CURRENT_USER, (properties + "\\Ports").constData(), "Com3", REG_SZ, withZero("COM12")));
        QCOMPARE(PortMap::devicePath(3, settings), QStringLiteral("COM12"));
        // What Properties keeps for a number goes beside it, and the port is opened on it.
        const QString server = QStringLiteral("rfc2217://rack-2:4001");
        QVERIFY(settings.storePortOverride(5, server) && settings.storeReconnectSeconds(60));
        QCOMPARE(storedString(QStringLiteral("Ports"), QStringLiteral("Com5")), server);
        QCOMPARE(storedString(QStringLiteral("Ports"), QStringLiteral("ReconnectSeconds")), QStringLiteral("60"));
        SerialPortComponent port;
        QVERIFY(port.setCommPort(5));
        QCOMPARE(port.devicePath(), server);
    }

    void openErrorsInWords_data()
    {
        QTest::addColumn<QString>("device"); // the override for Com5
        QTest::addColumn<QString>("expected");
        QTest::newRow("no such port") << "COM200"
                                      << "Com5: there is no port COM200 on this computer (";
        QTest::newRow("in the device namespace") << "\\\\.\\COM200"
                                                 << "Com5: there is no port \\\\.\\COM200 on this computer (";
    }

    void openErrorsInWords()
    {
        QFETCH(QString, device);
        QFETCH(QString, expected);
        TestSettings store;
        store.setValue(QStringLiteral("Ports/Com5"), device);
        SerialPortComponent port;
        QVERIFY(port.setCommPort(5));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY2(port.errorDescription().startsWith(expected), qPrintable(port.errorDescription()));
    }

    void registryValues_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("stored"); // empty type 0: no value at all
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("text");
        QTest::newRow("text with its zero") << int(REG_SZ) << withZero("C:\\Tools") << true << "C:\\Tools";
        QTest::newRow("text without a zero") << int(REG_SZ) << QByteArray("C:\\Tools") << true << "C:\\Tools";
        QTest::newRow("empty text") << int(REG_SZ) << withZero("") << true << "";
        QTest::newRow("not text") << int(REG_DWORD) << QByteArray(4, '\1') << true << "";
        QTest::newRow("longer than the buffer") << int(REG_SZ) << withZero(QByteArray(1500, 'x')) << false << "";
        QTest::newRow("no such value") << 0 << QByteArray() << false << "";
    }

    void registryValues()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, stored);
        QFETCH(bool, read);
        QFETCH(QString, text);
        const StandIn machine(HKEY_LOCAL_MACHINE);
        QVERIFY(setValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Drelin", "Other", REG_SZ, withZero("x")));
        if (type != 0)
            QVERIFY(setValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Drelin", "Value", DWORD(type), stored));
        QString value = QStringLiteral("left over");
        QCOMPARE(GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Drelin"), QStringLiteral("Value"), &value),
                 read);
        QCOMPARE(value, text);
        QVERIFY(!GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Nowhere"), QStringLiteral("Value"), &value));
        QVERIFY(value.isEmpty());
    }

    // The two registry look-ups of each program, and the file test.
    void helperPrograms_data()
    {
        QTest::addColumn<QStringList>("entries"); // key|value|data, "{dir}" for the test's folder
        QTest::addColumn<QStringList>("files"); // made in the folder
        QTest::addColumn<QString>("sysInfo");
        QTest::addColumn<QString>("browser");
        const QString msinfo = QString::fromLatin1(MsInfo), location = QString::fromLatin1(MsInfoLocation),
                      explorer = QString::fromLatin1(Explorer);
        QTest::newRow("nothing registered") << QStringList() << QStringList() << ""
                                            << "";
        QTest::newRow("the first entry is taken as it is") << QStringList{msinfo + "|PATH|C:\\Elsewhere\\msinfo32.exe"}
                                                           << QStringList() << "C:\\Elsewhere\\msinfo32.exe"
                                                           << "";
        QTest::newRow("the folder of the second, with the program in it")
            << QStringList{location + "|MSINFO|{dir}"} << QStringList{"MSINFO32.EXE"} << "{dir}\\MSINFO32.EXE"
            << "";
        QTest::newRow("the folder of the second, without the program")
            << QStringList{location + "|MSINFO|{dir}"} << QStringList() << ""
            << "";
        QTest::newRow("the browser's folder list loses its last character")
            << QStringList{explorer + "|PATH|{dir};"} << QStringList{"IEXPLORE.EXE"} << ""
            << "{dir}\\IEXPLORE.EXE";
        QTest::newRow("the browser registered but missing")
            << QStringList{explorer + "|PATH|{dir};"} << QStringList() << ""
            << "";
        QTest::newRow("the browser's entry empty") << QStringList{explorer + "|PATH|"} << QStringList() << ""
                                                   << "";
    }

    void helperPrograms()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, files);
        QFETCH(QString, sysInfo);
        QFETCH(QString, browser);
        const StandIn machine(HKEY_LOCAL_MACHINE);
        QTemporaryDir dir;
        const QString folder = QDir::toNativeSeparators(dir.path());
        for (const QString &file : files)
            QVERIFY(writeBadBitmapFile(dir.filePath(file), "MZ"));
        for (QString entry : entries) {
            const QStringList parts = entry.replace(QLatin1String("{dir}"), folder).split(QLatin1Char('|'));
            QVERIFY(setValue(HKEY_LOCAL_MACHINE, parts[0].toLatin1().constData(), parts[1].toLatin1().constData(),
                             REG_SZ, withZero(parts[2].toLocal8Bit())));
        }
        const ProgramLauncher launcher;
        QCOMPARE(HelperPrograms::systemInformation(launcher), sysInfo.replace(QLatin1String("{dir}"), folder));
        QCOMPARE(HelperPrograms::webBrowser(), browser.replace(QLatin1String("{dir}"), folder));
    }

    // The browser the registry names takes the address; without one the desktop's default does.
    void webPage_data()
    {
        QTest::addColumn<bool>("registered");
        QTest::newRow("the registered browser") << true;
        QTest::newRow("the default browser") << false;
    }

    void webPage()
    {
        QFETCH(bool, registered);
        const StandIn machine(HKEY_LOCAL_MACHINE);
        QTemporaryDir dir;
        const QString program = QDir::toNativeSeparators(dir.filePath(QStringLiteral("IEXPLORE.EXE")));
        if (registered) {
            QVERIFY(writeBadBitmapFile(program, "MZ"));
            QVERIFY(setValue(HKEY_LOCAL_MACHINE, Explorer, "PATH", REG_SZ,
                             withZero(QDir::toNativeSeparators(dir.path()).toLocal8Bit() + ';')));
        }
        NotingLauncher launcher;
        ScriptedModals modals;
        frmAbout dialog(nullptr, &launcher);
        dialog.VelmWebActivate();
        QVERIFY(modals.shown().isEmpty());
        QCOMPARE(launcher.asked,
                 QStringList{registered ? QStringLiteral("start %1 http://www.velm.test").arg(program)
                                        : QStringLiteral("open http://www.velm.test")});
    }

    // Names in any script, from the folder list to the frame read.
    void namesInAnyScript()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Кадры ünï 字"));
        QVERIFY(QDir().mkdir(folder));
        const QString name = QStringLiteral("лого ✓.bmp");
        const QString path = folder + QLatin1Char('/') + name;
        QVERIFY(writeBadBitmapFile(path, goodFrameFile()));

        QCOMPARE(LocalPath::entries(dir.path(), LocalPath::Kind::Folders), QStringList{QFileInfo(folder).fileName()});
        QCOMPARE(LocalPath::entries(folder, LocalPath::Kind::Files), QStringList{name});
        const LocalPath::Info info = LocalPath::stat(path);
        QVERIFY(info.exists && info.isFile && !info.isFolder);
        QCOMPARE(info.size, goodFrameFile().size());
        QVERIFY(LocalPath::stat(folder).isFolder);
        QString error;
        QVERIFY2(FrameBitmapReader::readFile(QDir::toNativeSeparators(path), &error), qPrintable(error));
        QVERIFY(LocalPath::fromUrlBytes(QUrl::fromLocalFile(path).path(QUrl::FullyEncoded).toLatin1()) == path);
    }

    // A list written by hand with backslashes reads as it stands, even a backslash before a t or an
    // n, and the program writes it back with forward slashes.
    void listFileWithBackslashes()
    {
        const auto read = FrameListFile::parse("0002\tsub\\new.bmp\n0001\tC:\\frames\\tab.bmp\n",
                                               QStringLiteral("Z:/lists"), QStringLiteral("x.frames"));
        QVERIFY(read);
        QCOMPARE(read->at(0).path, QStringLiteral("C:/frames/tab.bmp"));
        QCOMPARE(read->at(1).path, QStringLiteral("Z:/lists/sub/new.bmp"));
        QCOMPARE(FrameListFile::format(*read, QStringLiteral("Z:/lists")),
                 QByteArray("0001\tC:/frames/tab.bmp\n0002\tsub/new.bmp\n"));
    }

    // Words of the printed "To continue:" command, as a program's command line splits them again.
    void commandWords_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "--list"
                               << "--list";
        QTest::newRow("space") << "0=Z:/a b/лого 1.bmp"
                               << "\"0=Z:/a b/лого 1.bmp\"";
        QTest::newRow("backslashes before the closing quote") << "C:\\a b\\"
                                                              << "\"C:\\a b\\\\\"";
        QTest::newRow("a quote") << "say \"hi\""
                                 << "\"say \\\"hi\\\"\"";
        QTest::newRow("empty") << ""
                               << "\"\"";
    }

    void commandWords()
    {
        QFETCH(QString, word);
        QFETCH(QString, written);
        QCOMPARE(commandWord(word), written);
        int count = 0;
        LPWSTR *split =
            ::CommandLineToArgvW(reinterpret_cast<LPCWSTR>((QStringLiteral("x ") + written).utf16()), &count);
        QVERIFY(split);
        const QString back = count == 2 ? QString::fromWCharArray(split[1]) : QString();
        ::LocalFree(split);
        QCOMPARE(back, word);
    }

    void fileErrorsInTheSystemsWords_data()
    {
        QTest::addColumn<QString>("path"); // under the test's folder
        QTest::addColumn<int>("code");
        QTest::newRow("no such file") << "gone.bmp" << int(ERROR_FILE_NOT_FOUND);
        QTest::newRow("no such folder") << "gone/frame.bmp" << int(ERROR_PATH_NOT_FOUND);
    }

    void fileErrorsInTheSystemsWords()
    {
        QFETCH(QString, path);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString said = SystemError::text(DWORD(code));
        QVERIFY2(!said.startsWith(QLatin1String("error ")), qPrintable(said)); // the system's words, not a number
        QString error;
        QVERIFY(!LocalPath::stat(dir.filePath(path), &error).exists);
        QCOMPARE(error, said);
        QFile file;
        QVERIFY(!LocalPath::openForReading(file, dir.filePath(path), &error));
        QCOMPARE(error, said);
        QVERIFY(LocalPath::entries(dir.filePath(QStringLiteral("gone")), LocalPath::Kind::Files, &error).isEmpty());
        QCOMPARE(error, SystemError::text(ERROR_PATH_NOT_FOUND));
    }

    // Drive letters in their order, and the drive that holds a folder whatever its letter case.
    void driveLetters_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("drive");
        QTest::newRow("on the last drive") << "Z:/work/frames"
                                           << "Z:/";
        QTest::newRow("lower-case letter") << "d:/frames"
                                           << "D:/";
        QTest::newRow("the root itself") << "C:/"
                                         << "C:/";
        QTest::newRow("no such drive") << "Q:/frames"
                                       << "";
    }

    void driveLetters()
    {
        QFETCH(QString, folder);
        QFETCH(QString, drive);
        DriveListBox drives;
        drives.setVolumeSource([] {
            return QList<DriveListBox::Volume>{
                {QStringLiteral("Z:/"), {}}, {QStringLiteral("C:/"), {}}, {QStringLiteral("D:/"), {}}};
        });
        drives.refresh();
        QStringList shown;
        for (int i = 0; i < drives.count(); ++i)
            shown << drives.itemText(i);
        QCOMPARE(shown, (QStringList{"C:\\", "D:\\", "Z:\\"}));
        drives.showDriveOf(folder);
        QCOMPARE(drives.drive(), drive);
    }

    // The system's own drives: the one the program starts on is listed and shown.
    void startsOnTheCurrentDrive()
    {
        DriveListBox drives;
        drives.showDriveOf(LocalPath::currentFolder());
        QCOMPARE(drives.drive().toUpper(), LocalPath::currentFolder().left(3).toUpper());
        for (int i = 0; i < drives.count(); ++i)
            QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z]:\\\\$")).match(drives.itemText(i)).hasMatch(),
                     qPrintable(drives.itemText(i)));
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
