// How well pictures become frames: the mean CIEDE2000 between each picture and what the device
// shows of it, per pixel and after a blur, for our converter, ImageMagick and pngquant, all through
// the device's 6-bit cut; how long each takes a frame; what each step of ours gains, and how our
// frames compare with those the converter made before (libimagequant at speed 1). Then a batch of
// frame files converted on one thread and on every core.
//
//   bench_import [--repeat N] [--dither LEVEL] [--speed N] [--refinement N] [--batch COPIES]
//                [--write-comparison FILE] [PICTURE...]
//
// The pictures are drawn in code (TestPictures); ImageMagick's built-in rose and wizard join them
// when ImageMagick is there, and so does any PICTURE given. Each is laid on the 256 x 128 frame
// first (fill), so only the choice of colours is compared. Exit status 1 when a target is missed.
#include "batchtiming.h"
#include "benchpictures.h"
#include "comparisonsheet.h"
#include "externalquantizer.h"
#include "libimagequantalone.h"
#include "picturedifference.h"
#include "testpictures.h"

#include "frame/deviceview.h"
#include "import/core/framequantizer.h"
#include "import/core/picturereader.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr double TargetAgainstImageMagick = 0.85;
constexpr double TargetAgainstPngquant = 1.0;
constexpr double TargetTimeAgainstPngquant = 1.0; // ours a frame, in this process, against its process
constexpr double QualityKeptWithin = 0.01; // of the figures the converter made before

struct Tally
{
    double perPixel = 0;
    double blurred = 0;
    double ms = 0;
    int pictures = 0;

    void add(const PictureDifference::Mean &mean, double msPerFrame)
    {
        perPixel += mean.perPixel;
        blurred += mean.blurred;
        ms += msPerFrame;
        ++pictures;
    }
    double meanPerPixel() const { return pictures ? perPixel / pictures : qQNaN(); }
    double meanBlurred() const { return pictures ? blurred / pictures : qQNaN(); }
    double msPerFrame() const { return pictures ? ms / pictures : qQNaN(); }
};

QImage shownFrame(const FrameBitmap &frame)
{
    QImage image(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
    for (int y = 0; y < FrameBitmap::Height; ++y) {
        for (int x = 0; x < FrameBitmap::Width; ++x)
            image.setPixel(x, y, DeviceView::shown(frame.palette[frame.pixel(y, x)]));
    }
    return image;
}

struct Ours
{
    QImage shown;
    double ms = 0;
};

using Maker = std::function<std::optional<FrameBitmap>(const QImage &)>;

std::optional<Ours> ours(const QImage &picture, const Maker &make, int repeat)
{
    std::optional<FrameBitmap> frame;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeat; ++i)
        frame = make(picture);
    const double ms = double(timer.nsecsElapsed()) / 1e6 / repeat;
    if (!frame)
        return std::nullopt;
    return Ours{shownFrame(*frame), ms};
}

Maker withSettings(const FrameQuantizer::Settings &settings)
{
    return [settings](const QImage &picture) { return FrameQuantizer::quantize(picture, settings); };
}

QString figures(double perPixel, double blurred)
{
    return QStringLiteral("%1 / %2").arg(perPixel, 6, 'f', 3).arg(blurred, 6, 'f', 3);
}

QString percent(double now, double was)
{
    return QStringLiteral("%1%2 %")
        .arg(now >= was ? QStringLiteral("+") : QString())
        .arg(100 * (now / was - 1), 0, 'f', 1);
}

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
}

// Ours with one step left out or done otherwise, to show what each step gains.
struct Variant
{
    QString what;
    Maker make;
    Tally tally;
};

