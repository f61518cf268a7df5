// Pictures become frames: colours chosen on the device's levels, the geometry, animations, refused
// inputs, and a frame that goes through the upload unchanged.
#include "core/deviceview.h"
#include "core/framebitmap.h"
#include "core/framegeometry.h"
#include "core/framequantizer.h"
#include "core/framewriter.h"
#include "core/pictureconverter.h"
#include "core/picturereader.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(ImportOptions::Geometry)

namespace {

QImage gradient()
{
    QImage image(256, 128, QImage::Format_RGB32);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgb(x, (x + 2 * y) / 3, 255 - y * 2));
    }
    return image;
}

// Soft shapes over a noisy sky, as a photo has them.
QImage photoLike()
{
    QImage image(256, 128, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 256; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const double sun = std::exp(-((x - 180) * (x - 180) + (y - 40) * (y - 40)) / 900.0);
            image.setPixel(x, y,
                           qRgb(qBound(0, int(60 + 190 * sun) + noise, 255),
                                qBound(0, int(90 + 120 * sun) + noise, 255), qBound(0, int(200 - y + noise), 255)));
        }
    }
    return image;
}

// Mean difference a component between what the device shows and the source.
double shownError(const FrameBitmap &frame, const QImage &source)
{
    double sum = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgb shown = DeviceView::shown(frame.palette[frame.pixel(y, x)]);
            const QRgb was = source.pixel(x, y);
            sum += std::abs(qRed(shown) - qRed(was)) + std::abs(qGreen(shown) - qGreen(was))
                + std::abs(qBlue(shown) - qBlue(was));
        }
    }
    return sum / (256.0 * 128.0 * 3.0);
}

// ImageMagick writes the animations: "magick", or "convert" where that is ImageMagick's and not
// another program of the name (Windows has one); empty when there is none.
QString imageMagick()
{
    for (const char *name : {"magick", "convert"}) {
        QProcess tool;
        tool.start(QString::fromLatin1(name), {QStringLiteral("-version")});
        if (tool.waitForFinished(30000) && tool.readAllStandardOutput().contains("ImageMagick"))
            return QString::fromLatin1(name);
    }
    return QString();
}

