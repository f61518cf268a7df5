#include "cli/uploadreport.h"

#include "base/duration.h"
#include "upload/core/uploadstate.h"

#include <QTextStream>

#include <algorithm>

UploadReport::UploadReport(QTextStream &out, QTextStream &err, bool quiet, bool progress)
    : m_out(out)
    , m_err(err)
    , m_quiet(quiet)
    , m_progress(progress && !quiet)
{ }

void UploadReport::addDestination(const QString &label)
{
    std::lock_guard lock(m_mutex);
    m_labels << label;
    m_rows.push_back(Row());
}

void UploadReport::setFrameCount(int destination, int frameCount)
{
    std::lock_guard lock(m_mutex);
    m_rows[size_t(destination)].frameCount = frameCount;
}

void UploadReport::frameStarting(int destination, int position, const QString &name)
{
    std::lock_guard lock(m_mutex);
    m_rows[destination].position = position;
    m_rows[destination].name = name;
    m_changed = true;
}

void UploadReport::frameSent(int destination, const QString &line, qint64 estimatedTotalMs)
{
    std::lock_guard lock(m_mutex);
    Row &row = m_rows[destination];
    row.estimateMs = estimatedTotalMs;
    if (++row.sent == row.frameCount)
        row.endMs = m_clock.nowMs(); // its time stands still while the others go on
    if (!m_quiet)
        m_pending << (m_labels.size() > 1 ? m_labels.at(destination) + QStringLiteral(": ") + line : line);
    m_changed = true;
}

void UploadReport::post(int destination, const QString &line)
{
    std::lock_guard lock(m_mutex);
    m_pending << (m_labels.size() > 1 ? m_labels.at(destination) + QStringLiteral(": ") + line : line);
    m_changed = true;
}

void UploadReport::failed(int destination, const QString &reason, const QStringList &lines)
{
    {
        std::lock_guard lock(m_mutex);
        Row &row = m_rows[destination];
        // A progress line is redrawn in place only while it fits on one line of the terminal.
        row.failure = reason.section(QStringLiteral(". "), 0, 0);
        if (row.failure.size() > 60)
            row.failure = row.failure.left(57) + QStringLiteral("...");
        m_changed = true;
    }
    clearProgress();
    for (const QString &line : lines)
        m_err << line << Qt::endl;
}

void UploadReport::note(const QString &line)
{
    clearProgress();
    m_err << line << Qt::endl;
}

void UploadReport::clearProgress()
{
    if (m_shownLines == 0)
        return;
    // Back to the first progress line, then everything below it goes.
    if (m_shownLines > 1)
        m_err << QStringLiteral("\033[%1A").arg(m_shownLines - 1);
    m_err << "\r\033[J" << Qt::flush;
    m_shownLines = 0;
}

void UploadReport::show(const QVector<const UploadState *> &states)
{
    QStringList lines;
    std::vector<Row> rows;
    const bool changed = takePosted(&lines, &rows);
    const qint64 now = m_clock.nowMs();
    const bool redraw = m_progress && (changed || now - m_lastShownMs >= 200);
    if (lines.isEmpty() && !redraw)
        return;
    if (redraw || !lines.isEmpty())
        clearProgress();
    for (const QString &line : qAsConst(lines))
        m_out << line << Qt::endl;
    if (!m_progress)
        return;
    m_lastShownMs = now;
    for (int i = 0; i < int(rows.size()); ++i) {
        QString text = progressLine(rows[size_t(i)], *states.at(i), now);
        if (rows.size() > 1)
            text = m_labels.at(i) + QStringLiteral("  ") + text;
        m_err << (i > 0 ? "\n" : "") << text;
    }
    m_err << Qt::flush;
    m_shownLines = int(rows.size());
}

bool UploadReport::takePosted(QStringList *lines, std::vector<Row> *rows)
{
    std::lock_guard lock(m_mutex);
    lines->swap(m_pending);
    *rows = m_rows;
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

QString UploadReport::progressLine(const Row &row, const UploadState &state, qint64 now) const
{
    if (!row.failure.isEmpty())
        return QStringLiteral("failed: ") + row.failure;
    const int percent = int(qint64(state.ProgressValue.load()) * 100
                            / (qint64(std::max(1, row.frameCount)) * UploadState::ProgressPerFrame));
    QString text = QStringLiteral("Frame %1 of %2  %3  %4%  elapsed %5")
                       .arg(row.position)
                       .arg(row.frameCount)
                       .arg(row.name)
                       .arg(percent)
                       .arg(formatDuration((row.endMs >= 0 ? row.endMs : now) - state.UploadStartTime.load()));
    if (row.estimateMs > 0)
        text += QStringLiteral("  estimated %1").arg(formatDuration(row.estimateMs));
    return text;
}

void UploadReport::finish()
{
    m_progress = false;
    clearProgress();
    show({});
}
