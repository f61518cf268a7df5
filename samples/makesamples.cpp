// Draws the sample frames the program opens on: 256 x 128 8-bit bitmaps of the project's own
// making. Usage: makesamples FOLDER
#include "frame/framebitmap.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

void drawLogo(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, 128);
    sky.setColorAt(0, QColor(0, 40, 110));
    sky.setColorAt(1, QColor(0, 150, 210));
    p.fillRect(0, 0, 256, 128, sky);
    p.setBrush(QColor(255, 190, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(44, 40), 26, 26);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(54);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 50, 256, 70), Qt::AlignCenter, QStringLiteral("VELM"));
}

void drawBars(QPainter &p)
{
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue, Qt::black};
    for (int i = 0; i < 8; ++i)
        p.fillRect(i * 32, 0, 32, 96, bars[i]);
    for (int x = 0; x < 256; ++x)
        p.fillRect(x, 96, 1, 32, QColor(x, x, x));
}

void drawClock(QPainter &p)
{
    p.fillRect(0, 0, 256, 128, QColor(20, 20, 30));
    p.setPen(QPen(QColor(230, 230, 230), 4));
    p.setBrush(QColor(60, 60, 80));
    p.drawEllipse(QPointF(128, 64), 56, 56);
    for (int h = 0; h < 12; ++h) {
        const double a = h * M_PI / 6;
        p.drawLine(QPointF(128 + 46 * std::sin(a), 64 - 46 * std::cos(a)),
                   QPointF(128 + 54 * std::sin(a), 64 - 54 * std::cos(a)));
    }
    p.setPen(QPen(QColor(255, 200, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(128, 64), QPointF(128 + 28 * std::sin(M_PI / 3), 64 - 28 * std::cos(M_PI / 3)));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(128, 64), QPointF(128, 18));
}

void drawBadge(QPainter &p, const QColor &colour, const QString &text)
{
    p.fillRect(0, 0, 256, 128, Qt::black);
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(28, 24, 200, 80), 18, 18);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(50);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(28, 24, 200, 80), Qt::AlignCenter, text);
}

void drawRings(QPainter &p)
{
    p.fillRect(0, 0, 256, 128, Qt::white);
    const QColor rings[] = {QColor(0, 129, 200), Qt::black, QColor(238, 51, 78), QColor(252, 177, 49),
                            QColor(0, 166, 81)};
    const QPointF centres[] = {{72, 50}, {128, 50}, {184, 50}, {100, 80}, {156, 80}};
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(rings[i], 7));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centres[i], 26, 26);
    }
}

bool save(const QString &folder, const QString &name, const std::function<void(QPainter &)> &draw)
{
    QImage canvas(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
    }
    QImage frame = canvas.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    frame.setColorCount(FrameBitmap::PaletteSize); // the device takes a full colour table
    const QString path = QDir(folder).filePath(name + QStringLiteral(".bmp"));
    if (!frame.save(path, "BMP"))
        return false;
    // Only a file the program would send is a sample.
    return FrameBitmapReader::readFile(path).has_value();
}

} // namespace

int main(int argc, char *argv[])
{
    // Text needs fonts, and fonts need a platform; this program never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: makesamples FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const bool ok = save(folder, QStringLiteral("logo"), drawLogo) && save(folder, QStringLiteral("bars"), drawBars)
        && save(folder, QStringLiteral("clock"), drawClock)
        && save(folder, QStringLiteral("live"),
                [](QPainter &p) { drawBadge(p, QColor(200, 20, 30), QStringLiteral("LIVE")); })
        && save(folder, QStringLiteral("news"),
                [](QPainter &p) { drawBadge(p, QColor(20, 90, 200), QStringLiteral("NEWS")); })
        && save(folder, QStringLiteral("rings"), drawRings);
    if (!ok)
        std::fprintf(stderr, "makesamples: could not write the sample frames to %s\n", argv[1]);
    return ok ? 0 : 1;
}