bool writeAnimation(const QString &tool, const QString &path, const QList<QColor> &colours)
{
    QTemporaryDir dir;
    QStringList arguments{QStringLiteral("-delay"), QStringLiteral("20")};
    for (int i = 0; i < colours.size(); ++i) {
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(colours[i]);
        const QString file = dir.filePath(QStringLiteral("p%1.png").arg(i));
        picture.save(file);
        arguments << file;
    }
    arguments << QStringLiteral("-loop") << QStringLiteral("0") << path;
    return QProcess::execute(tool, arguments) == 0;
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void coloursKeepTheirLevels_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<double>("dither");
        QTest::addColumn<double>("mostError"); // mean a component, of 255
        QTest::newRow("gradient, dithered") << gradient() << 1.0 << 5.0; // dots cost a little per pixel
        QTest::newRow("gradient, not dithered") << gradient() << 0.0 << 4.0;
        QTest::newRow("photo-like") << photoLike() << 1.0 << 2.5;
    }

    void coloursKeepTheirLevels()
    {
        QFETCH(QImage, source);
        QFETCH(double, dither);
        QFETCH(double, mostError);
        QString error;
        const auto frame = FrameQuantizer::quantize(source, {dither}, &error);
        QVERIFY2(frame, qPrintable(error));
        int used = 0;
        for (const char index : frame->pixels)
            used = std::max(used, int(uchar(index)) + 1);
        QSet<QRgb> levels;
        for (int e = 0; e < FrameBitmap::PaletteSize; ++e) {
            const QRgb entry = frame->palette[size_t(e)];
            QVERIFY((qRed(entry) | qGreen(entry) | qBlue(entry)) % 4 == 0); // the cut loses nothing
            if (e < used)
                levels.insert(entry);
            else
                QCOMPARE(entry, qRgb(0, 0, 0));
        }
        QCOMPARE(levels.size(), used); // no two entries the cut makes equal
        QVERIFY(used > 64);
        QVERIFY2(shownError(*frame, source) < mostError, qPrintable(QString::number(shownError(*frame, source))));
    }

    // The levels are taken as the quantizer means them: better than scaling the picture as if
    // the device showed 4 x L.
    void levelsLandWhereTheDeviceShowsThem()
    {
        for (const QImage &source : {gradient(), photoLike()}) {
            const auto meant = FrameQuantizer::quantize(source, {0.0, 1, false});
            const auto scaled = FrameQuantizer::quantize(source, {0.0, 1, true});
            QVERIFY(meant && scaled);
            QVERIFY(shownError(*meant, source) < shownError(*scaled, source));
        }
    }

    void geometry_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<ImportOptions::Geometry>("geometry");
        QTest::addColumn<QRect>("covered"); // where the picture lands; the rest is background
        QTest::newRow("fit, wide") << QSize(512, 128) << ImportOptions::Geometry::Fit << QRect(0, 32, 256, 64);
        QTest::newRow("fit, tall") << QSize(100, 200) << ImportOptions::Geometry::Fit << QRect(96, 0, 64, 128);
        QTest::newRow("fit, small: scaled up")
            << QSize(32, 16) << ImportOptions::Geometry::Fit << QRect(0, 0, 256, 128);
        QTest::newRow("fill, tall") << QSize(100, 200) << ImportOptions::Geometry::Fill << QRect(0, 0, 256, 128);
        QTest::newRow("stretch, tall") << QSize(100, 200) << ImportOptions::Geometry::Stretch << QRect(0, 0, 256, 128);
    }

    // A picture with a transparent middle: borders and transparency in the background colour.
    void geometry()
    {
        QFETCH(QSize, picture);
        QFETCH(ImportOptions::Geometry, geometry);
        QFETCH(QRect, covered);
        QImage image(picture, QImage::Format_ARGB32);
        image.fill(qRgb(200, 0, 0));
        const QRect hole(picture.width() / 4, picture.height() / 4, picture.width() / 2, picture.height() / 2);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(hole, Qt::transparent);
        painter.end();
        ImportOptions options;
        options.geometry = geometry;
        options.background = QColor(0, 0, 120);
        const QImage frame = FrameGeometry::compose(image, options);
        QCOMPARE(frame.size(), QSize(256, 128));
        const QRect inner = covered.adjusted(2, 2, -2, -2);
        QCOMPARE(frame.pixel(inner.topLeft()), qRgb(200, 0, 0)); // picture
        QCOMPARE(frame.pixel(inner.center()), qRgb(0, 0, 120)); // its transparent middle
        if (covered.top() > 0)
            QCOMPARE(frame.pixel(5, covered.top() - 2), qRgb(0, 0, 120)); // border
        if (covered.left() > 0)
            QCOMPARE(frame.pixel(covered.left() - 2, 60), qRgb(0, 0, 120));
    }

    void animations_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("GIF") << "gif";
        QTest::newRow("WebP") << "webp";
    }

    // One frame a picture, in order, named apart in their first eight characters.
    void animations()
    {
        QFETCH(QString, suffix);
        QTemporaryDir dir;
        const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::white};
        const QString source = dir.filePath(QStringLiteral("animation.") + suffix);
        const QString tool = imageMagick();
        if (tool.isEmpty())
            QSKIP("ImageMagick (magick or convert) writes the animations; there is none here");
        QVERIFY(writeAnimation(tool, source, colours));
        PictureConverter converter(ImportOptions(), dir.path());
        const auto outcomes = converter.convert({source});
        QCOMPARE(outcomes.size(), 1);
        QVERIFY2(outcomes[0].problem.isEmpty(), qPrintable(outcomes[0].problem));
        QCOMPARE(outcomes[0].written.size(), colours.size());
        QSet<QString> names;
        for (int i = 0; i < colours.size(); ++i) {
            const QString written = outcomes[0].written[i];
            QCOMPARE(QFileInfo(written).fileName(), QStringLiteral("anima%1.bmp").arg(i, 3, 10, QLatin1Char('0')));
            names.insert(QFileInfo(written).fileName().left(8));
            const auto frame = FrameBitmapReader::readFile(written);
            QVERIFY(frame);
            const QRgb middle = DeviceView::shown(frame->palette[frame->pixel(64, 128)]);
            const QColor expected = colours[i];
            QVERIFY2(std::abs(qRed(middle) - expected.red()) < 8 && std::abs(qBlue(middle) - expected.blue()) < 8,
                     qPrintable(QStringLiteral("frame %1").arg(i)));
        }
        QCOMPARE(names.size(), colours.size());
    }

    // Each refusal names its reason, the other pictures are still converted, nothing is left
    // behind and nothing is overwritten.
    void refusedPictures()
    {
        QTemporaryDir dir;
        const auto write = [&](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            return file.fileName();
        };
        QImage good(30, 20, QImage::Format_RGB32);
        good.fill(Qt::yellow);
        good.save(dir.filePath(QStringLiteral("good.png")));
        const QStringList pictures{
            write(QStringLiteral("text.png"), "not a picture at all"), write(QStringLiteral("empty.jpg"), QByteArray()),
            dir.filePath(QStringLiteral("missing.png")), dir.filePath(QStringLiteral("good.png")),
            write(QStringLiteral("taken.png"), QByteArray())};
        QImage(8, 8, QImage::Format_RGB32).save(pictures[4], "PNG");
        write(QStringLiteral("taken.bmp"), "already here");
        const QStringList reasons{QStringLiteral("not a picture"), QStringLiteral("empty"),
                                  QStringLiteral("cannot be read"), QString(),
                                  QStringLiteral("exists and was not overwritten")};
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);

        PictureConverter converter(ImportOptions(), dir.path());
        const auto outcomes = converter.convert(pictures);
        QCOMPARE(outcomes.size(), pictures.size());
        for (int i = 0; i < pictures.size(); ++i) {
            if (reasons[i].isEmpty())
                QVERIFY(outcomes[i].problem.isEmpty());
            else
                QVERIFY2(outcomes[i].problem.contains(reasons[i]), qPrintable(outcomes[i].problem));
        }
        QStringList after = QDir(dir.path()).entryList(QDir::Files);
        QCOMPARE(after.size(), before.size() + 1); // good.bmp and nothing else, no temporary left
        QVERIFY(after.contains(QStringLiteral("good.bmp")));
        QFile taken(dir.filePath(QStringLiteral("taken.bmp")));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("already here"));
    }

    void framesFileIsTheStandardOne()
    {
        const auto frame = FrameQuantizer::quantize(photoLike(), {});
        QVERIFY(frame);
        const QByteArray bytes = FrameWriter::encode(*frame);
        QCOMPARE(bytes.size(), 33846);
        QString error;
        const auto back = FrameBitmapReader::parse(bytes, &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->pixels, frame->pixels);
        QCOMPARE(back->palette, frame->palette);
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
