#include "widgets/screenplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace ScreenPlacement {

QPoint centred(const QSize &outer, const QRect &available)
{
    return {std::max(available.left(), available.left() + (available.width() - outer.width()) / 2),
            std::max(available.top(), available.top() + (available.height() - outer.height()) / 2)};
}

void centre(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(centred(window->frameGeometry().size(), screen->availableGeometry()));
}

} // namespace ScreenPlacement
