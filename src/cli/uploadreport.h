#pragma once

#include "base/clock.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <mutex>
#include <vector>

class QTextStream;
struct UploadState;

// What drelin-upload tells the terminal while its destinations send: a line per frame sent and a
// progress line per destination. The destinations' threads post; only the main thread prints, so
// the streams are never written from two threads at once.
class UploadReport
{
public:
    UploadReport(QTextStream &out, QTextStream &err, bool quiet, bool progress);

    // Before the destinations start, in their order. With one, the lines carry no label.
    void addDestination(const QString &label);
    // Before it starts: how many frames the destination is sent (each may get its own set).
    void setFrameCount(int destination, int frameCount);

    // From a destination's thread.
    void frameStarting(int destination, int position, const QString &name);
    void frameSent(int destination, const QString &line, qint64 estimatedTotalMs);
    // A line printed with the others (labelled when there are several destinations), even when quiet.
    void post(int destination, const QString &line);

    // On the main thread: a line the operator may want to know, printed on err at once.
    void note(const QString &line);

    // On the main thread, the moment a destination fails while others may go on: lines are
    // printed on err at once, and its progress line says "failed: " and the reason from then on.
    void failed(int destination, const QString &reason, const QStringList &lines);

    // On the main thread: the lines posted so far, and the progress lines redrawn at most five
    // times a second unless a frame began or ended.
    void show(const QVector<const UploadState *> &states);
    // Clears the progress lines for good and prints what is left.
    void finish();

private:
    struct Row
    {
        int position = 0;
        QString name;
        qint64 estimateMs = 0;
        int frameCount = 0;
        int sent = 0;
        qint64 endMs = -1; // when the last frame went out
        QString failure; // why it failed, when it did
    };
    void clearProgress();
    // What the destinations posted since the last look: the lines, a copy of the rows, and
    // whether anything changed.
    bool takePosted(QStringList *lines, std::vector<Row> *rows);
    // A destination's progress line, without its label.
    QString progressLine(const Row &row, const UploadState &state, qint64 now) const;

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_quiet;
    bool m_progress;
    QStringList m_labels;

    std::mutex m_mutex; // guards the three below
    // Not a QVector: the main thread copies the rows under the lock, and an implicitly shared copy
    // would let a destination write into the very rows being shown.
    std::vector<Row> m_rows;
    QStringList m_pending;
    bool m_changed = false;

    int m_shownLines = 0; // progress lines on the terminal now
    qint64 m_lastShownMs = -1000;
    SteadyClock m_clock;
};
