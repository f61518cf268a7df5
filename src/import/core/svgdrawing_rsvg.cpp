// glib's headers name a member "signals", which Qt's keyword would replace: librsvg comes first.
#include <librsvg/rsvg.h>

#include "import/core/svgdrawing.h"

// Drawn by librsvg, as browsers draw (clip paths, masks, filters). The handle is made from the
// bytes alone, with no file or address beside them, so it has nothing to resolve a reference
// against and loads nothing but the document (data: addresses inside it).

struct SvgDrawing::Library
{
    RsvgHandle *handle = nullptr;

    ~Library()
    {
        if (handle)
            g_object_unref(handle);
    }
};

namespace {

QString taken(GError *error)
{
    const QString text = error ? QString::fromUtf8(error->message).trimmed() : QString();
    if (error)
        g_error_free(error);
    return text;
}

} // namespace

SvgDrawing::SvgDrawing() = default;
SvgDrawing::~SvgDrawing() = default;

bool SvgDrawing::parse(const QByteArray &document, QString *error)
{
    m_library = std::make_unique<Library>();
    GError *failure = nullptr;
    m_library->handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8 *>(document.constData()),
                                                  gsize(document.size()), &failure);
    if (!m_library->handle) {
        *error = QStringLiteral("is not a drawing: %1").arg(taken(failure));
        return false;
    }
    rsvg_handle_set_dpi(m_library->handle, 96);
    double width = 0, height = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(m_library->handle, &width, &height)) {
        // Width and height in percent (or none): the view box tells the proportions.
        gboolean hasWidth = false, hasHeight = false, hasViewBox = false;
        RsvgLength ignoredWidth, ignoredHeight;
        RsvgRectangle viewBox{};
        rsvg_handle_get_intrinsic_dimensions(m_library->handle, &hasWidth, &ignoredWidth, &hasHeight, &ignoredHeight,
                                             &hasViewBox, &viewBox);
        width = hasViewBox ? viewBox.width : 0;
        height = hasViewBox ? viewBox.height : 0;
    }
    m_size = QSizeF(width, height);
    return true;
}

QImage SvgDrawing::draw(const QRect &placement, const QSize &frame, QString *error) const
{
    QImage image(frame, QImage::Format_ARGB32_Premultiplied); // cairo's ARGB32 to the byte
    image.fill(Qt::transparent);
    cairo_surface_t *surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(),
                                                                   image.height(), int(image.bytesPerLine()));
    cairo_t *cairo = cairo_create(surface);
    // Scaled on each axis apart, so a stretched drawing fills the frame whatever its own aspect.
    cairo_translate(cairo, placement.x(), placement.y());
    cairo_scale(cairo, placement.width() / m_size.width(), placement.height() / m_size.height());
    const RsvgRectangle viewport{0, 0, m_size.width(), m_size.height()};
    GError *failure = nullptr;
    const bool drawn = rsvg_handle_render_document(m_library->handle, cairo, &viewport, &failure);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    if (!drawn) {
        *error = taken(failure);
        return QImage();
    }
    return image;
}
