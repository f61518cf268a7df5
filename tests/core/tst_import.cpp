// Pictures become frames: colours chosen on the device's levels, refined and dithered as it shows
// them, the geometry, animations, refused inputs, and a frame that goes through the upload unchanged.
#include "colourdifference.h"
#include "picturedifference.h"
#include "picturefiles.h"
#include "testpictures.h"

#include "frame/deviceview.h"
#include "frame/framebitmap.h"
#include "frame/framewriter.h"
#include "import/core/errordiffusion.h"
#include "import/core/framegeometry.h"
#include "import/core/framequantizer.h"
#include "import/core/nearestcolour.h"
#include "import/core/perceptualcolour.h"
#include "import/core/pictureconverter.h"
#include "import/core/picturereader.h"
#include "import/core/svgdocument.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(ImportOptions::Geometry)
using Points = std::vector<PerceptualColour::Point>;
Q_DECLARE_METATYPE(Points)

namespace {

QImage shownPicture(const FrameBitmap &frame)
{
    QImage image(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
    for (int y = 0; y < FrameBitmap::Height; ++y) {
        for (int x = 0; x < FrameBitmap::Width; ++x)
            image.setPixel(x, y, DeviceView::shown(frame.palette[frame.pixel(y, x)]));
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
        QTest::newRow("gradient, dithered") << TestPictures::gradient() << 1.0 << 5.0; // dots cost a little per pixel
        QTest::newRow("gradient, not dithered") << TestPictures::gradient() << 0.0 << 4.0;
        QTest::newRow("photo-like") << TestPictures::photoLike() << 1.0 << 2.5;
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

    void refinementBringsColoursCloser_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<double>("dither");
        for (const TestPictures::Named &picture : TestPictures::all()) {
            QTest::addRow("%s, dithered", qPrintable(picture.name)) << picture.picture << 1.0;
            QTest::addRow("%s, not dithered", qPrintable(picture.name)) << picture.picture << 0.0;
        }
    }

    // Measured as the eye judges colour (CIEDE2000), what the device shows comes closer to the
    // picture for each picture, whether dithered or not.
    void refinementBringsColoursCloser()
    {
        QFETCH(QImage, source);
        QFETCH(double, dither);
        const auto judge = [&](int refinement) {
            FrameQuantizer::Settings settings;
            settings.dither = dither;
            settings.refinement = refinement;
            const auto frame = FrameQuantizer::quantize(source, settings);
            return frame ? PictureDifference::measure(source, shownPicture(*frame)).perPixel : qInf();
        };
        const double refined = judge(2), chosen = judge(0);
        QVERIFY2(refined <= chosen, qPrintable(QStringLiteral("%1, not refined %2").arg(refined).arg(chosen)));
    }

    void diffusionKeepsTheLight_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QList<QRgb>>("entries");
        // Halfway between two of the device's greys, and an orange amid the eight level
        // combinations around it.
        QTest::newRow("grey") << qRgb(131, 131, 131) << QList<QRgb>{qRgb(128, 128, 128), qRgb(132, 132, 132)};
        QList<QRgb> corners;
        for (int k = 0; k < 8; ++k)
            corners << qRgb(200 + 4 * (k & 1), 120 + 2 * (k & 2), 40 + (k & 4));
        QTest::newRow("orange") << qRgb(204, 123, 43) << corners;
    }

    // Dithered, the dots average to the colour in linear light, far closer than the one nearest
    // colour comes; not dithered, every pixel is that nearest colour.
    void diffusionKeepsTheLight()
    {
        QFETCH(QRgb, colour);
        QFETCH(QList<QRgb>, entries);
        QImage flat(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
        flat.fill(colour);
        const std::vector<QRgb> table(entries.cbegin(), entries.cend());
        const QByteArray nearest = ErrorDiffusion::map(flat, table, 0.0);
        QVERIFY(std::all_of(nearest.cbegin(), nearest.cend(), [&](char i) { return i == nearest[0]; }));
        const QByteArray dithered = ErrorDiffusion::map(flat, table, 1.0);
        QVERIFY(QSet<char>(dithered.cbegin(), dithered.cend()).size() > 1);
        for (int c = 0; c < 3; ++c) {
            const auto component = [c](QRgb rgb) { return c == 0 ? qRed(rgb) : c == 1 ? qGreen(rgb) : qBlue(rgb); };
            const double wanted = ColourDifference::linearFromSrgb(component(colour));
            double mean = 0;
            for (const char index : dithered)
                mean += ColourDifference::linearFromSrgb(component(DeviceView::shown(table[size_t(uchar(index))])));
            mean /= dithered.size();
            const double alone =
                ColourDifference::linearFromSrgb(component(DeviceView::shown(table[size_t(uchar(nearest[0]))])));
            QVERIFY2(std::abs(mean - wanted) < 0.2 * std::abs(alone - wanted),
                     qPrintable(QStringLiteral("component %1: %2 for %3, the nearest alone %4")
                                    .arg(c)
                                    .arg(mean)
                                    .arg(wanted)
                                    .arg(alone)));
        }
    }

    void nearestColourAsMeasuredToEach_data()
    {
        using PerceptualColour::fromSrgb;
        QTest::addColumn<Points>("points");
        Points levels; // a frame's colours: random, on the device's levels
        QRandomGenerator random(7);
        for (int i = 0; i < 256; ++i)
            levels.push_back(fromSrgb(qRgb(4 * random.bounded(64), 4 * random.bounded(64), 4 * random.bounded(64))));
        Points greys; // each twice: equals everywhere
        for (int v = 0; v < 256; v += 8)
            greys.insert(greys.end(), 2, fromSrgb(qRgb(v, v, v)));
        Points sameLightness; // lightness tells nothing apart
        for (int i = 0; i < 40; ++i)
            sameLightness.push_back({50, float(i * 3 - 60), float(60 - i * 2)});
        QTest::newRow("256 on the levels") << levels;
        QTest::newRow("greys, each twice") << greys;
        QTest::newRow("one lightness") << sameLightness;
        QTest::newRow("one colour") << Points{fromSrgb(qRgb(10, 200, 30))};
    }

    // The search that skips colours finds the one measuring to each colour finds, the first of
    // equals, for the colours themselves and for points between them and far outside them.
    void nearestColourAsMeasuredToEach()
    {
        QFETCH(Points, points);
        const NearestColour search(points);
        Points asked = points;
        QRandomGenerator random(11);
        for (int i = 0; i < 20000; ++i) {
            asked.push_back({float(random.bounded(140.0) - 20), float(random.bounded(160.0) - 80),
                             float(random.bounded(160.0) - 80)});
        }
        for (const PerceptualColour::Point &point : asked) {
            size_t first = 0;
            for (size_t j = 1; j < points.size(); ++j) {
                if (PerceptualColour::distanceSquared(point, points[j])
                    < PerceptualColour::distanceSquared(point, points[first]))
                    first = j;
            }
            QCOMPARE(search.nearest(point), first);
        }
    }

    void perceptualRoundTrip_data()
    {
        QTest::addColumn<QRgb>("colour");
        for (const QRgb colour :
             {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),
              qRgb(0, 0, 255), qRgb(255, 255, 0), qRgb(224, 172, 140), qRgb(10, 20, 60)})
            QTest::addRow("%06x", colour & 0xFFFFFF) << colour;
    }

    // The refinement finds a mean's levels through the way back.
    void perceptualRoundTrip()
    {
        QFETCH(QRgb, colour);
        const std::array<double, 3> back = PerceptualColour::srgbOf(PerceptualColour::fromSrgb(colour));
        QVERIFY2(std::abs(back[0] - qRed(colour)) < 0.05 && std::abs(back[1] - qGreen(colour)) < 0.05
                     && std::abs(back[2] - qBlue(colour)) < 0.05,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(back[0]).arg(back[1]).arg(back[2])));
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

    void shrinkingAveragesEveryFormat_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("RGB") << QImage::Format_RGB32;
        QTest::newRow("1-bit") << QImage::Format_Mono;
        QTest::newRow("8-bit grey") << QImage::Format_Grayscale8;
        QTest::newRow("indexed") << QImage::Format_Indexed8;
    }

