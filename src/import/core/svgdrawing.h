#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

// A drawing (SVG, or SVG compressed with gzip) held in memory and drawn at any size. It draws only
// what the document holds itself: nothing it names outside itself (a file beside it, a path, a web
// address) is read, so a drawing from elsewhere cannot put the operator's files on air or wait on
// a pipe. Drawn by librsvg where the build found it, as browsers draw; otherwise by Qt SVG, which
// leaves out clip paths, masks and filters, and says so (caveat()).
class SvgDrawing
{
public:
    // The most a document may have, as read and as inflated: far past any logo, short of what
    // takes the computer's memory.
    static constexpr qint64 MostBytes = qint64(32) << 20;

    SvgDrawing();
    ~SvgDrawing();
    SvgDrawing(const SvgDrawing &) = delete;
    SvgDrawing &operator=(const SvgDrawing &) = delete;

    // False with the reason (too large, not a drawing, no size) in *error, in words that follow
    // the file's name.
    bool load(const QByteArray &bytes, QString *error);
    // Its own size, in pixels at 96 dots an inch.
    QSizeF size() const { return m_size; }
    // A picture of `frame`'s size, the drawing scaled into `placement`, transparent elsewhere;
    // null with the reason in *error.
    QImage draw(const QRect &placement, const QSize &frame, QString *error) const;
    // What the operator should know of how it is drawn; empty when nothing.
    QString caveat() const { return m_caveat; }

private:
    // The document, inflated when it came compressed; false when it is too large.
    static bool inflated(const QByteArray &bytes, QByteArray *document, QString *error);
    // In the drawing library's own file: reads the document, sets m_size and m_caveat.
    bool parse(const QByteArray &document, QString *error);

    struct Library;
    std::unique_ptr<Library> m_library;
    QSizeF m_size;
    QString m_caveat;
};
