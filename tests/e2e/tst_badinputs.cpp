// What a careless or hostile input meets in the programs: each row runs one program on one bad
// input and expects a refusal with a clear message, the exit status that says so, and nothing of
// the operator's lost or replaced. Rows are grouped by what the input is; each group is a function.
#include "bmpwriter.h"
#include "programrun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>

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

// Pictures given to drelin-convert.
QVector<Case> pictureCases()
{
    return {};
}

// Where the programs write: captures and frame files.
QVector<Case> outputCases()
{
    return {};
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
        if (c.afterwards) {
            const QString changed = c.afterwards(dir);
            QVERIFY2(changed.isEmpty(), qPrintable(changed));
        }
    }
};

QTEST_GUILESS_MAIN(TestBadInputs)
#include "tst_badinputs.moc"
