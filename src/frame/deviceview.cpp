#include "frame/deviceview.h"

#include "frame/wireformat.h"

namespace DeviceView {

int shownLevel(int sixBits)
{
    // round(L * 255 / 63); 63 is odd, so the quotient never falls exactly on a half.
    constexpr int Top = 63;
    return (qBound(0, sixBits, Top) * 255 + Top / 2) / Top;
}

QRgb shown(QRgb entry)
{
    return qRgb(shownLevel(WireFormat::sixBits(qRed(entry))), shownLevel(WireFormat::sixBits(qGreen(entry))),
                shownLevel(WireFormat::sixBits(qBlue(entry))));
}

QImage shown(const QImage &picture)
{
    if (picture.isNull())
        return picture;
    if (picture.format() == QImage::Format_Indexed8) {
        QImage result = picture;
        QVector<QRgb> table = result.colorTable();
        for (QRgb &entry : table)
            entry = shown(entry);
        result.setColorTable(table);
        return result;
    }
    QImage result = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            row[x] = shown(row[x]);
    }
    return result;
}

} // namespace DeviceView