// The first is the converter as it was before, which ours must stay as good as.
QList<Variant> variantsOf(const FrameQuantizer::Settings &ours)
{
    QList<Variant> variants;
    FrameQuantizer::Settings before;
    before.speed = 1;
    before.dither = ours.dither;
    variants.append({QStringLiteral("as before: libimagequant at speed 1"), withSettings(before), {}});
    FrameQuantizer::Settings asItIs = ours;
    asItIs.aimAtDeviceCurve = false;
    variants.append({QStringLiteral("libimagequant given the picture as it is"), withSettings(asItIs), {}});
    FrameQuantizer::Settings notRefined = ours;
    notRefined.refinement = 0;
    variants.append({QStringLiteral("libimagequant's colours, not refined"), withSettings(notRefined), {}});
    const auto alone = [&](const QString &what, LibimagequantAlone::Aim aim) {
        variants.append(
            {what, [aim](const QImage &picture) { return LibimagequantAlone::quantize(picture, aim); }, {}});
    };
    alone(QStringLiteral("libimagequant alone (the first import)"), LibimagequantAlone::Aim::AsItIs);
    alone(QStringLiteral("  given the picture scaled to 252/255 (table values)"), LibimagequantAlone::Aim::TableValues);
    alone(QStringLiteral("  given it through the device's curve to its levels"), LibimagequantAlone::Aim::DeviceCurve);
    return variants;
}

