// The device servers the network tests reach, checked with a plain socket: ser2net carrying a
// frame into drelin-device byte for byte, and the scripted server's every mode as a client sees it.
#include "scriptedserver.h"
#include "ser2netserver.h"
#include "wireoracle.h"

#include "frame/deviceview.h"
#include "frame/framebitmap.h"

#include <QImage>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (const int value : values)
        result += char(value);
    return result;
}

// IAC SB COM-PORT-OPTION code value IAC SE, the value given as it goes on the wire.
QByteArray sb(int code, const QByteArray &value)
{
    return bytes({255, 250, 44, code}) + value + bytes({255, 240});
}

const QByteArray Speed38400 = bytes({0, 0, 0x96, 0});

} // namespace

class TestDeviceServers : public QObject
{
    Q_OBJECT

private slots:
    void ser2netCarriesAFrameExactly()
    {
        if (!Ser2netServer::available())
            QSKIP("ser2net is not installed");
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const auto device = std::make_unique<QProcess>();
        device->start(QStringLiteral(DRELIN_DEVICE), {"--pty", "--line-rate", "38400", "--out", out.path()});
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine(), 10000);
        const QString path = QString::fromLocal8Bit(device->readLine()).trimmed();
        Ser2netServer server;
        QString error;
        QVERIFY2(server.start(path, &error), qPrintable(error));
        QCOMPARE(server.rawUrl(), QStringLiteral("tcp://127.0.0.1:%1").arg(server.rawPort()));

        // Every colour one the device shows as it is, every pixel row a different pattern.
        FrameBitmap frame;
        for (int e = 0; e < FrameBitmap::PaletteSize; ++e)
            frame.palette[e] = DeviceView::shown(qRgb(e, 255 - e, (e * 7) & 0xFF));
        for (int i = 0; i < FrameBitmap::PixelCount; ++i)
            frame.pixels[i] = char(i * 31 / 7 + i / FrameBitmap::Width);
        QTcpSocket client;
        client.connectToHost(QStringLiteral("127.0.0.1"), server.rawPort());
        QVERIFY(client.waitForConnected(5000));
        client.write(WireOracle::frameText(5, QStringLiteral("servers"), frame));

