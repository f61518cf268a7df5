#pragma once

#include "frame/wireformat.h"
#include "import/core/importoptions.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Turns pictures into frame files in one folder, as one sequence in the order given: a still
// picture NAME.EXT into NAME.bmp, an animation into one file a picture, numbered from 000 and named
// so that the eight characters the device receives still tell them apart. Stills the device could
// not tell apart by their names (a numbered sequence intro_0001.png, intro_0002.png, ...) are
// named as the pictures of one animation, in the order given. At most 256 frames in all. An
// existing file is left alone unless overwriting is allowed; a frame file is never made twice in
// one run, so no picture's frames replace another's.
class PictureConverter
{
public:
    struct Outcome
    {
        QString source;
        QStringList written; // the frame files made, in order
        QStringList kept; // frame files that existed and were left alone, overwriting not allowed
        QString problem; // why the picture, or part of it, was not converted; empty when it was
        bool cancelled = false; // not all its frames were made because the conversion was cancelled
        QString caveat; // what the operator should know of how it was drawn; empty when nothing
    };

    PictureConverter(const ImportOptions &options, const QString &folder);

    void setOverwrite(bool overwrite) { m_overwrite = overwrite; }
    // Once *cancel is set, no further frame is made.
    void setCancel(const std::atomic<bool> *cancel) { m_cancel = cancel; }
    // Told after each frame written, with how many so far, on the thread that converts.
    void setProgress(std::function<void(int framesWritten)> progress) { m_progress = std::move(progress); }
    // How many threads read pictures and choose frames' colours; one a core unless set. The frame
    // files are written in order and are the same whatever the number.
    void setThreads(int threads) { m_threads = threads; }

    QList<Outcome> convert(const QStringList &pictures);

    // The files convert() would write, from the pictures' headers (to ask before overwriting).
    QStringList plannedFiles(const QStringList &pictures) const;

    // The frame file's name for picture `index` of the source.
    static QString frameFileName(const QString &source, int index, bool animated);

    // One frame for each frame number.
    static constexpr int MostFrames = WireFormat::HighestFrameNumber + 1;

private:
    bool cancelled() const { return m_cancel && m_cancel->load(); }
    // How many pictures each file holds, from its header (0 when unknown).
    static QVector<int> pictureCounts(const QStringList &pictures);
    // For each picture, its number in a sequence of stills named as one animation, or -1.
    static QVector<int> sequenceNumbers(const QStringList &pictures, const QVector<int> &counts);
    static QString fileName(const QString &picture, int sequenceNumber, int index, bool animated);

    ImportOptions m_options;
    QString m_folder;
    bool m_overwrite = false;
    const std::atomic<bool> *m_cancel = nullptr;
    std::function<void(int)> m_progress;
    int m_threads;
};
