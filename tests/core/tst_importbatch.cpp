// A batch of pictures converted on several threads makes the very files one thread makes, in the
// same order, with the count told after each frame and Cancel heard before the next.
#include "picturefiles.h"
#include "testpictures.h"

#include "import/core/pictureconverter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

struct Run
{
    QList<PictureConverter::Outcome> outcomes;
    QList<int> told; // the counts, in the order told
    bool toldElsewhere = false; // a count told on another thread than the converting one
};

// Paths made relative to the folder, so two runs in two folders compare.
QStringList relative(const QStringList &paths, const QString &folder)
{
    QStringList names;
    for (const QString &path : paths)
        names << QDir(folder).relativeFilePath(path);
    return names;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestImportBatch : public QObject
{
    Q_OBJECT

private slots:
    // More pictures than the device takes: an animation, drawn pictures whose colours take long to
    // choose, a file that is no picture, flat ones that are quick, the animation again where only
    // part of it fits, two stills the device could not tell apart.
    void initTestCase()
    {
        QVERIFY(m_pictures.isValid());
        const QDir dir(m_pictures.path());
        QList<QColor> colours;
        for (int i = 0; i < 6; ++i)
            colours << QColor::fromHsv(i * 60, 255, 255);
        QVERIFY(PictureFiles::writeGif(dir.filePath(QStringLiteral("spin.gif")), colours));
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("spin.gif")), dir.filePath(QStringLiteral("spun.gif"))));
        m_batch << dir.filePath(QStringLiteral("spin.gif"));
        for (const TestPictures::Named &picture : TestPictures::all()) {
            m_batch << dir.filePath(picture.name.left(5) + QStringLiteral(".png"));
            QVERIFY(picture.picture.save(m_batch.last()));
        }
        m_batch << dir.filePath(QStringLiteral("broken.png"));
        QFile broken(m_batch.last());
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
        broken.close();
        const auto flat = [&](int n) {
            QImage picture(8 + n % 5, 4 + n % 3, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv(n * 7 % 360, 128 + n % 128, 255 - n % 64));
            m_batch << dir.filePath(QStringLiteral("f%1.png").arg(n, 3, 10, QLatin1Char('0')));
            return picture.save(m_batch.last());
        };
        int n = 0;
        for (; 6 + 6 + n < PictureConverter::MostFrames - 4; ++n)
            QVERIFY(flat(n));
        m_batch << dir.filePath(QStringLiteral("spun.gif")); // 4 of its 6 pictures fit
        for (const int end = n + 4; n < end; ++n)
            QVERIFY(flat(n)); // past the device's room
        for (const char *name : {"intro_0001.png", "intro_0002.png"}) {
            m_batch << dir.filePath(QString::fromLatin1(name));
            QVERIFY(TestPictures::gradient().save(m_batch.last()));
        }
    }

    void sameFilesOnEveryThread_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("cancelAt"); // the count on which Cancel is pressed; 0 never
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("3 threads, an existing frame kept") << 3 << 0 << false;
        QTest::newRow("2 threads, cancelled within the animation") << 2 << 2 << true;
        QTest::newRow("4 threads, cancelled among the flat ones") << 4 << 40 << true;
    }

    void sameFilesOnEveryThread()
    {
        QFETCH(int, threads);
        QFETCH(int, cancelAt);
        QFETCH(bool, overwrite);
        QTemporaryDir one, many;
        const Run alone = convert(one.path(), 1, cancelAt, overwrite);
        const Run shared = convert(many.path(), threads, cancelAt, overwrite);

        QCOMPARE(shared.outcomes.size(), m_batch.size());
        QStringList written;
        for (int p = 0; p < m_batch.size(); ++p) {
            const PictureConverter::Outcome &a = alone.outcomes[p], &b = shared.outcomes[p];
            QCOMPARE(b.source, a.source);
            QCOMPARE(relative(b.written, many.path()), relative(a.written, one.path()));
            QCOMPARE(relative(b.kept, many.path()), relative(a.kept, one.path()));
            QCOMPARE(b.problem, a.problem);
            written += relative(b.written, many.path());
        }
        QStringList files = QDir(many.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        if (!overwrite)
            files.removeOne(QStringLiteral("f000.bmp"));
        QStringList sorted = written;
        sorted.sort();
        QCOMPARE(files, sorted); // nothing made ahead of a Cancel is left behind
        for (const QString &name : written)
            QVERIFY2(bytesOf(many.filePath(name)) == bytesOf(one.filePath(name)), qPrintable(name));

        QCOMPARE(int(written.size()), cancelAt > 0 ? cancelAt : PictureConverter::MostFrames);
        QList<int> counts;
        for (int i = 1; i <= written.size(); ++i)
            counts << i;
        QCOMPARE(shared.told, counts);
        QVERIFY(!shared.toldElsewhere);
        if (cancelAt > 0)
            QVERIFY(shared.outcomes.last().problem.contains(QStringLiteral("cancelled")));
        else
            QVERIFY2(shared.outcomes.last().problem.contains(QStringLiteral("left out")),
                     qPrintable(shared.outcomes.last().problem));
    }

private:
    Run convert(const QString &folder, int threads, int cancelAt, bool overwrite)
    {
        if (!overwrite) // made before: kept, its room left to the others
            QFile::copy(m_batch.value(7), QDir(folder).filePath(QStringLiteral("f000.bmp")));
        Run run;
        std::atomic<bool> cancel{false};
        QThread *converting = QThread::currentThread();
        PictureConverter converter(ImportOptions(), folder);
        converter.setThreads(threads);
        converter.setOverwrite(overwrite);
        converter.setCancel(&cancel);
        converter.setProgress([&](int written) {
            run.told << written;
            run.toldElsewhere = run.toldElsewhere || QThread::currentThread() != converting;
            if (written == cancelAt)
                cancel.store(true);
        });
        run.outcomes = converter.convert(m_batch);
        return run;
    }

    QTemporaryDir m_pictures;
    QStringList m_batch;
};

QTEST_GUILESS_MAIN(TestImportBatch)
#include "tst_importbatch.moc"
