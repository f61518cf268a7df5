#include "externalquantizer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QString programName(ExternalQuantizer::Kind kind)
{
    return kind == ExternalQuantizer::Kind::ImageMagick ? QStringLiteral("convert") : QStringLiteral("pngquant");
}

} // namespace

ExternalQuantizer::ExternalQuantizer(Kind kind)
    : m_kind(kind)
    , m_program(QStandardPaths::findExecutable(programName(kind)))
{ }

QString ExternalQuantizer::name() const
{
    return m_kind == Kind::ImageMagick ? QStringLiteral("ImageMagick") : QStringLiteral("pngquant");
}

QString ExternalQuantizer::skippedLine() const
{
    const QString package = m_kind == Kind::ImageMagick ? QStringLiteral("imagemagick") : QStringLiteral("pngquant");
    return QStringLiteral("%1 skipped: %2 is not on PATH (Debian package %3; bash scripts/deps.sh test installs it)")
        .arg(name(), programName(m_kind), package);
}

QImage ExternalQuantizer::quantize(const QImage &picture, double *ms, QString *error) const
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.png"));
    if (!dir.isValid() || !picture.save(in, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(in);
        return {};
    }
    QString out;
    QStringList arguments;
    if (m_kind == Kind::ImageMagick) {
        out = dir.filePath(QStringLiteral("out.bmp"));
        arguments = {in,
                     QStringLiteral("-colors"),
                     QStringLiteral("256"),
                     QStringLiteral("-type"),
                     QStringLiteral("Palette"),
                     QStringLiteral("BMP3:") + out};
    } else {
        out = dir.filePath(QStringLiteral("out.png"));
        arguments = {QStringLiteral("--posterize"),
                     QStringLiteral("2"),
                     QStringLiteral("--force"),
                     QStringLiteral("--output"),
                     out,
                     in};
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(m_program, arguments);
    const bool finished = process.waitForFinished(60000);
    *ms = double(timer.nsecsElapsed()) / 1e6;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QStringLiteral("%1 failed: %2").arg(m_program, QString::fromLocal8Bit(process.readAll()).trimmed());
        return {};
    }
    QImage made(out);
    if (made.size() != picture.size()) {
        *error = QStringLiteral("%1 made no %2 x %3 picture").arg(m_program).arg(picture.width()).arg(picture.height());
        return {};
    }
    return made;
}
