#pragma once

#include <QList>
#include <QRect>

class QString;
class QWidget;

namespace vard {

// Where a window restored at `wanted` goes, given the screens' available areas: where
// it was when a grip of it (kWindowGrip pixels each way, or all of it when smaller)
// lies on some screen; otherwise onto the nearest screen, moved as little as it takes
// and shrunk only where that screen is smaller. No screens: as wanted.
inline constexpr int kWindowGrip = 32;
QRect FitOntoScreens(const QList<QRect> &screens, const QRect &wanted);

// Reads the window's position and size from "Vard.pos" under `name` and applies them,
// fitted onto the screens there are now: a position saved on a screen that has since
// gone (or written by hand) never leaves the window out of reach.
void RestoreWindowPos(QWidget *window, const QString &name);

// Sizes the window to its contents and puts it in the middle of the screen its owner
// is on (the primary screen without an owner), as the dialogs open.
void CentreOnScreen(QWidget *window, QWidget *owner = nullptr);

} // namespace vard
