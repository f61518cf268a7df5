#include "cli/convertcommand.h"

#include "base/localpath.h"
#include "cli/drawingplatform.h"
#include "cli/echotext.h"
#include "frame/framename.h"
#include "frame/wireformat.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextStream>

#include <atomic>
#include <limits>

namespace {

std::atomic<bool> s_interrupted{false};

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

ConvertCommand::ConvertCommand()
    : Command(Name)
    , m_fit(QStringLiteral("fit"), QStringLiteral("The whole picture, centred on the background (the default)."))
    , m_fill(QStringLiteral("fill"), QStringLiteral("Cover the frame, cropping the middle."))
    , m_stretch(QStringLiteral("stretch"), QStringLiteral("Stretch the picture to the frame."))
    , m_background(QStringLiteral("background"),
                   QStringLiteral("Borders and transparent parts in this colour (default #000000)."),
                   QStringLiteral("#RRGGBB"))
    , m_dither(QStringLiteral("dither"), QStringLiteral("Floyd-Steinberg dithering from 0 (off) to 1 (the default)."),
               QStringLiteral("LEVEL"))
    , m_pictures(QStringLiteral("pictures"),
                 QStringLiteral("Of an animation, take pictures FIRST to LAST, counted from 1 (FIRST- to its end)."),
                 QStringLiteral("FIRST-LAST"))
    , m_every(QStringLiteral("every"),
              QStringLiteral("Of an animation, take every Nth picture (1, the default, takes each)."),
              QStringLiteral("N"))
    , m_force(QStringLiteral("force"), QStringLiteral("Overwrite frame files that exist."))
    , m_quiet(QStringLiteral("quiet"), QStringLiteral("No line per frame written."))
    , m_output({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("The folder the frames are written to."),
               QStringLiteral("DIR"))
{ }

QString ConvertCommand::description() const
{
    return QStringLiteral("Makes 256 x 128 frame bitmaps from pictures of any format (PNG, JPEG, SVG, WebP, GIF, "
                          "TIFF, ...),\nwith colours chosen for the device's 6-bit palette. A still picture NAME.EXT "
                          "becomes DIR/NAME.bmp;\nan animation one file a picture, numbered from 000, and so do "
                          "stills the device\ncould not tell apart by their names (a numbered sequence). At most "
                          "256 frames in all:\n--pictures and --every choose those of a longer animation.");
}

QString ConvertCommand::exitStatus() const
{
    return QStringLiteral("Exit status: 0 all converted, 1 some picture refused (the others written), 2 usage "
                          "error,\n130 interrupted.");
}

void ConvertCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions(
        {m_fit, m_fill, m_stretch, m_background, m_dither, m_pictures, m_every, m_force, m_quiet, m_output});
    parser.addPositionalArgument(QStringLiteral("PICTURE"), QStringLiteral("A picture or an animation."),
                                 QStringLiteral("PICTURE..."));
}

bool ConvertCommand::readOptions(const QCommandLineParser &parser, QString *error)
{
    if (!readGeometry(parser, error) || !readBackground(parser, error) || !readDither(parser, error)
        || !readRange(parser, error) || !readEvery(parser, error) || !readFiles(parser, error))
        return false;
    m_options.force = parser.isSet(m_force);
    m_options.quiet = parser.isSet(m_quiet);
    return true;
}

bool ConvertCommand::readGeometry(const QCommandLineParser &parser, QString *error)
{
    const int geometries = int(parser.isSet(m_fit)) + int(parser.isSet(m_fill)) + int(parser.isSet(m_stretch));
    if (geometries > 1)
        return refuse(error, QStringLiteral("give only one of --fit, --fill and --stretch"));
    if (parser.isSet(m_fill))
        m_options.import.geometry = ImportOptions::Geometry::Fill;
    else if (parser.isSet(m_stretch))
        m_options.import.geometry = ImportOptions::Geometry::Stretch;
    return true;
}

bool ConvertCommand::readBackground(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(m_background))
        return true;
    static const QRegularExpression colour(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    const QString text = parser.value(m_background);
    if (!colour.match(text).hasMatch())
        return refuse(error, QStringLiteral("--background takes a colour as #RRGGBB, not \"%1\"").arg(text));
    m_options.import.background = QColor(text);
    return true;
}

bool ConvertCommand::readDither(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(m_dither))
        return true;
    bool ok = false;
    const double level = parser.value(m_dither).toDouble(&ok);
    if (!ok || level < 0 || level > 1)
        return refuse(error,
                      QStringLiteral("--dither takes a level from 0 to 1, not \"%1\"").arg(parser.value(m_dither)));
    m_options.import.dither = level;
    return true;
}

bool ConvertCommand::readRange(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(m_pictures))
        return true;
    static const QRegularExpression range(QStringLiteral("^([0-9]{1,9})-([0-9]{1,9})?$"));
    const QRegularExpressionMatch match = range.match(parser.value(m_pictures));
    const int first = match.captured(1).toInt();
    const int last = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
    if (!match.hasMatch() || first < 1 || (last > 0 && last < first))
        return refuse(error,
                      QStringLiteral("--pictures takes FIRST-LAST counted from 1, as 101-356 or 101-, not "
                                     "\"%1\"")
                          .arg(parser.value(m_pictures)));
    m_options.import.first = first - 1;
    m_options.import.last = last - 1;
    return true;
}

