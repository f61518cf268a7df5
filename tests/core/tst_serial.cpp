// The serial port component over pseudo-terminals: set-up from the stored number, device
// mapping, opening and its error texts, transmission and discarding of received data.
#include "ptypair.h"
#include "systemtext.h"
#include "testsettings.h"

#include "frame/seriallink.h"
#include "serial/core/linesettings.h"
#include "serial/core/portmap.h"
#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

namespace {

// Runs a transmission on the component and waits for it to return.
bool runJob(SerialPortComponent &port, const std::function<void(SerialLink &)> &job)
{
    bool returned = false;
    QObject receiver;
    if (!port.startJob<bool>(
            [&job](SerialLink &link) {
                job(link);
                return true;
            },
            &receiver, [&returned](bool) { returned = true; }))
        return false;
    return QTest::qWaitFor([&returned] { return returned; }, 10000);
}

// Device nodes as plain files in a folder, one listed as an adapter, a by-id link to it, and a
// pseudo-terminal with a link to it. "{dir}" and "{pty}" in a text stand for the real paths.
struct PortFolder
{
    QTemporaryDir dir;
    PtyPair pty;
    QList<PortDetails> listed;

    PortFolder()
    {
        for (const char *node : {"ttyUSB0", "ttyS0", "ttyS1"}) {
            QFile file(dir.filePath(QString::fromLatin1(node)));
            file.open(QIODevice::WriteOnly);
        }
        QDir(dir.path()).mkdir(QStringLiteral("by-id"));
        QFile::link(expand("{dir}/ttyUSB0"), expand("{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0"));
        QFile::link(expand("{dir}/gone"), expand("{dir}/by-id/usb-dangling"));
        QFile::link(pty.devicePath(), expand("{dir}/inserter"));
        listed = {{expand("{dir}/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
                   QStringLiteral("A1B2C3"), expand("{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0")},
                  {expand("{dir}/ttyS0"), {}, {}, {}, {}}};
    }

    QString expand(QString text) const
    {
        return text.replace(QLatin1String("{dir}"), dir.path()).replace(QLatin1String("{pty}"), pty.devicePath());
    }
};

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT

private slots:
    void lineSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<double>("bitsPerCharacter");
        QTest::newRow("device line") << "38400,N,8,2" << true << 38400 << int(QSerialPort::TwoStop) << 11.0;
        QTest::newRow("even parity") << "9600,E,7,1" << true << 9600 << int(QSerialPort::OneStop) << 10.0;
        QTest::newRow("lower case, blanks")
            << " 19200 , n , 8 , 1 " << true << 19200 << int(QSerialPort::OneStop) << 10.0;
        QTest::newRow("missing part") << "38400,N,8" << false << 0 << 0 << 0.0;
        QTest::newRow("bad parity") << "38400,X,8,2" << false << 0 << 0 << 0.0;
        QTest::newRow("bad data bits") << "38400,N,9,2" << false << 0 << 0 << 0.0;
        QTest::newRow("zero speed") << "0,N,8,2" << false << 0 << 0 << 0.0;
    }

    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto parsed = LineSettings::parse(text);
        QCOMPARE(parsed.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, baud);
        QFETCH(int, stopBits);
        QFETCH(double, bitsPerCharacter);
        QCOMPARE(parsed->baudRate, baud);
        QCOMPARE(int(parsed->stopBits), stopBits);
        QCOMPARE(parsed->bitsPerCharacter(), bitsPerCharacter);
        QCOMPARE(LineSettings::parse(parsed->toString())->toString(), parsed->toString());
    }

    void portMapping_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("Com1") << 1 << "/dev/ttyS0";
        QTest::newRow("Com4") << 4 << "/dev/ttyS3";
        QTest::newRow("Com5") << 5 << "/dev/ttyUSB0";
        QTest::newRow("Com12") << 12 << "/dev/ttyUSB7";
        QTest::newRow("Com13") << 13 << "/dev/ttyACM0";
        QTest::newRow("Com16") << 16 << "/dev/ttyACM3";
        QTest::newRow("Com0") << 0 << "";
        QTest::newRow("Com17") << 17 << "";
    }

    void portMapping()
    {
        QFETCH(int, port);
        QFETCH(QString, device);
        TestSettings store;
        QCOMPARE(PortMap::devicePath(port, PortSettings()), device);
    }

    void overrideReplacesTableEntry()
    {
        TestSettings store;
        store.setValue(QStringLiteral("Ports/Com3"), QStringLiteral("/dev/serial/by-id/usb-inserter"));
        QCOMPARE(PortMap::devicePath(3, PortSettings()), QStringLiteral("/dev/serial/by-id/usb-inserter"));
        QCOMPARE(PortMap::devicePath(4, PortSettings()), QStringLiteral("/dev/ttyS3"));
        QVERIFY(PortMap::describe(3, PortSettings()).endsWith(QLatin1String("(not present)")));
    }

    // Present only where the system reports a serial device, or for a pseudo-terminal.
    void presenceAndDescription_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("presence");
        QTest::addColumn<QString>("description");
        using P = PortMap::Presence;
        QTest::newRow("listed adapter") << "{dir}/ttyUSB0" << int(P::Adapter)
                                        << "{dir}/ttyUSB0 (present)\nFT232R USB UART, FTDI, serial A1B2C3\n"
                                           "by-id: usb-FTDI_FT232R_A1B2C3-if00-port0";
        QTest::newRow("by-id link to it") << "{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0" << int(P::Adapter)
                                          << "{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0 (present)\n"
                                             "FT232R USB UART, FTDI, serial A1B2C3\nat {dir}/ttyUSB0";
        QTest::newRow("listed, nothing known") << "{dir}/ttyS0" << int(P::Adapter) << "{dir}/ttyS0 (present)";
        QTest::newRow("node not listed") << "{dir}/ttyS1" << int(P::NoDevice)
                                         << "{dir}/ttyS1 (not present: no serial device behind it)";
        QTest::newRow("missing") << "{dir}/ttyUSB7" << int(P::Missing) << "{dir}/ttyUSB7 (not present)";
        QTest::newRow("dangling link") << "{dir}/by-id/usb-dangling" << int(P::Missing)
                                       << "{dir}/by-id/usb-dangling (not present)";
        QTest::newRow("pseudo-terminal") << "{pty}" << int(P::PseudoTerminal) << "{pty} (present, a pseudo-terminal)";
        QTest::newRow("link to a pseudo-terminal")
            << "{dir}/inserter" << int(P::PseudoTerminal) << "{dir}/inserter (present, the pseudo-terminal {pty})";
        QTest::newRow("pseudo-terminal multiplexer")
            << "/dev/ptmx" << int(P::NoDevice) << "/dev/ptmx (not present: no serial device behind it)";
        QTest::newRow("empty path") << "" << int(P::NoPath) << "No device for this number";
    }

    void presenceAndDescription()
    {
        QFETCH(QString, path);
        QFETCH(int, presence);
        QFETCH(QString, description);
        const PortFolder ports;
        QVERIFY(ports.pty.isValid());
        path = ports.expand(path);
        QCOMPARE(int(PortMap::presence(path, ports.listed)), presence);
        QCOMPARE(PortMap::describe(path, ports.listed), ports.expand(description));
    }

    void isPresentMeansAWorkingLine()
    {
        const PortFolder ports;
        QVERIFY(PortMap::isPresent(ports.pty.devicePath()));
        QVERIFY(PortMap::isPresent(ports.expand("{dir}/inserter")));
        QVERIFY(!PortMap::isPresent(ports.expand("{dir}/ttyS1"))); // a node the system does not list
        QVERIFY(!PortMap::isPresent(ports.expand("{dir}/ttyUSB7")));
    }

    void byIdLinkIsFound_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("link");
        QTest::newRow("the node") << "{dir}/by-id"
                                  << "{dir}/ttyUSB0"
                                  << "{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0";
        QTest::newRow("through a link") << "{dir}/by-id"
                                        << "{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0"
                                        << "{dir}/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0";
        QTest::newRow("no link to it") << "{dir}/by-id"
                                       << "{dir}/ttyS0"
                                       << "";
        QTest::newRow("missing node") << "{dir}/by-id"
                                      << "{dir}/gone"
                                      << "";
        QTest::newRow("no such folder") << "{dir}/nowhere"
                                        << "{dir}/ttyUSB0"
                                        << "";
    }

    void byIdLinkIsFound()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QFETCH(QString, link);
        const PortFolder ports;
        QCOMPARE(PortDetails::linkIn(ports.expand(folder), ports.expand(path)), ports.expand(link));
    }

    // The stored port number at start-up: what the component ends up with, and that reading
    // never writes the store.
    void configureFromStore_data()
    {
        QTest::addColumn<QString>("stored"); // empty: no entry
        QTest::addColumn<int>("expectedPort");
        QTest::newRow("no entry uses 2") << QString() << 2;
        QTest::newRow("five") << "5" << 5;
        QTest::newRow("blanks around") << " 7 " << 7;
        QTest::newRow("not a number keeps the default") << "abc" << 1;
        QTest::newRow("refused number keeps the default") << "99" << 1;
        QTest::newRow("zero refused") << "0" << 1;
        QTest::newRow("too big for 16 bits") << "70000" << 1;
    }

    void configureFromStore()
    {
        QFETCH(QString, stored);
        QFETCH(int, expectedPort);
        TestSettings store;
        if (!stored.isNull())
            store.setValue(QStringLiteral("Properties/CommPort"), stored);

        SerialPortComponent port;
        SerialSetup::configure(port, PortSettings());
        QCOMPARE(port.CommPort(), expectedPort);
        QCOMPARE(port.Settings(), QStringLiteral("38400,N,8,2"));
        QCOMPARE(port.InputMode(), int(SerialPortComponent::InputModeBinary));
        QVERIFY(!port.RTSEnable());
        QVERIFY(!port.NullDiscard());
        QVERIFY(!port.PortOpen());
        QCOMPARE(store.fileExists(), !stored.isNull());
    }

    void openErrors_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("holdItFirst");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing device") << "/dev/ttyUSB7-missing" << false
                                        << "Com5: there is no serial device at /dev/ttyUSB7-missing";
        QTest::newRow("already in use") << "" << true << "is already in use by another program";
    }

    void openErrors()
    {
        QFETCH(QString, device);
        QFETCH(bool, holdItFirst);
        QFETCH(QString, expected);
        TestSettings store;
        PtyPair pty;
        QVERIFY(pty.isValid());
        if (device.isEmpty())
            device = pty.devicePath();
        store.setValue(QStringLiteral("Ports/Com5"), device);

        QSerialPort holder(device);
        if (holdItFirst)
            QVERIFY(holder.open(QIODevice::ReadWrite));

        SerialPortComponent port;
        QVERIFY(port.setCommPort(5));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
        QVERIFY2(port.errorDescription().contains(expected), qPrintable(port.errorDescription()));
    }

    void unknownNumbersAreRefused()
    {
        SerialPortComponent port;
        QVERIFY(!port.setCommPort(0));
        QVERIFY(!port.setCommPort(17));
        QCOMPARE(port.CommPort(), 1);
        QVERIFY(!port.errorDescription().isEmpty());
    }

    void opensPtyWithoutModemLinesAndTransmits()
    {
        TestSettings store;
        PtyPair pty;
        QVERIFY(pty.isValid());
        store.setValue(QStringLiteral("Ports/Com3"), pty.devicePath());

        SerialPortComponent port;
        QVERIFY(port.setCommPort(3));
        QVERIFY(port.setSettings(QStringLiteral("38400,N,8,2")));
        QVERIFY(port.setRTSEnable(false));
        // A pseudo-terminal refuses RTS; opening must not fail over it.
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorDescription()));
        QVERIFY(port.PortOpen());
        QCOMPARE(port.devicePath(), pty.devicePath());
        QVERIFY(!port.setCommPort(4)); // not while open
        QCOMPARE(port.CommPort(), 3);

        // Larger than the component's queue limit, so writes must wait for room and keep every byte.
        QByteArray text;
        for (int i = 0; i < 20000; ++i)
            text += QByteArray::number(i % 97, 16).toUpper();
        // The far end reads while the port writes, as a device would.
        auto received = std::async(std::launch::async, [&] { return pty.read(text.size(), 10000); });
        bool wrote = false;
        bool drained = false;
        QVERIFY(runJob(port, [&](SerialLink &link) {
            wrote = link.write(text.left(5000)) && link.write(text.mid(5000));
            drained = link.drain();
        }));
        QVERIFY(wrote);
        QVERIFY(drained);
        QCOMPARE(received.get(), text);

        QVERIFY(port.setPortOpen(false));
        QVERIFY(!port.PortOpen());
        QVERIFY(port.setPortOpen(false)); // closing a closed port is no error
    }

    void receivedDataIsDiscarded()
    {
        TestSettings store;
        PtyPair pty;
        store.setValue(QStringLiteral("Ports/Com1"), pty.devicePath());
        SerialPortComponent port;
        QVERIFY(port.setPortOpen(true));
        QVERIFY(pty.write(QByteArray("\x00OK\r\n\x00", 6)));
        QTRY_COMPARE_WITH_TIMEOUT(port.discardedBytes(), qint64(6), 5000);
    }

    void writingToClosedPortFails()
    {
        SerialPortComponent port;
        QString error;
        bool wrote = true;
        QVERIFY(runJob(port, [&](SerialLink &link) {
            wrote = link.write(" [");
            error = link.errorDescription();
        }));
        QVERIFY(!wrote);
        QVERIFY(error.contains(QLatin1String("not open")));
    }

    void hangUpEndsTransmissionAndClosesPort_data()
    {
        QTest::addColumn<bool>("idle");
        QTest::newRow("during a transmission") << false;
        QTest::newRow("while idle") << true;
    }

    void hangUpEndsTransmissionAndClosesPort()
    {
        QFETCH(bool, idle);
        TestSettings store;
        auto pty = std::make_unique<PtyPair>();
        const QString device = pty->devicePath();
        store.setValue(QStringLiteral("Ports/Com1"), device);
        SerialPortComponent port;
        QVERIFY(port.setPortOpen(true));
        if (idle) {
            pty->hangUp();
            QTRY_VERIFY_WITH_TIMEOUT(!port.PortOpen(), 5000); // closed without a transmission asking
        }
        bool first = false;
        bool wrote = true;
        QString error;
        QVERIFY(runJob(port, [&](SerialLink &link) {
            first = idle || link.write(QByteArray(100, 'A'));
            pty->hangUp();
            for (int i = 0; i < 100 && wrote; ++i)
                wrote = link.write(QByteArray(1000, 'A')) && link.drain();
            error = link.errorDescription();
        }));
        QVERIFY(first);
        QVERIFY(!wrote);
        QVERIFY2(error.contains(device) && error.contains(QLatin1String("was lost")), qPrintable(error));
        QVERIFY2(systemTextIn(error).isEmpty(), qPrintable(error));
        QVERIFY(!port.PortOpen());
    }

    void secondJobIsRefusedWhileOneRuns()
    {
        SerialPortComponent port;
        QSemaphore release;
        bool returned = false;
        QVERIFY(port.startJob<int>(
            [&release](SerialLink &) {
                release.acquire();
                return 0;
            },
            this, [&returned](int) { returned = true; }));
        QVERIFY(port.isBusy());
        QVERIFY(!port.startJob<int>([](SerialLink &) { return 0; }, this, [](int) {}));
        QVERIFY(!port.setPortOpen(true)); // the window never waits on a busy port
        release.release();
        QTRY_VERIFY(returned);
        QVERIFY(!port.isBusy()); // free before its result is handed over
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "tst_serial.moc"