    // A full HD checkerboard of single pixels shrinks to grey, not to black and white.
    void shrinkingAveragesEveryFormat()
    {
        QFETCH(QImage::Format, format);
        QImage board(1920, 1080, QImage::Format_RGB32);
        for (int y = 0; y < board.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(board.scanLine(y));
            for (int x = 0; x < board.width(); ++x)
                line[x] = (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
        ImportOptions options;
        options.geometry = ImportOptions::Geometry::Stretch;
        const QImage frame = FrameGeometry::compose(board.convertToFormat(format), options);
        int darkest = 255, lightest = 0;
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                darkest = std::min(darkest, qGray(frame.pixel(x, y)));
                lightest = std::max(lightest, qGray(frame.pixel(x, y)));
            }
        }
        QVERIFY2(darkest > 96 && lightest < 160, qPrintable(QStringLiteral("%1..%2").arg(darkest).arg(lightest)));
    }

    void namesTheDeviceTellsApart_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("planned");
        QTest::addColumn<int>("clash"); // the picture whose frame another one made already, or -1
        QTest::newRow("a sequence, a still, a clash")
            << QStringList{"intro_frame_0001.png", "intro_frame_0002.png", "logo.png", "intro000.png"}
            << QStringList{"intro000.bmp", "intro001.bmp", "logo.bmp", "intro000.bmp"} << 3;
        // Past 99 the first eight characters differ (intro_00.., intro_01..): still one sequence.
        QStringList numbered, frames;
        for (int i = 0; i < 101; ++i) {
            numbered << QStringLiteral("intro_%1.png").arg(i + 1, 4, 10, QLatin1Char('0'));
            frames << QStringLiteral("intro%1.bmp").arg(i, 3, 10, QLatin1Char('0'));
        }
        QTest::newRow("101 numbered stills") << numbered << frames << -1;
    }

    // Stills the device could not tell apart are numbered as one sequence; a frame file that
    // another picture of the run made already is not made again.
    void namesTheDeviceTellsApart()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, planned);
        QFETCH(int, clash);
        QTemporaryDir dir;
        QStringList pictures;
        for (const QString &name : names) {
            QImage picture(16, 8, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv(int(pictures.size()) * 60 % 360, 255, 255));
            pictures << dir.filePath(name);
            QVERIFY(picture.save(pictures.last()));
        }
        PictureConverter converter(ImportOptions(), dir.path());
        QStringList plans;
        for (const QString &file : converter.plannedFiles(pictures))
            plans << QFileInfo(file).fileName();
        QCOMPARE(plans, planned);
        const auto outcomes = converter.convert(pictures);
        QStringList written;
        for (const auto &outcome : outcomes) {
            for (const QString &file : outcome.written)
                written << QFileInfo(file).fileName();
        }
        if (clash >= 0) {
            planned.removeAt(clash);
            QVERIFY2(outcomes[clash].problem.contains(QStringLiteral("intro000.bmp not written")),
                     qPrintable(outcomes[clash].problem));
        }
        QCOMPARE(written, planned);
        const auto first = FrameBitmapReader::readFile(dir.filePath(QStringLiteral("intro000.bmp")));
        QVERIFY(first);
        QCOMPARE(qRed(DeviceView::shown(first->palette[first->pixel(8, 64)])), 255); // the first picture's red
    }

    void drawings_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<ImportOptions::Geometry>("geometry");
        QTest::addColumn<QRgb>("left"); // the frame's colour a quarter in from each side
        QTest::addColumn<QRgb>("right");
        QTest::addColumn<QString>("effect"); // what a build without librsvg must say it leaves out
        const QByteArray clipped("<svg xmlns='http://www.w3.org/2000/svg' width='256' height='128'>"
                                 "<clipPath id='c'><rect width='128' height='128'/></clipPath>"
                                 "<rect width='256' height='128' fill='#fff'/>"
                                 "<rect width='256' height='128' fill='#00f' clip-path='url(#c)'/></svg>");
        QTest::newRow("clip path") << clipped << ImportOptions::Geometry::Fit << qRgb(0, 0, 255) << qRgb(255, 255, 255)
                                   << "clip paths";
        QTest::newRow("clip path, compressed") << PictureFiles::gzip(clipped) << ImportOptions::Geometry::Fit
                                               << qRgb(0, 0, 255) << qRgb(255, 255, 255) << "clip paths";
        QTest::newRow("mask") << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='256' height='128'>"
                                            "<mask id='m'><rect x='128' width='128' height='128' fill='#fff'/></mask>"
                                            "<rect width='256' height='128' fill='#f00' mask='url(#m)'/></svg>")
                              << ImportOptions::Geometry::Fit << qRgb(0, 0, 0) << qRgb(255, 0, 0) << "masks";
        // A view box alone gives the proportions; stretched, a square fills the frame's width.
        QTest::newRow("view box, stretched")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 10 10'><rect width='5' height='10' "
                          "fill='#0f0'/><rect x='5' width='5' height='10' fill='#f00'/></svg>")
            << ImportOptions::Geometry::Stretch << qRgb(0, 255, 0) << qRgb(255, 0, 0) << QString();
    }

    // Drawn as a browser draws them, at the frame's size, laid on the background.
    void drawings()
    {
        QFETCH(QByteArray, document);
        QFETCH(ImportOptions::Geometry, geometry);
        QFETCH(QRgb, left);
        QFETCH(QRgb, right);
        QFETCH(QString, effect);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("logo.svg")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(document) == document.size());
        file.close();
        ImportOptions options;
        options.geometry = geometry;
        PictureReader::Read read;
        QString error;
        QVERIFY2(PictureReader::read(file.fileName(), options, 1, &read, &error), qPrintable(error));
        QCOMPARE(read.pictures.size(), 1);
        if (!read.caveat.isEmpty()) { // drawn by Qt SVG, it must say what it leaves out
            QVERIFY2(!effect.isEmpty() && read.caveat.contains(effect), qPrintable(read.caveat));
            return;
        }
        QCOMPARE(read.pictures[0].frame.pixel(64, 64), left);
        QCOMPARE(read.pictures[0].frame.pixel(192, 64), right);
    }

    void selfContainedDrawing_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("kept"); // the references left, in order
        QTest::addColumn<QStringList>("effects");
        QTest::newRow("files and addresses") << "<image href='/home/op/secret.png'/><image xlink:href='../a.png'/>"
                                                "<image href=' file:///etc/x.png'/><use href='http://x/y.svg#a'/>"
                                             << QStringList() << QStringList();
        QTest::newRow("parts and data") << "<use xlink:href='#a'/><image href='DATA:image/png;base64,AAAA'/>"
                                        << QStringList{"#a", "DATA:image/png;base64,AAAA"} << QStringList();
        QTest::newRow("effects") << "<clipPath id='c'/><g style='filter: blur(2px)'><rect mask='url(#m)'/></g>"
                                 << QStringList() << QStringList{"clip paths", "filters", "masks"};
        QTest::newRow("effects in a style sheet")
            << "<style><![CDATA[ g { clip-path: url(#c) } ]]></style>" << QStringList() << QStringList{"clip paths"};
    }

    // What Qt SVG is given holds no reference to anything outside the document, and names the effects
    // it would leave out.
    void selfContainedDrawing()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, effects);
        const QString document = QStringLiteral("<?xml-stylesheet href='/etc/style.css'?><svg "
                                                "xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/"
                                                "1999/xlink'>%1</svg>")
                                     .arg(body);
        SvgDocument::SelfContained safe;
        QString error;
        QVERIFY2(SvgDocument::selfContained(document.toUtf8(), &safe, &error), qPrintable(error));
        QXmlStreamReader reader(safe.document);
        QStringList references;
        while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
            QVERIFY(reader.tokenType() != QXmlStreamReader::ProcessingInstruction);
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                if (attribute.name() == QLatin1String("href"))
                    references << attribute.value().toString();
            }
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QCOMPARE(references, kept);
        QCOMPARE(safe.effects, effects);
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
        if (PictureFiles::imageMagick().isEmpty())
            QSKIP("ImageMagick (magick or convert) writes the animations; there is none here");
        QVERIFY(PictureFiles::writeAnimation(source, colours));
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
        // The taken frame is no problem: it is told apart as kept.
        const QStringList reasons{QStringLiteral("not a picture"), QStringLiteral("empty"),
                                  QStringLiteral("cannot be read"), QString(), QString()};
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);

        PictureConverter converter(ImportOptions(), dir.path());
        const auto outcomes = converter.convert(pictures);
        QCOMPARE(outcomes.size(), pictures.size());
        for (int i = 0; i < pictures.size(); ++i) {
            if (reasons[i].isEmpty())
                QVERIFY(outcomes[i].problem.isEmpty());
            else
                QVERIFY2(outcomes[i].problem.contains(reasons[i]), qPrintable(outcomes[i].problem));
            QCOMPARE(outcomes[i].kept, i == 4 ? QStringList{dir.filePath(QStringLiteral("taken.bmp"))} : QStringList());
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
        const auto frame = FrameQuantizer::quantize(TestPictures::photoLike(), {});
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
