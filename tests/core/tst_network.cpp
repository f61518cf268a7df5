// Device servers without a network: their addresses, the Telnet COM-PORT-OPTION codec byte for
// byte, and the model of the far line that paces the writes.
#include "network/core/deviceaddress.h"
#include "network/core/linemodel.h"
#include "network/core/rfc2217codec.h"

#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray result;
    for (const int b : list)
        result += char(b);
    return result;
}

using Commands = QVector<Rfc2217Codec::Received>;

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
    void decoding_data();
    void decoding();
    void encoding();
    void lineModel();
};

void TestNetwork::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parsed"); // toString(), or the start of the refusal
    QTest::addColumn<bool>("network");

    QTest::newRow("local path") << "/dev/serial/by-id/usb-FTDI-if00"
                                << "/dev/serial/by-id/usb-FTDI-if00" << false;
    QTest::newRow("raw") << "tcp://rack1:4001"
                         << "tcp://rack1:4001" << true;
    QTest::newRow("rfc2217, capitals, slash") << "RFC2217://10.0.0.5:7000/"
                                              << "rfc2217://10.0.0.5:7000" << true;
    QTest::newRow("ipv6") << "tcp://[::1]:4001"
                          << "tcp://[::1]:4001" << true;
    QTest::newRow("no port") << "tcp://rack1"
                             << "The device server tcp://rack1 needs a host" << true;
    QTest::newRow("port 0") << "tcp://rack1:0"
                            << "The device server tcp://rack1:0 needs a TCP port" << true;
    QTest::newRow("port too big") << "rfc2217://rack1:65536"
                                  << "The device server rfc2217://rack1:65536 needs" << true;
    QTest::newRow("signed port") << "tcp://rack1:+7"
                                 << "The device server tcp://rack1:+7 needs a TCP port" << true;
    QTest::newRow("bare ipv6") << "tcp://::1:4001"
                               << "The device server tcp://::1:4001 an IPv6" << true;
    QTest::newRow("no host") << "tcp://:4001"
                             << "The device server tcp://:4001 needs a host" << true;
}

void TestNetwork::addresses()
{
    QFETCH(QString, text);
    QFETCH(QString, parsed);
    QFETCH(bool, network);
    QCOMPARE(DeviceAddress::isNetworkText(text), network);
    QString error;
    const auto address = DeviceAddress::parse(text, &error);
    if (address) {
        QCOMPARE(address->toString(), parsed);
        QCOMPARE(DeviceAddress::parse(address->toString())->toString(), parsed);
    } else {
        QVERIFY2(error.startsWith(parsed), qPrintable(error));
    }
}

void TestNetwork::decoding_data()
{
    QTest::addColumn<bool>("server");
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<Commands>("commands");
    QTest::addColumn<int>("agreement"); // 1 agreed, -1 refused, 0 not yet
    QTest::addColumn<bool>("suspended");

    const Commands none;
    QTest::newRow("data") << false << QByteArray("0A1B\r\n") << QByteArray("0A1B\r\n") << QByteArray() << none << 0
                          << false;
    QTest::newRow("doubled IAC is data, NOP nothing")
        << false << bytes({'a', 255, 255, 'b', 255, 241, 'c'}) << bytes({'a', 255, 'b', 'c'}) << QByteArray() << none
        << 0 << false;
    QTest::newRow("our offers taken") << false << bytes({255, 253, 44, 255, 253, 0, 255, 251, 0, 255, 251, 3})
                                      << QByteArray() << QByteArray() << none << 1 << false;
    QTest::newRow("com port declined") << false << bytes({255, 254, 44}) << QByteArray() << QByteArray() << none << -1
                                       << false;
    QTest::newRow("unknown options refused both ways") << false << bytes({255, 251, 1, 255, 253, 24}) << QByteArray()
                                                       << bytes({255, 254, 1, 255, 252, 24}) << none << 0 << false;
    QTest::newRow("option ended after agreement answered once")
        << false << bytes({255, 251, 3, 255, 252, 3, 255, 252, 3}) << QByteArray() << bytes({255, 254, 3}) << none << 0
        << false;
    QTest::newRow("answers, IAC doubled inside")
        << false << bytes({255, 250, 44, 101, 0, 0, 150, 0, 255, 240, 255, 250, 44, 102, 255, 255, 255, 240})
        << QByteArray() << QByteArray() << Commands{{101, bytes({0, 0, 150, 0})}, {102, bytes({255})}} << 0 << false;
    QTest::newRow("state notices left out")
        << false << bytes({255, 250, 44, 106, 0x60, 255, 240, 255, 250, 44, 107, 0x30, 255, 240}) << QByteArray()
        << QByteArray() << none << 0 << false;
    QTest::newRow("suspend") << false << bytes({255, 250, 44, 108, 255, 240, 'x'}) << QByteArray("x") << QByteArray()
                             << none << 0 << true;
    QTest::newRow("suspend then resume") << false << bytes({255, 250, 44, 108, 255, 240, 255, 250, 44, 109, 255, 240})
                                         << QByteArray() << QByteArray() << none << 0 << false;
    QTest::newRow("other subnegotiation ignored")
        << false << bytes({255, 250, 24, 1, 255, 240, 'y'}) << QByteArray("y") << QByteArray() << none << 0 << false;
    QTest::newRow("server: requests and the client's offer")
        << true << bytes({255, 251, 44, 255, 250, 44, 1, 0, 0, 150, 0, 255, 240, 255, 250, 44, 8, 255, 240})
        << QByteArray() << QByteArray() << Commands{{1, bytes({0, 0, 150, 0})}} << 1 << true;
}

