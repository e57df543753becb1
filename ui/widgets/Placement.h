#pragma once

class QWidget;

namespace vard {

// Sizes the window to its contents and puts it in the middle of the screen its owner
// is on (the primary screen without an owner), as the dialogs open.
void CentreOnScreen(QWidget *window, QWidget *owner = nullptr);

} // namespace vard
