// What a careless or hostile input meets in the programs: each row runs one program on one bad
// input and expects a refusal with a clear message, the exit status that says so, and nothing of
// the operator's lost or replaced. Rows are grouped by what the input is; each group is a function.
#include "bmpwriter.h"
#include "picturefiles.h"
#include "programrun.h"
#include "testpictures.h"

#include "frame/framebitmap.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Case
{
    QString name;
    QString program; // DRELIN_UPLOAD, DRELIN_CONVERT or DRELIN_DEVICE
    // Makes what the row needs in `dir` and returns the program's arguments.
    std::function<QStringList(const QDir &dir)> arguments;
    int exitCode = 1;
    QByteArray says; // found in what the program printed on stderr
    // Empty when what must stay as it was did; otherwise what changed. May be null.
    std::function<QString(const QDir &dir)> afterwards;
};

QString writeFile(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return file.fileName();
}

const QString Upload = QStringLiteral(DRELIN_UPLOAD);
const QString Convert = QStringLiteral(DRELIN_CONVERT);

// drelin-upload sending the list file that `list` makes into a capture that must not be made.
Case listCase(const char *name, const std::function<QString(const QDir &dir)> &list, const QByteArray &says)
{
    return {QString::fromLatin1(name),
            Upload,
            [list](const QDir &dir) {
                return QStringList{QStringLiteral("--capture"), dir.filePath(QStringLiteral("out.cap")),
                                   QStringLiteral("--list"), list(dir)};
            },
            1,
            says,
            [](const QDir &dir) {
                return dir.exists(QStringLiteral("out.cap")) ? QStringLiteral("something was sent") : QString();
            }};
}

// A list naming "a\0.bmp" beside a frame bitmap "a", which a path cut at the NUL would send.
std::function<QString(const QDir &dir)> listWithNul(const QByteArray &nul)
{
    return [nul](const QDir &dir) {
        writeFile(dir, QStringLiteral("a"), BmpWriter::standardFrame({qRgb(1, 2, 3)}, QByteArray(32768, 1)));
        return writeFile(dir, QStringLiteral("nul.frames"), "0001\ta" + nul + ".bmp\n");
    };
}

// Frame list files and their paths.
QVector<Case> listFileCases()
{
    const QByteArray notAFile = "not a regular file";
    return {
        listCase(
            "list with a bad line",
            [](const QDir &dir) { return writeFile(dir, QStringLiteral("bad.frames"), "0001 no tab here\n"); },
            "bad.frames: line 1"),
        listCase(
            "list is /dev/zero", [](const QDir &) { return QStringLiteral("/dev/zero"); }, notAFile),
        listCase(
            "list is a FIFO",
            [](const QDir &dir) {
                const QString fifo = dir.filePath(QStringLiteral("fifo.frames"));
                ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
                return fifo;
            },
            notAFile),
        listCase(
            "list is a huge sparse file",
            [](const QDir &dir) {
                QFile file(dir.filePath(QStringLiteral("huge.frames")));
                if (file.open(QIODevice::WriteOnly))
                    file.resize(qint64(3) << 30);
                return file.fileName();
            },
            "3.0 GiB, larger than any frame list (at most 4 MiB)"),
        listCase("list path with a \\x00 escape", listWithNul("\\x00"), "nul.frames: line 1: the path holds a NUL"),
        listCase("list path with a raw NUL", listWithNul(QByteArray(1, '\0')),
                 "nul.frames: line 1: the path holds a NUL"),
    };
}

QString svg(const QString &body, const QString &size = QStringLiteral("width='64' height='32'"))
{
    return QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                          "%1>%2</svg>")
        .arg(size, body);
}

// drelin-convert on the picture that `make` writes in the folder, into that folder.
std::function<QStringList(const QDir &)> converting(const std::function<QString(const QDir &)> &make)
{
    return [make](const QDir &dir) { return QStringList{QStringLiteral("-o"), dir.path(), make(dir)}; };
}

