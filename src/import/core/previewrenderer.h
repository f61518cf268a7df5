#pragma once

#include "import/core/importoptions.h"
#include "import/core/picturereader.h"

#include "base/latestwork.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// Makes what the import dialog previews, off the window's thread, since choosing a frame's colours
// takes tens of milliseconds, an animation's many times that: the pictures of a file laid on the
// frame as the options say, then, one picture at a time, what the device will show of each. Only
// the latest request is worked on: one made meanwhile replaces it, and what the earlier one makes
// is dropped. The window never waits for it: when the renderer goes, its thread is left to finish
// the picture it is reading (a file on a slow disk) on its own, and then ends, telling nobody.
class PreviewRenderer : public QObject
{
    Q_OBJECT
public:
    struct Picture
    {
        QImage frame; // as the options lay it on the frame, full colour
        QImage shown; // as the device will show it; null until made
        int delayMs = 0; // how long an animation shows it
    };

    // How a file's pictures are read; PictureReader::read but where a test stands in for it.
    using Reader = std::function<bool(const QString &path, const ImportOptions &options, int limit,
                                      PictureReader::Read *out, QString *error)>;

    explicit PreviewRenderer(QObject *parent = nullptr, Reader reader = &PictureReader::read);
    // Returns at once, whatever the thread is doing.
    ~PreviewRenderer() override;

    void request(const QString &path, const ImportOptions &options);
    // Drops the pictures and whatever is being made.
    void clear();

    // What the latest request has made so far.
    const QList<Picture> &pictures() const { return m_pictures; }
    int shownCount() const { return m_shown; }
    // Why the picture cannot be previewed; empty when it can.
    QString problem() const { return m_problem; }
    // What the operator should know of how the picture is drawn; empty when nothing.
    QString caveat() const { return m_caveat; }
    bool isDone() const { return m_done; }

signals:
    // The latest request's pictures were read, or found unreadable (problem()).
    void picturesRead();
    // What the device shows of picture `index` is made.
    void shownMade(int index);
    // Everything the latest request asked for is made.
    void done();

private:
    // On the renderer's thread: what it hands back reaches `renderer` on the window's thread.
    static void render(const LatestWork::Run &run, PreviewRenderer *renderer, const Reader &reader, const QString &path,
                       const ImportOptions &options);

    Reader m_reader;
    LatestWork *m_work;

    QList<Picture> m_pictures;
    int m_shown = 0;
    QString m_problem;
    QString m_caveat;
    bool m_done = true;
};
