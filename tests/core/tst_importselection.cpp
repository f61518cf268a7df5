// Which pictures of an animation become frames: a range, every Nth, both; a still picture beside it
// always becomes its frame, and the files told before converting are those made.
#include "picturefiles.h"

#include "frame/deviceview.h"
#include "frame/framebitmap.h"
#include "import/core/pictureconverter.h"
#include "import/core/picturereader.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Pictures = 10;

QColor colourOf(int picture)
{
    return QColor::fromHsv(picture * 36, 255, 255);
}

bool near(QRgb shown, const QColor &wanted)
{
    return std::abs(qRed(shown) - wanted.red()) < 12 && std::abs(qGreen(shown) - wanted.green()) < 12
        && std::abs(qBlue(shown) - wanted.blue()) < 12;
}

} // namespace

class TestImportSelection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QList<QColor> colours;
        for (int i = 0; i < Pictures; ++i)
            colours << colourOf(i);
        m_animation = m_dir.filePath(QStringLiteral("animation.gif"));
        QVERIFY(PictureFiles::writeGif(m_animation, colours));
        m_still = m_dir.filePath(QStringLiteral("still.png"));
        QImage still(20, 10, QImage::Format_RGB32);
        still.fill(Qt::white);
        QVERIFY(still.save(m_still));
    }

    void chosenPictures_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("step");
        QTest::addColumn<QList<int>>("taken");
        QTest::newRow("all") << 0 << -1 << 1 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("every 3rd") << 0 << -1 << 3 << QList<int>{0, 3, 6, 9};
        QTest::newRow("a range") << 2 << 5 << 1 << QList<int>{2, 3, 4, 5};
        QTest::newRow("every 2nd of a range") << 1 << 8 << 2 << QList<int>{1, 3, 5, 7};
        QTest::newRow("a range past the end") << 8 << 20 << 1 << QList<int>{8, 9};
        QTest::newRow("from past the end") << 12 << -1 << 1 << QList<int>();
    }

    void chosenPictures()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, step);
        QFETCH(QList<int>, taken);
        ImportOptions options;
        options.first = first;
        options.last = last;
        options.step = step;
        QCOMPARE(options.taken(Pictures), int(taken.size()));

        // Read with room for two frames: the others chosen are counted as left out.
        PictureReader::Read read;
        QString why;
        QCOMPARE(PictureReader::read(m_animation, options, 2, &read, &why), !taken.isEmpty());
        if (taken.isEmpty())
            QVERIFY2(why.contains(QStringLiteral("none of them among those chosen")), qPrintable(why));
        QCOMPARE(read.pictures.size(), std::min(int(taken.size()), 2));
        QCOMPARE(read.leftOut, std::max(int(taken.size()) - 2, 0));
        for (int k = 0; k < read.pictures.size(); ++k) {
            QCOMPARE(read.pictures[k].number, taken[k]);
            QVERIFY(near(read.pictures[k].frame.pixel(128, 64), colourOf(taken[k])));
        }

        QTemporaryDir out;
        PictureConverter converter(options, out.path());
        const QStringList planned = converter.plannedFiles({m_animation, m_still});
        const auto outcomes = converter.convert({m_animation, m_still});
        QStringList written = outcomes[0].written + outcomes[1].written;
        QCOMPARE(written, planned);
        QCOMPARE(outcomes[1].written, QStringList{out.filePath(QStringLiteral("still.bmp"))});
        QCOMPARE(outcomes[0].written.size(), taken.size());
        for (int k = 0; k < taken.size(); ++k) {
            QCOMPARE(QFileInfo(outcomes[0].written[k]).fileName(),
                     QStringLiteral("anima%1.bmp").arg(k, 3, 10, QLatin1Char('0'))); // numbered as made
            const auto frame = FrameBitmapReader::readFile(outcomes[0].written[k]);
            QVERIFY(frame);
            QVERIFY(near(DeviceView::shown(frame->palette[frame->pixel(64, 128)]), colourOf(taken[k])));
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_animation;
    QString m_still;
};

QTEST_GUILESS_MAIN(TestImportSelection)
#include "tst_importselection.moc"
