#include "ui/widgets/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace vard {

void CentreOnScreen(QWidget *window, QWidget *owner)
{
    QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->adjustSize();
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace vard