// A red picture beside the drawing, which its <image> names by `href` (%1 the folder).
std::function<QStringList(const QDir &)> namingRedFile(const QString &href)
{
    return converting([href](const QDir &dir) {
        QImage red(64, 32, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(dir.filePath(QStringLiteral("secret.png")));
        const QString image = QStringLiteral("<image xlink:href='%1' width='64' height='32'/>")
                                  .arg(QString(href).replace(QStringLiteral("%1"), dir.path()));
        return writeFile(dir, QStringLiteral("logo.svg"), svg(image).toUtf8());
    });
}

// Empty when the frame made of logo.svg shows no red.
QString frameShowsNoRed(const QDir &dir)
{
    const auto frame = FrameBitmapReader::readFile(dir.filePath(QStringLiteral("logo.bmp")));
    if (!frame)
        return QStringLiteral("no frame written");
    const QRgb middle = frame->palette[frame->pixel(64, 128)];
    return qRed(middle) > 128 ? QStringLiteral("the named file is drawn") : QString();
}

// Empty when no frame file was written.
QString noFrame(const QDir &dir)
{
    const QStringList frames = dir.entryList({QStringLiteral("*.bmp")}, QDir::Files);
    return frames.isEmpty() ? QString() : QStringLiteral("written: ") + frames.join(QLatin1Char(' '));
}

QString makeFifo(const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
}

QByteArray photoBytes(const char *format)
{
    QImage photo(96, 48, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 2, y * 5, (x * y) % 256));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, format);
    return bytes;
}

// Three 1 x 1 pictures, each with its delay, the last cut off before its end.
QByteArray cutAnimation()
{
    const QByteArray header("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff", 19);
    const QByteArray picture("!\xf9\x04\x00\x0a\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                             "\x02\x02\x44\x01\x00",
                             23);
    return (header + picture + picture + picture + ';').chopped(4);
}

// Pictures given to drelin-convert.
QVector<Case> pictureCases()
{
    const auto file = [](const QString &name, const QByteArray &bytes) {
        return converting([name, bytes](const QDir &dir) { return writeFile(dir, name, bytes); });
    };
    QByteArray flipped = photoBytes("PNG");
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x10);
    const QByteArray jpeg = photoBytes("JPEG");
    return {
        {QStringLiteral("SVG naming a local file by its path"), Convert, namingRedFile(QStringLiteral("%1/secret.png")),
         0, "", frameShowsNoRed},
        {QStringLiteral("SVG naming a file beside it"), Convert, namingRedFile(QStringLiteral("secret.png")), 0, "",
         frameShowsNoRed},
        {QStringLiteral("SVG naming a file by its URL"), Convert, namingRedFile(QStringLiteral("file://%1/secret.png")),
         0, "", frameShowsNoRed},
        {QStringLiteral("SVG naming a FIFO"), Convert, converting([](const QDir &dir) {
             const QString image = QStringLiteral("<image xlink:href='%1' width='9' height='9'/>");
             return writeFile(dir, QStringLiteral("logo.svg"),
                              svg(image.arg(makeFifo(dir, QStringLiteral("pipe")))).toUtf8());
         }),
         0, "", nullptr},
        {QStringLiteral("a FIFO as the picture"), Convert,
         converting([](const QDir &dir) { return makeFifo(dir, QStringLiteral("pipe.png")); }), 1,
         "pipe.png: is not a file but a pipe", noFrame},
        {QStringLiteral("gzip SVG bomb"), Convert, converting([](const QDir &dir) {
             const QByteArray bomb = PictureFiles::gzip(svg(QStringLiteral("<!--")).toUtf8(), qint64(64) << 20, "-->");
             return writeFile(dir, QStringLiteral("bomb.svgz"), bomb);
         }),
         1, "bomb.svgz: is a compressed drawing of", noFrame},
        {QStringLiteral("huge plain SVG"), Convert, converting([](const QDir &dir) {
             QFile huge(dir.filePath(QStringLiteral("huge.svg")));
             if (huge.open(QIODevice::WriteOnly))
                 huge.write(svg(QStringLiteral("<!--")).toUtf8());
             huge.resize(qint64(40) << 20); // a sparse tail
             return huge.fileName();
         }),
         1, "huge.svg: is a drawing of 40.0 MiB", noFrame},
        {QStringLiteral("0 x 0 SVG"), Convert,
         file(QStringLiteral("zero.svg"),
              svg(QStringLiteral("<rect width='9' height='9'/>"), QStringLiteral("width='0' height='0'")).toUtf8()),
         1, "zero.svg: has no size", noFrame},
        {QStringLiteral("JPEG cut at a quarter"), Convert, file(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() / 4)),
         1, "cut.jpg: is damaged", noFrame},
        {QStringLiteral("JPEG cut at 99 %"), Convert,
         file(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() * 99 / 100)), 1, "cut.jpg: is damaged", noFrame},
        {QStringLiteral("GIF cut short"), Convert, file(QStringLiteral("cut.gif"), cutAnimation()), 1,
         "cut.gif: is damaged: it ends after 2 whole pictures", noFrame},
        {QStringLiteral("PNG with a bit flipped"), Convert, file(QStringLiteral("flipped.png"), flipped), 1,
         "flipped.png: is damaged: its IDAT chunk", noFrame},
    };
}

