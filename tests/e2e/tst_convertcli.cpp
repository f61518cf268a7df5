// drelin-convert as the operator runs it: frames written with one line each, refused pictures
// named with their reason and the rest written, usage errors, --force, and a converted frame that
// drelin-upload sends unchanged.
#include "interruption.h"
#include "picturefiles.h"
#include "programrun.h"
#include "wireoracle.h"

#include "frame/framebitmap.h"
#include "frame/wiredecoder.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Run = ProgramRun;

Run convert(const QStringList &arguments)
{
    return ProgramRun::of(QStringLiteral(DRELIN_CONVERT), arguments);
}

} // namespace

class TestConvertCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_out;
    QString m_photo;

private slots:
    void initTestCase()
    {
        m_out = m_dir.filePath(QStringLiteral("frames"));
        QVERIFY(QDir().mkpath(m_out));
        QImage photo(640, 360, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x * 255 / 640, y * 255 / 360, (x + y) % 256));
        }
        m_photo = m_dir.filePath(QStringLiteral("photo.jpg"));
        QVERIFY(photo.save(m_photo));
    }

    void convertsAndRefusesEachOnItsOwn()
    {
        QFile text(m_dir.filePath(QStringLiteral("notes.png")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();
        const Run result = convert({m_photo, text.fileName(), QStringLiteral("--fill"), QStringLiteral("-o"), m_out});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.out.trimmed(), QDir::toNativeSeparators(m_out + QStringLiteral("/photo.bmp")).toUtf8());
        QVERIFY2(result.err.contains("notes.png: is not a picture"), result.err.constData());

        // Converted, the frame goes through drelin-upload byte for byte as the oracle writes it.
        const QString capture = m_dir.filePath(QStringLiteral("photo.cap"));
        const Run upload = ProgramRun::of(
            QStringLiteral(DRELIN_UPLOAD),
            {QStringLiteral("--capture"), capture, QStringLiteral("9=") + m_out + QStringLiteral("/photo.bmp")});
        QCOMPARE(upload.exitCode, 0);
        const auto frame = FrameBitmapReader::readFile(m_out + QStringLiteral("/photo.bmp"));
        QVERIFY(frame);
        QFile sent(capture);
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(sent.readAll(), WireOracle::frameText(9, QStringLiteral("photo"), *frame));
        for (const QRgb entry : frame->palette)
            QCOMPARE((qRed(entry) | qGreen(entry) | qBlue(entry)) % 4, 0);

        // Run again: the frame exists and is left alone unless --force.
        const Run again = convert({m_photo, QStringLiteral("-o"), m_out});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains("exists and was not overwritten"), again.err.constData());
        const Run forced =
            convert({m_photo, QStringLiteral("--force"), QStringLiteral("--quiet"), QStringLiteral("-o"), m_out});
        QCOMPARE(forced.exitCode, 0);
        QVERIFY(forced.out.isEmpty());
    }

    // Which picture became which frame, a frame the device could take for one in the folder, a
    // folder given as a picture, and names echoed as they can be shown: escaped and shortened.
    void saysWhatBecameWhat()
    {
        const QDir dir(m_dir.filePath(QStringLiteral("named")));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("out"))));
        QVERIFY(QFile::copy(m_photo, dir.filePath(QStringLiteral("logo-text-trans.jpg"))));
        QVERIFY(QFile::copy(m_photo, dir.filePath(QStringLiteral("logo-text-opaque.jpg"))));
        QVERIFY(QFile::copy(m_photo, dir.filePath(QStringLiteral("out/logo-0001.bmp"))));
        const QString out = dir.filePath(QStringLiteral("out"));
        const QString escapes = QStringLiteral("x\x1b[2J\ty.png");
        // Long, but within the 32,767 characters Windows allows a whole command line.
        const QString longName = QString(20000, QLatin1Char('a')) + QStringLiteral(".png");
        const Run result = convert({dir.filePath(QStringLiteral("logo-text-trans.jpg")),
                                    dir.filePath(QStringLiteral("logo-text-opaque.jpg")), out, escapes, longName,
                                    QStringLiteral("-o"), out});
        QCOMPARE(result.exitCode, 1);
        const struct
        {
            const QByteArray &stream;
            QString says;
        } expected[] = {
            {result.out,
             out + QStringLiteral("/logo-000.bmp  from ") + dir.filePath(QStringLiteral("logo-text-trans.jpg"))},
            {result.out,
             out + QStringLiteral("/logo-001.bmp  from ") + dir.filePath(QStringLiteral("logo-text-opaque.jpg"))},
            {result.err,
             out
                 + QStringLiteral("/logo-000.bmp: warning: the device receives it as \"logo-000\", as it "
                                  "receives logo-0001.bmp in the same folder")},
            {result.err, out + QStringLiteral(": is a folder, not a picture")},
            {result.err, QStringLiteral("x\\x1B[2J\\ty.png: cannot be read")},
            {result.err, QStringLiteral("characters ...]aaaa")},
        };
        for (const auto &each : expected)
            QVERIFY2(each.stream.contains(QDir::toNativeSeparators(each.says).toUtf8()), each.stream.constData());
        QVERIFY(!result.err.contains('\x1b'));
        for (const QByteArray &line : result.err.split('\n'))
            QVERIFY2(line.size() < 1000, line.left(100).constData());
    }

    // Ctrl-C makes no further frame and says so once, however many pictures are left.
    void interruptIsToldOnce()
    {
        const QDir dir(m_dir.filePath(QStringLiteral("many")));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("out"))));
        QStringList arguments{QStringLiteral("-o"), dir.filePath(QStringLiteral("out"))};
        for (int i = 0; i < 200; ++i) {
            arguments << dir.filePath(QStringLiteral("shot%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
            QVERIFY(QFile::copy(m_photo, arguments.back()));
        }
        QProcess process;
        process.start(QStringLiteral(DRELIN_CONVERT), arguments);
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).isEmpty(), 30000);
        if (!interruptProgram(process.processId())) {
            process.kill();
            QSKIP("No Ctrl-C can be sent to a program here");
        }
        const Run result = ProgramRun::finish(process);
        QCOMPARE(result.exitCode, 130);
        // The drawing platform may add a line of its own about the session.
        QCOMPARE(result.err.count("Interrupted: "), 1);
        QCOMPARE(result.err.count(".jpg"), 0);
        QVERIFY2(result.err.contains(" of 200 pictures not converted"), result.err.constData());
    }

    // Of a 12-picture animation, pictures 2 to 11, every 3rd: the 2nd, 5th, 8th and 11th.
    void choosesPicturesOfAnAnimation()
    {
        QList<QColor> colours;
        for (int i = 0; i < 12; ++i)
            colours << QColor::fromHsv(i * 30, 255, 255);
        const QString gif = m_dir.filePath(QStringLiteral("spin.gif"));
        QVERIFY(PictureFiles::writeGif(gif, colours));
        const QString out = m_dir.filePath(QStringLiteral("chosen"));
        QVERIFY(QDir().mkpath(out));
        const Run result = convert({QStringLiteral("--pictures"), QStringLiteral("2-11"), QStringLiteral("--every"),
                                    QStringLiteral("3"), gif, QStringLiteral("-o"), out});
        QCOMPARE(result.exitCode, 0);
        const QList<int> taken{1, 4, 7, 10};
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), taken.size());
        for (int k = 0; k < taken.size(); ++k) {
            const auto frame = FrameBitmapReader::readFile(
                QDir(out).filePath(QStringLiteral("spin%1.bmp").arg(k, 3, 10, QLatin1Char('0'))));
            QVERIFY(frame);
            const QRgb shown = frame->palette[frame->pixel(64, 128)];
            QVERIFY2(std::abs(QColor(shown).hue() - colours[taken[k]].hue()) <= 4, qPrintable(QString::number(k)));
        }
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("says");
        QTest::newRow("no folder") << QStringList{"a.png"} << QByteArray("-o DIR");
        QTest::newRow("no pictures") << QStringList{"-o", "."} << QByteArray("no pictures given");
        QTest::newRow("two geometries") << QStringList{"--fit", "--fill", "a.png", "-o", "."}
                                        << QByteArray("only one of");
        QTest::newRow("bad colour") << QStringList{"--background", "red", "a.png", "-o", "."} << QByteArray("#RRGGBB");
        QTest::newRow("dither past 1") << QStringList{"--dither", "1.5", "a.png", "-o", "."}
                                       << QByteArray("from 0 to 1");
        QTest::newRow("unknown option") << QStringList{"--sharpen", "a.png", "-o", "."} << QByteArray("sharpen");
        QTest::newRow("pictures not a range")
            << QStringList{"--pictures", "5", "a.gif", "-o", "."} << QByteArray("FIRST-LAST counted from 1");
        QTest::newRow("pictures backwards")
            << QStringList{"--pictures", "9-3", "a.gif", "-o", "."} << QByteArray("FIRST-LAST counted from 1");
        QTest::newRow("every 0") << QStringList{"--every", "0", "a.gif", "-o", "."}
                                 << QByteArray("a whole number from 1");
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, says);
        const QString problem =
            convert(arguments).usageErrorProblem(QStringLiteral("drelin-convert"), QString::fromUtf8(says));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void helpAndVersion()
    {
        const Run help = convert({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith("Usage: drelin-convert [options] PICTURE..."), help.out.constData());
        for (const char *text :
             {"--fit", "--fill", "--stretch", "--background", "--dither", "--force", "-o", "Exit status"})
            QVERIFY2(help.out.contains(text), text);
        const Run version = convert({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("drelin-convert "));
        QVERIFY(version.out.contains("GPL-3.0-or-later"));
    }
};

QTEST_GUILESS_MAIN(TestConvertCli)
#include "tst_convertcli.moc"