        // 67,090 characters at 38400 bit/s take 19.2 s, and the device's two pauses 2 s more.
        QTRY_VERIFY_WITH_TIMEOUT(device->canReadLine() || client.state() != QAbstractSocket::ConnectedState, 40000);
        QVERIFY2(client.state() == QAbstractSocket::ConnectedState, client.readAll().constData());
        QCOMPARE(device->readLine().trimmed(), QByteArray("frame 5 (0005) \"servers \": complete, 67086 characters"));
        QImage expected(reinterpret_cast<const uchar *>(frame.pixels.constData()), FrameBitmap::Width,
                        FrameBitmap::Height, FrameBitmap::Width, QImage::Format_Indexed8);
        expected.setColorTable(QList<QRgb>(frame.palette.begin(), frame.palette.end()));
        QVERIFY(QImage(out.filePath(QStringLiteral("005-servers.png"))) == expected);
        client.close();
        ::kill(pid_t(device->processId()), SIGINT);
        QVERIFY(device->waitForFinished(10000));
    }

    void scriptedServerModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("characters");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("recorded");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("whileSuspended");
        // What a second client, connecting while the first is, is told before it is closed; when
        // nothing, it is served.
        QTest::addColumn<QByteArray>("secondTold");

        const QByteArray will44 = bytes({255, 251, 44});
        const QByteArray do44 = bytes({255, 253, 44});
        const QByteArray asked = will44 + sb(1, Speed38400) + sb(2, "\x08");
        QTest::newRow("normal") << int(ScriptedServer::Normal) << 0
                                << will44
                + bytes({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 24, 255, 253, 1})
                + sb(1, Speed38400) + sb(2, "\x08") + sb(3, "\x01") + sb(4, "\x02") + sb(5, "\x01") + sb(5, "\x0c")
                + "ab\xff\xff" + "c"
                                << do44
                + bytes({255, 253, 0, 255, 251, 0, 255, 253, 3, 255, 251, 3, 255, 254, 24, 255, 252, 1})
                + sb(101, Speed38400) + sb(102, "\x08") + sb(103, "\x01") + sb(104, "\x02") + sb(105, "\x01")
                + sb(105, "\x0c")
                                << QByteArray("ab\xff"
                                              "c")
                                << false << 0 << QByteArray();
        QTest::newRow("normal, IAC in a value")
            << int(ScriptedServer::Normal) << 0 << sb(1, bytes({0, 0, 1, 255, 255}))
            << sb(101, bytes({0, 0, 1, 255, 255})) << QByteArray() << false << 0 << QByteArray();
        QTest::newRow("refuse option") << int(ScriptedServer::RefuseOption) << 0
                                       << will44 + bytes({255, 253, 44}) + sb(1, Speed38400) + "x"
                                       << bytes({255, 254, 44, 255, 252, 44}) << QByteArray("x") << false << 0
                                       << QByteArray();
        QTest::newRow("refuse speed") << int(ScriptedServer::RefuseSpeed) << 0 << asked
                                      << do44 + sb(101, bytes({0, 0, 0, 0})) + sb(102, "\x08") << QByteArray() << false
                                      << 0 << QByteArray();
        QTest::newRow("other speed") << int(ScriptedServer::OtherSpeed) << 0 << asked
                                     << do44 + sb(101, bytes({0, 0, 0x25, 0x80})) + sb(102, "\x08") << QByteArray()
                                     << false << 0 << QByteArray();
        QTest::newRow("never answer") << int(ScriptedServer::NeverAnswer) << 0 << asked + "data" << QByteArray()
                                      << QByteArray("data") << false << 0 << QByteArray();
        QTest::newRow("close after 5") << int(ScriptedServer::CloseAfter) << 5 << will44 + "abcdefgh" << do44
                                       << QByteArray("abcde") << true << 0 << QByteArray();
        QTest::newRow("suspend after 3") << int(ScriptedServer::Suspend) << 3 << QByteArray("abcde")
                                         << sb(108, {}) + sb(109, {}) << QByteArray("abcde") << false << 2
                                         << QByteArray();
        QTest::newRow("busy") << int(ScriptedServer::Busy) << 0 << will44 << do44 << QByteArray() << false << 0
                              << bytes({255, 251, 3,   255, 253, 3,   255, 251, 1,   255, 254,
                                        1,   255, 253, 0,   255, 251, 0,   255, 253, 44})
                + "Port already in use\r\n";
        QTest::newRow("raw") << int(ScriptedServer::Raw) << 0 << bytes({255, 251, 44, 255, 255}) << QByteArray()
                             << bytes({255, 251, 44, 255, 255}) << false << 0 << QByteArray();
    }

    void scriptedServerModes()
    {
        QFETCH(int, mode);
        QFETCH(int, characters);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, recorded);
        QFETCH(bool, closed);
        QFETCH(int, whileSuspended);
        QFETCH(QByteArray, secondTold);

        ScriptedServer server(ScriptedServer::Mode(mode), characters);
        QVERIFY(server.port() != 0);
        QTcpSocket first;
        first.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        QVERIFY(first.waitForConnected(5000));
        first.write(sent);
        QTRY_COMPARE_WITH_TIMEOUT(server.received(), recorded, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(first.bytesAvailable() >= answer.size(), 5000);
        if (closed)
            QTRY_COMPARE_WITH_TIMEOUT(first.state(), QAbstractSocket::UnconnectedState, 5000);

        QTcpSocket second;
        second.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        QVERIFY(second.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(server.connections(), 2, 5000);
        if (!secondTold.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::UnconnectedState, 5000);
        // Room for anything said beyond the answer.
        QTest::qWait(300);
        QCOMPARE(first.readAll(), answer);
        QCOMPARE(first.state(), closed ? QAbstractSocket::UnconnectedState : QAbstractSocket::ConnectedState);
        QCOMPARE(second.readAll(), secondTold);
        QCOMPARE(second.state(),
                 secondTold.isEmpty() ? QAbstractSocket::ConnectedState : QAbstractSocket::UnconnectedState);
        QCOMPARE(server.charactersWhileSuspended(), whileSuspended);
        QCOMPARE(server.arrivalsMs().size(), recorded.size());
    }
};

QTEST_GUILESS_MAIN(TestDeviceServers)
#include "tst_deviceservers.moc"
