#include <QTest>
class TestFrameBitmap : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestFrameBitmap)
#include "tst_framebitmap.moc"
