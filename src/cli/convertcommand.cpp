#include "cli/convertcommand.h"

#include "cli/echotext.h"
#include "core/framename.h"
#include "core/localpath.h"
#include "core/pictureconverter.h"
#include "core/wireformat.h"

#include <QDir>
#include <QFileInfo>
#include <QMultiHash>
#include <QRegularExpression>
#include <QTextStream>

#include <atomic>

namespace {
std::atomic<bool> s_interrupted{false};
}

ConvertCommand::Parsed ConvertCommand::parse(const QStringList &arguments)
{
    CommandLine line(QString::fromLatin1(Name),
                     QStringLiteral("Makes 256 x 128 frame bitmaps from pictures of any format (PNG, JPEG, SVG, "
                                    "WebP, GIF, TIFF, ...),\nwith colours chosen for the device's 6-bit palette. A "
                                    "still picture NAME.EXT becomes DIR/NAME.bmp;\nan animation one file a picture, "
                                    "numbered from 000, and so do stills the device\ncould not tell apart by their "
                                    "names (a numbered sequence). At most 256 frames in all:\n--pictures and --every "
                                    "choose those of a longer animation."),
                     QStringLiteral("Exit status: 0 all converted, 1 some picture refused (the others written), "
                                    "2 usage error,\n130 interrupted."));
    const QCommandLineOption fit(QStringLiteral("fit"),
                                 QStringLiteral("The whole picture, centred on the background "
                                                "(the default)."));
    const QCommandLineOption fill(QStringLiteral("fill"), QStringLiteral("Cover the frame, cropping the middle."));
    const QCommandLineOption stretch(QStringLiteral("stretch"), QStringLiteral("Stretch the picture to the frame."));
    const QCommandLineOption background(QStringLiteral("background"),
                                        QStringLiteral("Borders and transparent parts in this colour (default "
                                                       "#000000)."),
                                        QStringLiteral("#RRGGBB"));
    const QCommandLineOption dither(QStringLiteral("dither"),
                                    QStringLiteral("Floyd-Steinberg dithering from 0 (off) to 1 (the default)."),
                                    QStringLiteral("LEVEL"));
    const QCommandLineOption pictures(QStringLiteral("pictures"),
                                      QStringLiteral("Of an animation, take pictures FIRST to LAST, counted from 1 "
                                                     "(FIRST- to its end)."),
                                      QStringLiteral("FIRST-LAST"));
    const QCommandLineOption every(QStringLiteral("every"),
                                   QStringLiteral("Of an animation, take every Nth picture (1, the default, takes "
                                                  "each)."),
                                   QStringLiteral("N"));
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Overwrite frame files that exist."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("No line per frame written."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The folder the frames are written to."), QStringLiteral("DIR"));
    QCommandLineParser &parser = line.parser();
    parser.addOptions({fit, fill, stretch, background, dither, pictures, every, force, quiet, output});
    parser.addPositionalArgument(QStringLiteral("PICTURE"), QStringLiteral("A picture or an animation."),
                                 QStringLiteral("PICTURE..."));

    Parsed parsed;
    if (!line.parseInto(parsed, arguments))
        return parsed;

    Options &options = parsed.options;
    const int geometries = int(parser.isSet(fit)) + int(parser.isSet(fill)) + int(parser.isSet(stretch));
    if (geometries > 1)
        return parsed.fail(QStringLiteral("give only one of --fit, --fill and --stretch"));
    if (parser.isSet(fill))
        options.import.geometry = ImportOptions::Geometry::Fill;
    else if (parser.isSet(stretch))
        options.import.geometry = ImportOptions::Geometry::Stretch;
    if (parser.isSet(background)) {
        static const QRegularExpression colour(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        const QString text = parser.value(background);
        if (!colour.match(text).hasMatch())
            return parsed.fail(QStringLiteral("--background takes a colour as #RRGGBB, not \"%1\"").arg(text));
        options.import.background = QColor(text);
    }
    if (parser.isSet(dither)) {
        bool ok = false;
        const double level = parser.value(dither).toDouble(&ok);
        if (!ok || level < 0 || level > 1)
            return parsed.fail(
                QStringLiteral("--dither takes a level from 0 to 1, not \"%1\"").arg(parser.value(dither)));
        options.import.dither = level;
    }
    if (parser.isSet(pictures)) {
        static const QRegularExpression range(QStringLiteral("^([0-9]{1,9})-([0-9]{1,9})?$"));
        const QRegularExpressionMatch match = range.match(parser.value(pictures));
        const int first = match.captured(1).toInt();
        const int last = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
        if (!match.hasMatch() || first < 1 || (last > 0 && last < first))
            return parsed.fail(QStringLiteral("--pictures takes FIRST-LAST counted from 1, as 101-356 or 101-, not "
                                              "\"%1\"")
                                   .arg(parser.value(pictures)));
        options.import.first = first - 1;
        options.import.last = last - 1;
    }
    if (parser.isSet(every)) {
        bool ok = false;
        const int step = parser.value(every).toInt(&ok);
        if (!ok || step < 1)
            return parsed.fail(
                QStringLiteral("--every takes a whole number from 1, not \"%1\"").arg(parser.value(every)));
        options.import.step = step;
    }
    options.folder = parser.value(output);
    if (options.folder.isEmpty())
        return parsed.fail(QStringLiteral("give the folder to write to with -o DIR"));
    if (!LocalPath::stat(options.folder).isFolder)
        return parsed.fail(QStringLiteral("%1 is not a folder").arg(options.folder));
    options.pictures = parser.positionalArguments();
    if (options.pictures.isEmpty())
        return parsed.fail(QStringLiteral("no pictures given"));
    options.force = parser.isSet(force);
    options.quiet = parser.isSet(quiet);
    return parsed;
}