void TestNetwork::decoding()
{
    QFETCH(bool, server);
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, answers);
    QFETCH(Commands, commands);
    QFETCH(int, agreement);
    QFETCH(bool, suspended);

    // Whole and one byte at a time: TCP may split anywhere.
    for (const bool piecewise : {false, true}) {
        Rfc2217Codec codec(server ? Rfc2217Codec::Role::Server : Rfc2217Codec::Role::Client);
        codec.greeting();
        if (piecewise) {
            for (const char c : in)
                codec.feed(QByteArray(1, c));
        } else {
            codec.feed(in);
        }
        QCOMPARE(codec.takeData(), data);
        QCOMPARE(codec.takeAnswers(), answers);
        QCOMPARE(codec.takeCommands(), commands);
        QCOMPARE(codec.comPortAgreed() ? 1 : codec.comPortRefused() ? -1 : 0, agreement);
        QCOMPARE(codec.suspended(), suspended);
    }
}

void TestNetwork::encoding()
{
    Rfc2217Codec client(Rfc2217Codec::Role::Client);
    QCOMPARE(client.greeting(), bytes({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
    QCOMPARE(client.greeting(), QByteArray()); // offered once
    Rfc2217Codec server(Rfc2217Codec::Role::Server);
    QCOMPARE(server.greeting(), bytes({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 253, 44}));

    QCOMPARE(Rfc2217Codec::escape(bytes({'1', 255, '2'})), bytes({'1', 255, 255, '2'}));
    QCOMPARE(Rfc2217Codec::command(Rfc2217Codec::SetBaudRate, Rfc2217Codec::baudRate(38400)),
             bytes({255, 250, 44, 1, 0, 0, 150, 0, 255, 240}));
    QCOMPARE(Rfc2217Codec::command(Rfc2217Codec::SetControl, Rfc2217Codec::RtsOff),
             bytes({255, 250, 44, 5, 12, 255, 240}));
    QCOMPARE(Rfc2217Codec::command(Rfc2217Codec::SetBaudRate, Rfc2217Codec::baudRate(0xff00ffu)),
             bytes({255, 250, 44, 1, 0, 255, 255, 0, 255, 255, 255, 240}));
    QCOMPARE(Rfc2217Codec::baudValue(Rfc2217Codec::baudRate(38400)), 38400u);
    QCOMPARE(Rfc2217Codec::baudValue(bytes({1, 2})), 0u);
}

void TestNetwork::lineModel()
{
    // 38400 bit/s, 11 bits a character: 286.46 us a character.
    LineModel line(38400, 11);
    QCOMPARE(line.room(0, 1000000), qint64(3490));
    line.sent(3490, 0);
    QCOMPARE(line.room(0, 1000000), qint64(0));
    QCOMPARE(line.aheadUs(0), qint64(999740));
    // Half a second later half the second is free again.
    QCOMPARE(line.room(500000, 1000000), qint64(1746));
    // An idle line does not save up time: it starts on new characters when they come.
    line.sent(1, 5000000);
    QVERIFY(qAbs(line.endUs() - 5000286) <= 1);
    QCOMPARE(line.aheadUs(6000000), qint64(0));
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
