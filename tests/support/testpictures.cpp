#include "testpictures.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace TestPictures {

namespace {

constexpr int Width = 256;
constexpr int Height = 128;
constexpr double Pi = 3.14159265358979323846;

int component(double value)
{
    return qBound(0, int(std::lround(value)), 255);
}

QImage blank()
{
    return QImage(Width, Height, QImage::Format_RGB32);
}

} // namespace

QImage gradient()
{
    QImage image = blank();
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x)
            image.setPixel(x, y, qRgb(x, (x + 2 * y) / 3, 255 - y * 2));
    }
    return image;
}

QImage greyRamp()
{
    QImage image = blank();
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const int grey = y < Height / 2 ? x : x / 4;
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    }
    return image;
}

QImage photoLike()
{
    QImage image = blank();
    quint32 seed = 7;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const double sun = std::exp(-((x - 180) * (x - 180) + (y - 40) * (y - 40)) / 900.0);
            image.setPixel(x, y,
                           qRgb(qBound(0, int(60 + 190 * sun) + noise, 255),
                                qBound(0, int(90 + 120 * sun) + noise, 255), qBound(0, int(200 - y + noise), 255)));
        }
    }
    return image;
}

QImage logo()
{
    QImage image = blank();
    image.fill(QColor(18, 40, 96));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 40, 50));
    painter.drawEllipse(QPointF(52, 64), 40.5, 40.5);
    painter.setBrush(QColor(250, 200, 30));
    painter.drawRoundedRect(QRectF(104.5, 24.3, 70, 44), 12, 12);
    painter.setBrush(QColor(40, 170, 90));
    painter.drawRoundedRect(QRectF(112.2, 78.6, 54, 34), 8, 8);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? 16 : 40;
        const double angle = -Pi / 2 + i * Pi / 5;
        const QPointF corner(214 + radius * std::cos(angle), 66 + radius * std::sin(angle));
        if (i == 0)
            star.moveTo(corner);
        else
            star.lineTo(corner);
    }
    star.closeSubpath();
    painter.setBrush(QColor(245, 245, 240));
    painter.drawPath(star);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(120, 200, 255), 1.3));
    for (int i = 0; i < 4; ++i)
        painter.drawLine(QPointF(8, 6.5 + 3.7 * i), QPointF(248, 14 + 3.7 * i));
    return image;
}

QImage skinTones()
{
    // From a pale tone to a deep one, through the warm middle.
    const double light[3] = {255, 224, 196};
    const double middle[3] = {198, 134, 96};
    const double dark[3] = {72, 40, 30};
    QImage image = blank();
    for (int y = 0; y < Height; ++y) {
        const double t = y / double(Height - 1);
        for (int x = 0; x < Width; ++x) {
            const double shade = 0.62 + 0.4 * std::sin(Pi * x / Width);
            double c[3];
            for (int i = 0; i < 3; ++i) {
                c[i] = t < 0.5 ? light[i] + (middle[i] - light[i]) * t * 2
                               : middle[i] + (dark[i] - middle[i]) * (t - 0.5) * 2;
            }
            image.setPixel(x, y, qRgb(component(c[0] * shade), component(c[1] * shade), component(c[2] * shade)));
        }
    }
    return image;
}

QImage hues()
{
    QImage image = blank();
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const double v = y < Height / 2 ? 1.0 : 1.0 - (y - Height / 2) / double(Height / 2);
            const double s = y < Height / 2 ? y / double(Height / 2) : 1.0;
            image.setPixel(x, y, QColor::fromHsvF(float(x) / Width, float(s), float(v)).rgb());
        }
    }
    return image;
}

QList<Named> all()
{
    return {{QStringLiteral("gradient"), gradient()},    {QStringLiteral("grey ramp"), greyRamp()},
            {QStringLiteral("photo-like"), photoLike()}, {QStringLiteral("logo"), logo()},
            {QStringLiteral("skin tones"), skinTones()}, {QStringLiteral("hues"), hues()}};
}

} // namespace TestPictures
