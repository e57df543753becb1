#include "ui/widgets/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "app/GlobalUnit.h"

namespace vard {

namespace {

// Squared distance between two rectangles; 0 when they touch or overlap.
qint64 distance2(const QRect &a, const QRect &b)
{
    const qint64 dx = std::max<qint64>({0, qint64(b.left()) - a.right(), qint64(a.left()) - b.right()});
    const qint64 dy = std::max<qint64>({0, qint64(b.top()) - a.bottom(), qint64(a.top()) - b.bottom()});
    return dx * dx + dy * dy;
}

bool reachable(const QRect &screen, const QRect &window)
{
    const QRect shown = screen & window;
    return !shown.isEmpty() && shown.width() >= std::min(kWindowGrip, window.width())
           && shown.height() >= std::min(kWindowGrip, window.height());
}

} // namespace

QRect FitOntoScreens(const QList<QRect> &screens, const QRect &wanted)
{
    if (screens.isEmpty())
        return wanted;
    for (const QRect &screen : screens) {
        if (reachable(screen, wanted))
            return wanted;
    }
    // The first of equally near screens: the primary one comes first.
    const QRect *nearest = &screens.front();
    for (const QRect &screen : screens) {
        if (distance2(screen, wanted) < distance2(*nearest, wanted))
            nearest = &screen;
    }
    const QRect &s = *nearest;
    const int width = std::min(wanted.width(), s.width());
    const int height = std::min(wanted.height(), s.height());
    const int left = std::clamp(wanted.left(), s.left(), s.left() + s.width() - width);
    const int top = std::clamp(wanted.top(), s.top(), s.top() + s.height() - height);
    return QRect(left, top, width, height);
}

void RestoreWindowPos(QWidget *window, const QString &name)
{
    const TWindowPos pos = ReadWindowPos(name);
    // Sized first, so that the window's own limits (a minimum size) count in the fit.
    window->resize(pos.Width, pos.Height);
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const QRect fitted = FitOntoScreens(screens, QRect(QPoint(pos.Left, pos.Top), window->size()));
    window->move(fitted.topLeft());
    if (fitted.size() != window->size())
        window->resize(fitted.size());
}

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
