#include "import/core/readerlog.h"

#include <QRegularExpression>

#include <atomic>
#include <cstdio>

namespace {

thread_local ReaderLog *t_log = nullptr;
std::atomic<QtMessageHandler> s_previous{nullptr};

// Said of what does not touch the pixels: a colour profile Qt leaves aside, libpng's word on a
// chunk that holds no pixels (iCCP, sRGB, tEXt, ...) unless its check sum fails.
bool harmless(const QMessageLogContext &context, const QString &message)
{
    static const QRegularExpression ancillaryChunk(QStringLiteral("^libpng warning: [a-z][A-Za-z]{3}: "));
    if (qstrcmp(context.category, "qt.gui.icc") == 0)
        return true;
    return ancillaryChunk.match(message).hasMatch() && !message.contains(QLatin1String("CRC"));
}

} // namespace

ReaderLog::ReaderLog()
    : m_outer(t_log)
{
    // Installed once, in front of whatever handler was there (the tests' own, or Qt's).
    static const bool installed = [] {
        s_previous.store(qInstallMessageHandler(&ReaderLog::handle));
        return true;
    }();
    Q_UNUSED(installed)
    t_log = this;
}

ReaderLog::~ReaderLog()
{
    t_log = m_outer;
}

void ReaderLog::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (ReaderLog *log = t_log) {
        if (type != QtDebugMsg && type != QtInfoMsg && !harmless(context, message))
            log->m_damage << message;
        return;
    }
    if (const QtMessageHandler previous = s_previous.load())
        previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}