// What is at path itself, a link not followed: enough to tell whether anything in the way was
// touched. A folder lists its entries, so a temporary file left behind shows.
QString nodeAt(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::lstat(bytes.constData(), &info) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(info.st_mode)) {
        char target[4096];
        const ssize_t length = ::readlink(bytes.constData(), target, sizeof target);
        return QStringLiteral("a link to ") + QString::fromUtf8(target, std::max<ssize_t>(length, 0));
    }
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(info.st_mode))
        return QStringLiteral("device %1:%2").arg(major(info.st_rdev)).arg(minor(info.st_rdev));
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("a folder of ")
            + QDir(path)
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                  .join(QLatin1Char(' '));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QStringLiteral("a file of ") + QString::fromUtf8(file.read(64))
                                          : QStringLiteral("an unreadable file");
}

// Empty when each name in dir is still what it was.
std::function<QString(const QDir &)> unchanged(const QList<QPair<QString, QString>> &expected)
{
    return [expected](const QDir &dir) {
        QStringList changed;
        for (const auto &[name, was] : expected) {
            const QString now = nodeAt(dir.filePath(name));
            if (now != was)
                changed << QStringLiteral("%1 was %2, is %3").arg(name, was, now);
        }
        return changed.join(QStringLiteral("; "));
    };
}

QString frameFile(const QDir &dir)
{
    return writeFile(dir, QStringLiteral("a.bmp"),
                     BmpWriter::standardFrame(QVector<QRgb>(256, qRgb(8, 16, 24)), QByteArray(32768, '\x05')));
}

QString picture(const QDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("logo.png"));
    TestPictures::logo().save(path);
    return path;
}

const QString FullDisk =
    QStringLiteral("mount -t tmpfs -o size=48k tmpfs \"$1\" && head -c 20000 /dev/zero >\"$1/filler\" "
                   "&& printf 'the last capture' >\"$1/show.cap\" || exit 99\n"
                   "\"$0\" --capture \"$1/show.cap\" \"$2\"\n"
                   "status=$?\n"
                   "{ cat \"$1/show.cap\"; echo; ls -A \"$1\"; } >\"$3\"\n"
                   "exit $status");

