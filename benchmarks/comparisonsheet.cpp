#include "comparisonsheet.h"

#include <QPainter>

namespace ComparisonSheet {

bool write(const QString &path, const QList<std::array<QImage, 3>> &rows)
{
    constexpr int Gap = 4;
    constexpr int Heading = 18;
    const int width = 3 * 256 + 2 * Gap;
    QImage sheet(width, Heading + int(rows.size()) * (128 + Gap) - Gap, QImage::Format_RGB32);
    sheet.fill(QColor(40, 40, 40));
    QPainter painter(&sheet);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QStringList headings{QStringLiteral("picture"), QStringLiteral("ImageMagick, as the device shows it"),
                               QStringLiteral("ours, as the device shows it")};
    for (int column = 0; column < 3; ++column) {
        painter.drawText(QRect(column * (256 + Gap), 0, 256, Heading), Qt::AlignCenter, headings[column]);
        for (int row = 0; row < rows.size(); ++row)
            painter.drawImage(column * (256 + Gap), Heading + row * (128 + Gap), rows[row][size_t(column)]);
    }
    painter.end();
    return sheet.save(path, "PNG", 9);
}

} // namespace ComparisonSheet