QString column(const QString &text)
{
    return QStringLiteral("%1").arg(text, -18);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption repeatOption(QStringLiteral("repeat"),
                                          QStringLiteral("How many times each picture is made, for the timing."),
                                          QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption ditherOption(QStringLiteral("dither"), QStringLiteral("Our dithering level."),
                                          QStringLiteral("LEVEL"));
    const QCommandLineOption speedOption(QStringLiteral("speed"), QStringLiteral("Our libimagequant speed."),
                                         QStringLiteral("N"));
    const QCommandLineOption refinementOption(QStringLiteral("refinement"), QStringLiteral("Our rounds of refinement."),
                                              QStringLiteral("N"));
    const QCommandLineOption comparisonOption(
        QStringLiteral("write-comparison"),
        QStringLiteral("Writes a PNG: pictures, ImageMagick's and ours as the device shows them."),
        QStringLiteral("FILE"));
    const QCommandLineOption batchOption(
        QStringLiteral("batch"), QStringLiteral("How many copies of each picture the batch converts (0: no batch)."),
        QStringLiteral("COPIES"), QStringLiteral("4"));
    parser.addOptions({repeatOption, ditherOption, speedOption, refinementOption, batchOption, comparisonOption});
    parser.addPositionalArgument(QStringLiteral("PICTURE"), QStringLiteral("More pictures to measure on."),
                                 QStringLiteral("[PICTURE...]"));
    parser.addHelpOption();
    parser.process(app);
    const int repeat = std::max(1, parser.value(repeatOption).toInt());
    FrameQuantizer::Settings settings;
    if (parser.isSet(ditherOption))
        settings.dither = parser.value(ditherOption).toDouble();
    if (parser.isSet(speedOption))
        settings.speed = parser.value(speedOption).toInt();
    if (parser.isSet(refinementOption))
        settings.refinement = parser.value(refinementOption).toInt();

    const ExternalQuantizer imageMagick(ExternalQuantizer::Kind::ImageMagick);
    const ExternalQuantizer pngquant(ExternalQuantizer::Kind::Pngquant);
    const std::array<const ExternalQuantizer *, 2> others{&imageMagick, &pngquant};
    const std::array<double, 2> targets{TargetAgainstImageMagick, TargetAgainstPngquant};
    for (const ExternalQuantizer *other : others) {
        if (!other->available())
            print(other->skippedLine());
    }
    QList<TestPictures::Named> pictures;
    if (!BenchPictures::gather(parser.positionalArguments(), imageMagick.available(), &pictures))
        return 1;

    Tally oursTally;
    std::array<Tally, 2> otherTallies;
    QList<Variant> variants = variantsOf(settings);
    QList<std::array<QImage, 3>> comparison;
    const QStringList compared{QStringLiteral("logo"), QStringLiteral("rose (ImageMagick's)")};

    print(QStringLiteral("Mean CIEDE2000 between each picture and what the device shows of it,"));
    print(QStringLiteral("per pixel / after a Gaussian blur of sigma 1 pixel (smaller is better)\n"));
    print(QStringLiteral("%1%2%3%4")
              .arg(QStringLiteral("picture"), -24)
              .arg(column(QStringLiteral("ours")), column(imageMagick.name()), pngquant.name()));
    for (const TestPictures::Named &picture : pictures) {
        QStringList line{QStringLiteral("%1").arg(picture.name, -24)};
        const auto measured = ours(picture.picture, withSettings(settings), repeat);
        if (!measured) {
            std::fprintf(stderr, "%s: our converter made no frame\n", qPrintable(picture.name));
            return 1;
        }
        const auto difference = PictureDifference::measure(picture.picture, measured->shown);
        oursTally.add(difference, measured->ms);
        line << column(figures(difference.perPixel, difference.blurred));
        for (Variant &variant : variants) {
            const auto made = ours(picture.picture, variant.make, 1);
            if (!made) {
                std::fprintf(stderr, "%s: our converter made no frame\n", qPrintable(picture.name));
                return 1;
            }
            variant.tally.add(PictureDifference::measure(picture.picture, made->shown), made->ms);
        }

        QImage imageMagickShown;
        for (size_t o = 0; o < others.size(); ++o) {
            if (!others[o]->available()) {
                line << column(QStringLiteral("-"));
                continue;
            }
            QImage made;
            double ms = 0;
            for (int i = 0; i < repeat; ++i) {
                double once = 0;
                QString error;
                made = others[o]->quantize(picture.picture, &once, &error);
                if (made.isNull()) {
                    std::fprintf(stderr, "%s: %s\n", qPrintable(picture.name), qPrintable(error));
                    return 1;
                }
                ms += once / repeat;
            }
            const QImage shown = DeviceView::shown(made).convertToFormat(QImage::Format_RGB32);
            if (others[o] == &imageMagick)
                imageMagickShown = shown;
            const auto theirs = PictureDifference::measure(picture.picture, shown);
            otherTallies[o].add(theirs, ms);
            line << column(figures(theirs.perPixel, theirs.blurred));
        }
        print(line.join(QString()).trimmed());
        if (compared.contains(picture.name) && !imageMagickShown.isNull())
            comparison.append({picture.picture, imageMagickShown, measured->shown});
    }

    QStringList means{QStringLiteral("%1").arg(QStringLiteral("all (mean)"), -24),
                      column(figures(oursTally.meanPerPixel(), oursTally.meanBlurred()))};
    QStringList times{QStringLiteral("%1").arg(QStringLiteral("ms per frame"), -24),
                      column(QString::number(oursTally.msPerFrame(), 'f', 1))};
    for (const Tally &tally : otherTallies) {
        means << column(tally.pictures ? figures(tally.meanPerPixel(), tally.meanBlurred()) : QStringLiteral("-"));
        times << column(tally.pictures ? QString::number(tally.msPerFrame(), 'f', 1) : QStringLiteral("-"));
    }
    print(means.join(QString()).trimmed());
    print(times.join(QString()).trimmed());
    print(QStringLiteral("(ours in this process: speed %1, dither %2, %3 rounds of refinement; the others a process a "
                         "frame,\ntheir files written and read)\n")
              .arg(settings.speed)
              .arg(settings.dither)
              .arg(settings.refinement));

    bool met = true;
    for (size_t o = 0; o < others.size(); ++o) {
        const Tally &theirs = otherTallies[o];
        if (theirs.pictures == 0) {
            print(QStringLiteral("ours / %1: not measured").arg(others[o]->name()));
            continue;
        }
        const double perPixel = oursTally.meanPerPixel() / theirs.meanPerPixel();
        const double blurred = oursTally.meanBlurred() / theirs.meanBlurred();
        const bool here = perPixel <= targets[o] && blurred <= targets[o];
        met = met && here;
        print(QStringLiteral("ours / %1 per pixel %2, blurred %3 (target at most %4: %5)")
                  .arg(others[o]->name(), -12)
                  .arg(perPixel, 0, 'f', 3)
                  .arg(blurred, 0, 'f', 3)
                  .arg(targets[o], 0, 'f', 2)
                  .arg(here ? QStringLiteral("met") : QStringLiteral("MISSED")));
    }

    if (otherTallies[1].pictures > 0) {
        const double time = oursTally.msPerFrame() / otherTallies[1].msPerFrame();
        const bool here = time <= TargetTimeAgainstPngquant;
        met = met && here;
        print(QStringLiteral("ours / pngquant     time a frame %1 (target at most %2: %3)")
                  .arg(time, 0, 'f', 3)
                  .arg(TargetTimeAgainstPngquant, 0, 'f', 2)
                  .arg(here ? QStringLiteral("met") : QStringLiteral("MISSED")));
    }
    const Tally &before = variants.first().tally;
    const double perPixelKept = oursTally.meanPerPixel() / before.meanPerPixel() - 1;
    const double blurredKept = oursTally.meanBlurred() / before.meanBlurred() - 1;
    const bool kept = perPixelKept <= QualityKeptWithin && blurredKept <= QualityKeptWithin;
    met = met && kept;
    print(QStringLiteral("ours / as before    per pixel %1, blurred %2 (%3 / %4 before; target at most +%5 %: %6)")
              .arg(percent(oursTally.meanPerPixel(), before.meanPerPixel()),
                   percent(oursTally.meanBlurred(), before.meanBlurred()))
              .arg(before.meanPerPixel(), 0, 'f', 3)
              .arg(before.meanBlurred(), 0, 'f', 3)
              .arg(100 * QualityKeptWithin, 0, 'f', 0)
              .arg(kept ? QStringLiteral("met") : QStringLiteral("MISSED")));

    print(QStringLiteral("\nOurs with a step left out or done otherwise (all pictures; against ours):"));
    print(QStringLiteral("  %1%2")
              .arg(QStringLiteral("ours"), -58)
              .arg(figures(oursTally.meanPerPixel(), oursTally.meanBlurred())));
    for (const Variant &variant : variants) {
        print(QStringLiteral("  %1%2   per pixel %3, blurred %4, %5 ms a frame")
                  .arg(variant.what, -58)
                  .arg(figures(variant.tally.meanPerPixel(), variant.tally.meanBlurred()))
                  .arg(percent(variant.tally.meanPerPixel(), oursTally.meanPerPixel()))
                  .arg(percent(variant.tally.meanBlurred(), oursTally.meanBlurred()))
                  .arg(variant.tally.msPerFrame(), 0, 'f', 1));
    }

    const int copies = parser.value(batchOption).toInt();
    if (copies > 0) {
        QList<QImage> batch;
        for (const TestPictures::Named &picture : pictures)
            batch << picture.picture;
        QString error;
        const QList<BatchTiming::Measured> measured = BatchTiming::measure(batch, copies, &error);
        if (measured.isEmpty()) {
            std::fprintf(stderr, "batch: %s\n", qPrintable(error));
            return 1;
        }
        print(QStringLiteral("\nA batch of %1 pictures made into frame files (read, converted, written):")
                  .arg(batch.size() * copies));
        for (const BatchTiming::Measured &run : measured) {
            met = met && run.sameFiles;
            print(QStringLiteral("  on %1 thread(s): %2 ms a frame, %3 of one thread's time%4")
                      .arg(run.threads)
                      .arg(run.msPerFrame, 0, 'f', 1)
                      .arg(run.msPerFrame / measured.first().msPerFrame, 0, 'f', 2)
                      .arg(run.sameFiles ? QString() : QStringLiteral(" (NOT the same files as one thread made)")));
        }
    }

    if (parser.isSet(comparisonOption)) {
        const QString path = parser.value(comparisonOption);
        if (comparison.isEmpty() || !ComparisonSheet::write(path, comparison)) {
            std::fprintf(stderr, "%s not written%s\n", qPrintable(path),
                         imageMagick.available() ? "" : ": it needs ImageMagick");
            return 1;
        }
        print(QStringLiteral("\nwritten: %1").arg(path));
    }
    return met ? 0 : 1;
}