// Where the programs write: captures and frame files. Only a regular file is ever replaced, whole.
QVector<Case> outputCases()
{
    const auto capture = [](const QString &name) {
        return [name](const QDir &dir) {
            return QStringList{QStringLiteral("--capture"), dir.filePath(name), frameFile(dir)};
        };
    };
    const auto link = [](const QDir &dir, const QString &target, const QString &name) {
        QFile::link(target, dir.filePath(name));
    };
    const auto convert = [](const QStringList &options) {
        return [options](const QDir &dir) {
            dir.mkdir(QStringLiteral("out"));
            return options + QStringList{picture(dir), QStringLiteral("-o"), dir.filePath(QStringLiteral("out"))};
        };
    };
    const QString other = QStringLiteral("a file of the operator's own");
    return {
        {QStringLiteral("capture onto a FIFO"), Upload,
         [=](const QDir &dir) {
             ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.cap"))).constData(), 0666);
             return capture(QStringLiteral("fifo.cap"))(dir);
         },
         1, "it is a FIFO", unchanged({{QStringLiteral("fifo.cap"), QStringLiteral("a FIFO")}})},
        {QStringLiteral("capture onto a folder"), Upload,
         [=](const QDir &dir) {
             dir.mkdir(QStringLiteral("folder.cap"));
             return capture(QStringLiteral("folder.cap"))(dir);
         },
         1, "it is a folder", unchanged({{QStringLiteral("folder.cap"), QStringLiteral("a folder of ")}})},
        {QStringLiteral("capture onto a device node"), Upload,
         [=](const QDir &dir) {
             // A node of /dev/null's own kind, made here where root may: the test never risks the real one.
             const QString node = dir.filePath(QStringLiteral("null.cap"));
             if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                 return QStringList{QStringLiteral("--capture"), QStringLiteral("/dev/null"), frameFile(dir)};
             return capture(QStringLiteral("null.cap"))(dir);
         },
         1, "it is a device",
         [](const QDir &dir) {
             const QString made = dir.filePath(QStringLiteral("null.cap"));
             const QString node = nodeAt(made) == QLatin1String("nothing") ? QStringLiteral("/dev/null") : made;
             const QString now = nodeAt(node);
             return now == QLatin1String("device 1:3") ? QString() : node + QStringLiteral(" is now ") + now;
         }},
        {QStringLiteral("capture onto a link to another file"), Upload,
         [=](const QDir &dir) {
             writeFile(dir, QStringLiteral("other.txt"), other.toUtf8());
             link(dir, QStringLiteral("other.txt"), QStringLiteral("link.cap"));
             return capture(QStringLiteral("link.cap"))(dir);
         },
         1, "symbolic link",
         unchanged({{QStringLiteral("link.cap"), QStringLiteral("a link to other.txt")},
                    {QStringLiteral("other.txt"), QStringLiteral("a file of ") + other}})},
        {QStringLiteral("capture onto a dangling link"), Upload,
         [=](const QDir &dir) {
             link(dir, QStringLiteral("missing.cap"), QStringLiteral("dangling.cap"));
             return capture(QStringLiteral("dangling.cap"))(dir);
         },
         1, "symbolic link",
         unchanged({{QStringLiteral("dangling.cap"), QStringLiteral("a link to missing.cap")},
                    {QStringLiteral("missing.cap"), QStringLiteral("nothing")}})},
        {QStringLiteral("frame named like a link to another file"), Convert,
         [=](const QDir &dir) {
             writeFile(dir, QStringLiteral("other.txt"), other.toUtf8());
             const QStringList arguments = convert({QStringLiteral("--force")})(dir);
             link(dir, QStringLiteral("../other.txt"), QStringLiteral("out/logo.bmp"));
             return arguments;
         },
         1, "logo.bmp could not be written: it is a symbolic link",
         unchanged({{QStringLiteral("out"), QStringLiteral("a folder of logo.bmp")},
                    {QStringLiteral("out/logo.bmp"), QStringLiteral("a link to ../other.txt")},
                    {QStringLiteral("other.txt"), QStringLiteral("a file of ") + other}})},
        {QStringLiteral("frame named like a dangling link"), Convert,
         [=](const QDir &dir) {
             const QStringList arguments = convert({})(dir);
             link(dir, QStringLiteral("../missing.bmp"), QStringLiteral("out/logo.bmp"));
             return arguments;
         },
         1, "logo.bmp could not be written: it is a symbolic link",
         unchanged({{QStringLiteral("out"), QStringLiteral("a folder of logo.bmp")},
                    {QStringLiteral("missing.bmp"), QStringLiteral("nothing")}})},
        // QProcess hands arguments over as UTF-8, which cannot carry the folder's name: the shell's
        // printf makes it.
        {QStringLiteral("output folder whose name is not UTF-8"), QStringLiteral("/bin/sh"),
         [=](const QDir &dir) {
             ::mkdir(QFile::encodeName(dir.path()).append("/frames\xff").constData(), 0777);
             return QStringList{QStringLiteral("-c"),
                                QStringLiteral("exec \"$0\" \"$1\" -o \"$(printf '%s/frames\\377' \"$2\")\""), Convert,
                                picture(dir), dir.path()};
         },
         0, "",
         [](const QDir &dir) {
             struct stat info
             {
             };
             const QByteArray folder = QFile::encodeName(dir.path()).append("/frames\xff");
             const bool written = ::stat((folder + "/logo.bmp").constData(), &info) == 0 && info.st_size == 33846;
             // QTemporaryDir cannot remove what it cannot name.
             ::unlink((folder + "/logo.bmp").constData());
             ::rmdir(folder.constData());
             return written ? QString() : QStringLiteral("no frame in the folder");
         }},
        // A file system of its own, nearly full, in a mount namespace of the program's own.
        {QStringLiteral("capture onto a full disk"), QStringLiteral("unshare"),
         [=](const QDir &dir) {
             dir.mkdir(QStringLiteral("small"));
             // Root mounts in a namespace of its own; anyone else first becomes root of a user namespace.
             QStringList arguments;
             if (::geteuid() != 0)
                 arguments << QStringLiteral("--map-root-user");
             return arguments << QStringLiteral("--mount") << QStringLiteral("sh") << QStringLiteral("-c") << FullDisk
                              << Upload << dir.filePath(QStringLiteral("small")) << frameFile(dir)
                              << dir.filePath(QStringLiteral("after.txt"));
         },
         1, std::strerror(ENOSPC),
         [](const QDir &dir) {
             QFile after(dir.filePath(QStringLiteral("after.txt")));
             const QByteArray held = after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray();
             return held == "the last capture\nfiller\nshow.cap\n" ? QString() : QString::fromUtf8("left: " + held);
         }},
        // The system refuses a write past the limit after taking part of it, as a full disk does.
        {QStringLiteral("frame past the file size limit"), QStringLiteral("/bin/sh"),
         [=](const QDir &dir) {
             const QStringList arguments = convert({QStringLiteral("--force")})(dir);
             writeFile(dir, QStringLiteral("out/logo.bmp"), "the last frame");
             return QStringList{QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 20; exec \"$0\" \"$@\""),
                                Convert}
             + arguments;
         },
         1, std::strerror(EFBIG),
         unchanged({{QStringLiteral("out"), QStringLiteral("a folder of logo.bmp")},
                    {QStringLiteral("out/logo.bmp"), QStringLiteral("a file of the last frame")}})},
    };
}

