// The wire format's pieces: numbers as hexadecimal, pixel groups as bit planes both ways, and the
// name field.
#include "frame/wireformat.h"

#include <QTest>

class TestWireFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatHex2_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "00";
        QTest::newRow("5") << qint64(5) << "05";
        QTest::newRow("10") << qint64(10) << "0A";
        QTest::newRow("255") << qint64(255) << "FF";
        QTest::newRow("256") << qint64(256) << "100";
    }

    void formatHex2()
    {
        QFETCH(qint64, value);
        QFETCH(QString, text);
        QCOMPARE(WireFormat::FormatHex2(value), text);
    }

    void pixelGroups_data()
    {
        QTest::addColumn<QByteArray>("pixels");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("01 02 04 80") << QByteArray::fromHex("01020480") << QByteArray::fromHex("84040080");
        QTest::newRow("01 00 00 00") << QByteArray::fromHex("01000000") << QByteArray::fromHex("80000000");
        QTest::newRow("00 00 00 01") << QByteArray::fromHex("00000001") << QByteArray::fromHex("10000000");
        QTest::newRow("04 00 00 00") << QByteArray::fromHex("04000000") << QByteArray::fromHex("00010000");
        QTest::newRow("0F 00 00 F0") << QByteArray::fromHex("0F0000F0") << QByteArray::fromHex("88118888");
        QTest::newRow("four 03") << QByteArray::fromHex("03030303") << QByteArray::fromHex("FF000000");
        QTest::newRow("four FF") << QByteArray::fromHex("FFFFFFFF") << QByteArray::fromHex("FFFFFFFF");
        QTest::newRow("four 00") << QByteArray::fromHex("00000000") << QByteArray::fromHex("00000000");
    }

    void pixelGroups()
    {
        QFETCH(QByteArray, pixels);
        QFETCH(QByteArray, bytes);
        const auto p = [&](int i) { return quint8(pixels.at(i)); };
        const auto encoded = WireFormat::encodePixelGroup(p(0), p(1), p(2), p(3));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(encoded.data()), 4), bytes);
        const auto decoded = WireFormat::decodePixelGroup(encoded[0], encoded[1], encoded[2], encoded[3]);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(decoded.data()), 4), pixels);
    }

    void nameField_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("four characters") << "logo" << QByteArray("logo    ");
        QTest::newRow("ten characters") << "abcdefghij" << QByteArray("abcdefgh");
        QTest::newRow("empty") << "" << QByteArray("        ");
        QTest::newRow("markers unchanged") << "a] [b" << QByteArray("a] [b   ");
        QTest::newRow("outside ASCII") << QString::fromUtf8("čup€") << QByteArray("?up?    ");
        QTest::newRow("beyond the basic plane counts once") << QString::fromUtf8("😀x") << QByteArray("?x      ");
    }

    void nameField()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, field);
        QCOMPARE(WireFormat::nameField(name), field);
    }
};

QTEST_GUILESS_MAIN(TestWireFormat)
#include "tst_wireformat.moc"