bool ConvertCommand::readEvery(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(m_every))
        return true;
    if (!readNumber(parser, m_every, 1, std::numeric_limits<int>::max(), &m_options.import.step))
        return refuse(error,
                      QStringLiteral("--every takes a whole number from 1, not \"%1\"").arg(parser.value(m_every)));
    return true;
}

bool ConvertCommand::readFiles(const QCommandLineParser &parser, QString *error)
{
    m_options.folder = parser.value(m_output);
    if (m_options.folder.isEmpty())
        return refuse(error, QStringLiteral("give the folder to write to with -o DIR"));
    if (!LocalPath::stat(m_options.folder).isFolder)
        return refuse(error, QStringLiteral("%1 is not a folder").arg(m_options.folder));
    m_options.pictures = parser.positionalArguments();
    if (m_options.pictures.isEmpty())
        return refuse(error, QStringLiteral("no pictures given"));
    return true;
}

QString ConvertCommand::usageReason(const QString &why) const
{
    return EchoText::of(why);
}

std::unique_ptr<QCoreApplication> ConvertCommand::makeApplication(int &argc, char **argv)
{
    DrawingPlatform::choose();
    return std::make_unique<QGuiApplication>(argc, argv);
}

int ConvertCommand::run(QTextStream &out, QTextStream &err)
{
    const QMultiHash<QString, QString> before = framesInFolder();
    Tally tally;
    for (const PictureConverter::Outcome &outcome : convert()) {
        tellWritten(outcome, before, tally, out, err);
        // Told once for all of them below.
        if (outcome.cancelled) {
            ++tally.cancelled;
            continue;
        }
        tellProblems(outcome, tally, err);
    }
    if (s_interrupted.load()) {
        err << QStringLiteral("Interrupted: %1 of %2 pictures not converted, or not all their frames; the %3 frames "
                              "written stay.")
                   .arg(tally.cancelled)
                   .arg(m_options.pictures.size())
                   .arg(tally.written)
            << Qt::endl;
        return Interrupted;
    }
    return tally.refused ? Failure : Success;
}

QMultiHash<QString, QString> ConvertCommand::framesInFolder() const
{
    // The frames already in the folder, by the name the device receives them under.
    QMultiHash<QString, QString> before;
    for (const QString &name : LocalPath::entries(m_options.folder, LocalPath::Kind::Files)) {
        if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
            before.insert(deviceName(name), name);
    }
    return before;
}

QList<PictureConverter::Outcome> ConvertCommand::convert() const
{
    // A folder is told as one, not read as a picture of no known format.
    QVector<bool> folder;
    QStringList pictures;
    for (const QString &picture : m_options.pictures) {
        folder << LocalPath::stat(picture).isFolder;
        if (!folder.back())
            pictures << picture;
    }
    PictureConverter converter(m_options.import, m_options.folder);
    converter.setOverwrite(m_options.force);
    converter.setCancel(&s_interrupted);
    const QList<PictureConverter::Outcome> converted = converter.convert(pictures);
    // Every picture's outcome, in the order given.
    QList<PictureConverter::Outcome> outcomes;
    auto next = converted.begin();
    for (int p = 0; p < m_options.pictures.size(); ++p) {
        PictureConverter::Outcome outcome;
        outcome.source = m_options.pictures.at(p);
        if (folder.at(p))
            outcome.problem = QStringLiteral("is a folder, not a picture");
        else
            outcome = *next++;
        outcomes << outcome;
    }
    return outcomes;
}

void ConvertCommand::tellWritten(const PictureConverter::Outcome &outcome, const QMultiHash<QString, QString> &before,
                                 Tally &tally, QTextStream &out, QTextStream &err) const
{
    const QString source = shown(outcome.source);
    for (const QString &frame : outcome.written) {
        ++tally.written;
        if (!m_options.quiet) {
            // A frame named otherwise than its picture says where it came from.
            const bool renamed = QFileInfo(frame).completeBaseName() != QFileInfo(outcome.source).completeBaseName();
            out << shown(frame) << (renamed ? QStringLiteral("  from ") + source : QString()) << Qt::endl;
        }
        const QString name = QFileInfo(frame).fileName();
        const Qt::CaseSensitivity cases = LocalPath::namesIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive;
        for (const QString &other : before.values(deviceName(frame))) {
            if (other.compare(name, cases) == 0)
                continue;
            const QString field = QString::fromLatin1(WireFormat::nameField(frameNameFromPath(frame))).trimmed();
            err << QStringLiteral("%1: warning: the device receives it as \"%2\", as it receives %3 in the same "
                                  "folder")
                       .arg(shown(frame), EchoText::of(field), EchoText::of(other))
                << Qt::endl;
        }
    }
}

void ConvertCommand::tellProblems(const PictureConverter::Outcome &outcome, Tally &tally, QTextStream &err)
{
    if (!outcome.caveat.isEmpty())
        err << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(outcome.source), outcome.caveat) << Qt::endl;
    // Without --force an existing frame is refused like a bad picture.
    QStringList problems;
    for (const QString &frame : outcome.kept)
        problems << QStringLiteral("%1 exists and was not overwritten").arg(QDir::toNativeSeparators(frame));
    if (!outcome.problem.isEmpty())
        problems << outcome.problem;
    if (!problems.isEmpty()) {
        err << shown(outcome.source) << QStringLiteral(": ")
            << EchoText::of(problems.join(QStringLiteral("; ")), 4 * EchoText::Longest) << Qt::endl;
        tally.refused = true;
    }
}

void ConvertCommand::interrupt()
{
    s_interrupted.store(true);
}