QVector<Case> cases()
{
    return listFileCases() + pictureCases() + outputCases();
}

} // namespace

class TestBadInputs : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        QTest::addColumn<int>("row");
        const QVector<Case> all = cases();
        for (int row = 0; row < all.size(); ++row)
            QTest::newRow(qPrintable(all.at(row).name)) << row;
    }

    void refused()
    {
        QFETCH(int, row);
        const Case c = cases().at(row);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        const QDir dir(temporary.path());
        const ProgramRun run = ProgramRun::of(c.program, c.arguments(dir), 30000);
        QVERIFY2(run.exitCode == c.exitCode,
                 qPrintable(QStringLiteral("exit %1, stderr: %2").arg(run.exitCode).arg(QString::fromUtf8(run.err))));
        QVERIFY2(run.err.contains(c.says), run.err.constData());
        // Whatever went wrong with a picture is told with the file's path: no reader's words of
        // their own (Qt's start-up may say where it keeps run-time files).
        for (const QByteArray &line : run.err.split('\n')) {
            QVERIFY2(c.program != Convert || line.isEmpty() || line.contains(QFile::encodeName(dir.path()))
                         || line.startsWith("QStandardPaths:"),
                     line.constData());
        }
        if (c.afterwards) {
            const QString changed = c.afterwards(dir);
            QVERIFY2(changed.isEmpty(), qPrintable(changed));
        }
    }
};

QTEST_GUILESS_MAIN(TestBadInputs)
#include "tst_badinputs.moc"
