#include "cli/listener.h"

#include "frame/wireformat.h"

#include <QByteArray>
#include <QDir>
#include <QTextStream>

Listener::Listener(const QString &outDir, bool quiet, QTextStream &out, QTextStream &err)
    : m_outDir(outDir)
    , m_quiet(quiet)
    , m_out(out)
    , m_err(err)
{
    m_sinceLast.start();
}

int Listener::take(const QByteArray &bytes)
{
    const int pausesBefore = m_decoder.pausesPassed();
    if (!bytes.isEmpty()) {
        m_decoder.feed(bytes);
        m_sinceLast.restart();
    } else if (m_decoder.inFrame() && m_sinceLast.elapsed() >= QuietMs) {
        m_decoder.finish();
    }
    report();
    return m_decoder.pausesPassed() - pausesBefore;
}

void Listener::end()
{
    m_decoder.finish();
    report();
}

void Listener::report()
{
    for (const DecodedFrame &frame : m_decoder.takeFrames()) {
        if (!m_quiet)
            m_out << describe(frame) << Qt::endl;
        if (!m_outDir.isEmpty() && frame.number >= 0) {
            const QString path = QDir(m_outDir).filePath(pictureName(frame));
            if (!frame.toImage().save(path, "PNG")) {
                m_err << QStringLiteral("Cannot write %1").arg(path) << Qt::endl;
                m_failed = true;
            }
        }
    }
}

QString Listener::describe(const DecodedFrame &frame)
{
    const QString number = frame.number < 0
        ? QStringLiteral("?")
        : QStringLiteral("%1 (%2)").arg(frame.number).arg(frame.number, 4, 10, QLatin1Char('0'));
    QString line = QStringLiteral("frame %1 \"%2\": %3, %4 characters")
                       .arg(number, QString::fromLatin1(frame.nameField),
                            frame.complete ? QStringLiteral("complete") : QStringLiteral("partial"))
                       .arg(frame.characters);
    if (!frame.complete)
        line += QStringLiteral(" (%1 colours, %2 of %3 pixel groups): %4")
                    .arg(frame.coloursReceived)
                    .arg(frame.groupsReceived)
                    .arg(WireFormat::PixelGroups)
                    .arg(frame.problem);
    return line;
}

QString Listener::pictureName(const DecodedFrame &frame)
{
    QString name;
    for (const char c : frame.nameField.trimmed()) {
        const bool safe =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += safe ? QChar::fromLatin1(c) : QLatin1Char('_');
    }
    const QString number = QStringLiteral("%1").arg(frame.number, 3, 10, QLatin1Char('0'));
    return name.isEmpty() ? number + QStringLiteral(".png") : number + QLatin1Char('-') + name + QStringLiteral(".png");
}
