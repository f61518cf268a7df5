#include "widgets/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace Artwork {

static QPixmap iconAt(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x20, 0x20, 0x20));
    painter.drawRoundedRect(QRectF(0, 2 * unit, 16 * unit, 12 * unit), unit, unit);
    painter.setBrush(Qt::white);
    for (int hole = 0; hole < 4; ++hole) {
        painter.drawRect(QRectF((1 + 4 * hole) * unit, 2.7 * unit, 2 * unit, 1.2 * unit));
        painter.drawRect(QRectF((1 + 4 * hole) * unit, 12.1 * unit, 2 * unit, 1.2 * unit));
    }
    painter.setBrush(QColor(0x00, 0x80, 0xC0));
    painter.drawRect(QRectF(1.5 * unit, 4.5 * unit, 13 * unit, 7 * unit));
    painter.setBrush(QColor(0xFF, 0xC0, 0x20));
    painter.drawEllipse(QRectF(5.5 * unit, 5.5 * unit, 5 * unit, 5 * unit));
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    icon.addPixmap(iconAt(16));
    icon.addPixmap(iconAt(32));
    return icon;
}

QPixmap makerLogo()
{
    QPixmap pixmap(107, 70);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 70);
    sky.setColorAt(0, QColor(0x00, 0x40, 0x80));
    sky.setColorAt(1, QColor(0x00, 0x90, 0xD0));
    painter.fillRect(pixmap.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xFF, 0xC0, 0x20));
    painter.drawEllipse(QRectF(6, 8, 22, 22));
    QFont font(QStringLiteral("Sans Serif"));
    font.setBold(true);
    font.setPixelSize(26);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 28, 107, 34), Qt::AlignCenter, QStringLiteral("VELM"));
    return pixmap;
}

} // namespace Artwork