namespace {

// The name the device receives a frame file under, as the converter tells names apart.
QString deviceName(const QString &file)
{
    return QString::fromLatin1(WireFormat::nameField(frameNameFromPath(file))).toLower();
}

QString shown(const QString &path)
{
    return EchoText::of(QDir::toNativeSeparators(path));
}

} // namespace

int ConvertCommand::run(const Options &options, QTextStream &out, QTextStream &err)
{
    // The frames already in the folder, by the name the device receives them under.
    QMultiHash<QString, QString> before;
    for (const QString &name : LocalPath::entries(options.folder, LocalPath::Kind::Files)) {
        if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
            before.insert(deviceName(name), name);
    }
    // A folder is told as one, not read as a picture of no known format.
    QVector<bool> folder;
    QStringList pictures;
    for (const QString &picture : options.pictures) {
        folder << LocalPath::stat(picture).isFolder;
        if (!folder.back())
            pictures << picture;
    }

    PictureConverter converter(options.import, options.folder);
    converter.setOverwrite(options.force);
    converter.setCancel(&s_interrupted);
    const QList<PictureConverter::Outcome> converted = converter.convert(pictures);
    auto next = converted.begin();
    bool refused = false;
    int written = 0;
    int cancelled = 0;
    for (int p = 0; p < options.pictures.size(); ++p) {
        PictureConverter::Outcome outcome;
        outcome.source = options.pictures.at(p);
        if (folder.at(p))
            outcome.problem = QStringLiteral("is a folder, not a picture");
        else
            outcome = *next++;
        const QString source = shown(outcome.source);
        for (const QString &frame : outcome.written) {
            ++written;
            if (!options.quiet) {
                // A frame named otherwise than its picture says where it came from.
                const bool renamed =
                    QFileInfo(frame).completeBaseName() != QFileInfo(outcome.source).completeBaseName();
                out << shown(frame) << (renamed ? QStringLiteral("  from ") + source : QString()) << Qt::endl;
            }
            const QString name = QFileInfo(frame).fileName();
            const Qt::CaseSensitivity cases = LocalPath::namesIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive;
            for (const QString &other : before.values(deviceName(frame))) {
                if (other.compare(name, cases) == 0)
                    continue;
                const QString field = QString::fromLatin1(WireFormat::nameField(frameNameFromPath(frame))).trimmed();
                err << QStringLiteral("%1: warning: the device receives it as \"%2\", as it receives %3 in the "
                                      "same folder")
                           .arg(shown(frame), EchoText::of(field), EchoText::of(other))
                    << Qt::endl;
            }
        }
        // Told once for all of them below.
        if (outcome.cancelled) {
            ++cancelled;
            continue;
        }
        if (!outcome.caveat.isEmpty())
            err << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(outcome.source), outcome.caveat) << Qt::endl;
        // Without --force an existing frame is refused like a bad picture.
        QStringList problems;
        for (const QString &frame : outcome.kept)
            problems << QStringLiteral("%1 exists and was not overwritten").arg(QDir::toNativeSeparators(frame));
        if (!outcome.problem.isEmpty())
            problems << outcome.problem;
        if (!problems.isEmpty()) {
            err << source << QStringLiteral(": ")
                << EchoText::of(problems.join(QStringLiteral("; ")), 4 * EchoText::Longest) << Qt::endl;
            refused = true;
        }
    }
    if (s_interrupted.load()) {
        err << QStringLiteral("Interrupted: %1 of %2 pictures not converted, or not all their frames; the %3 frames "
                              "written stay.")
                   .arg(cancelled)
                   .arg(options.pictures.size())
                   .arg(written)
            << Qt::endl;
        return Interrupted;
    }
    return refused ? SomeRefused : Success;
}

void ConvertCommand::interrupt()
{
    s_interrupted.store(true);
}
