#pragma once
// The 32 x 32 tool-bar pictures the tool windows share, drawn rather than shipped so
// they stay sharp at any screen scale.

#include <QIcon>
#include <QString>

class QPainter;
class QToolButton;
class QWidget;

namespace vard {

constexpr int kToolIconSize = 32;

// An icon drawn by `draw` on a 32 x 32 grid, at one and at two times the size.
QIcon MakeToolIcon(void (*draw)(QPainter &));
// A flat tool button carrying the icon.
QToolButton *MakeToolButton(const QString &name, const QIcon &icon, QWidget *parent);

// A floppy disk: save.
void DrawSaveIcon(QPainter &p);

} // namespace vard
