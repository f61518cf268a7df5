#include "import/core/svgdrawing.h"

#include <QLocale>

#include <zlib.h>

namespace {

QString dataSize(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1);
}

} // namespace

bool SvgDrawing::inflated(const QByteArray &bytes, QByteArray *document, QString *error)
{
    const QString limit = dataSize(MostBytes);
    if (bytes.size() > MostBytes) {
        *error = QStringLiteral("is a drawing of %1, more than the %2 this program reads")
                     .arg(dataSize(bytes.size()), limit);
        return false;
    }
    if (!bytes.startsWith("\x1f\x8b")) {
        *document = bytes;
        return true;
    }
    // Inflated here, a piece at a time, so a small file that would inflate past any memory stops
    // at the limit.
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) { // gzip's header
        *error = QStringLiteral("cannot be inflated");
        return false;
    }
    document->clear();
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    char piece[65536];
    int status = Z_OK;
    while (status == Z_OK && document->size() <= MostBytes) {
        stream.next_out = reinterpret_cast<Bytef *>(piece);
        stream.avail_out = sizeof piece;
        status = inflate(&stream, Z_NO_FLUSH);
        document->append(piece, qsizetype(sizeof piece - stream.avail_out));
    }
    inflateEnd(&stream);
    if (document->size() > MostBytes) {
        document->clear();
        *error = QStringLiteral("is a compressed drawing of %1 that inflates to more than the %2 this program reads")
                     .arg(dataSize(bytes.size()), limit);
        return false;
    }
    if (status != Z_STREAM_END) {
        *error =
            QStringLiteral("is damaged: its compressed data %1")
                .arg(status == Z_BUF_ERROR ? QStringLiteral("is cut short") : QStringLiteral("cannot be inflated"));
        return false;
    }
    return true;
}

bool SvgDrawing::load(const QByteArray &bytes, QString *error)
{
    QByteArray document;
    QString why;
    m_size = QSizeF();
    m_caveat.clear();
    if (!inflated(bytes, &document, &why) || !parse(document, &why)) {
        if (error)
            *error = why;
        return false;
    }
    if (!(m_size.width() > 0 && m_size.height() > 0)) {
        if (error)
            *error = QStringLiteral("has no size (%1 x %2): there is nothing to draw")
                         .arg(m_size.width())
                         .arg(m_size.height());
        return false;
    }
    return true;
}
