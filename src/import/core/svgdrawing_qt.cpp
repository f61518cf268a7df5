#include "import/core/svgdrawing.h"

#include "import/core/svgdocument.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

// Drawn by Qt SVG where librsvg is not at hand (the Windows build). Qt SVG would open a file an
// <image> names, so it is given the document without such references; it leaves out clip paths,
// masks and filters, which the caveat tells when the drawing uses them.

struct SvgDrawing::Library
{
    QByteArray document;
};

namespace {

// A reader of the document, its size and its clip asked for before it reads.
struct DocumentReader
{
    QByteArray document;
    QBuffer buffer{&document};
    QImageReader reader;

    explicit DocumentReader(const QByteArray &bytes)
        : document(bytes)
    {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat("svg");
    }
};

} // namespace

SvgDrawing::SvgDrawing() = default;
SvgDrawing::~SvgDrawing() = default;

bool SvgDrawing::parse(const QByteArray &document, QString *error)
{
    SvgDocument::SelfContained safe;
    QString why;
    if (!SvgDocument::selfContained(document, &safe, &why)) {
        *error = QStringLiteral("is not a drawing: %1").arg(why);
        return false;
    }
    DocumentReader read(safe.document);
    if (!read.reader.canRead()) {
        *error = QStringLiteral("is not a drawing this program reads");
        return false;
    }
    m_size = read.reader.size().isValid() ? QSizeF(read.reader.size()) : QSizeF(0, 0);
    if (!safe.effects.isEmpty())
        m_caveat = QStringLiteral("may be drawn incompletely: it uses %1, which this build of the program does not "
                                  "draw")
                       .arg(safe.effects.join(QStringLiteral(", ")));
    m_library = std::make_unique<Library>();
    m_library->document = safe.document;
    return true;
}

QImage SvgDrawing::draw(const QRect &placement, const QSize &frame, QString *error) const
{
    // Drawn at the placement's size, only the part inside the frame (a filled frame crops it).
    const QRect visible = placement.intersected(QRect(QPoint(0, 0), frame));
    DocumentReader read(m_library->document);
    read.reader.setScaledSize(placement.size());
    read.reader.setScaledClipRect(visible.translated(-placement.topLeft()));
    const QImage part = read.reader.read();
    if (part.isNull()) {
        *error = read.reader.errorString();
        return QImage();
    }
    QImage image(frame, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(visible.topLeft(), part);
    return image;
}
