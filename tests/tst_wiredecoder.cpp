#include <QTest>
class TestWireDecoder : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestWireDecoder)
#include "tst_wiredecoder.moc"
