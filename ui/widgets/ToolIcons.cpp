#include "ui/widgets/ToolIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace vard {

QIcon MakeToolIcon(void (*draw)(QPainter &))
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kToolIconSize * scale, kToolIconSize * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QToolButton *MakeToolButton(const QString &name, const QIcon &icon, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(kToolIconSize, kToolIconSize));
    button->setAutoRaise(true);
    return button;
}

void DrawSaveIcon(QPainter &p)
{
    p.setPen(QPen(QColor(25, 55, 110), 1));
    p.setBrush(QColor(45, 95, 175));
    p.drawRoundedRect(QRectF(3.5, 3.5, 25, 25), 2.5, 2.5);
    p.setBrush(QColor(205, 210, 215));
    p.drawRect(QRectF(9.5, 3.5, 13, 9)); // shutter
    p.setBrush(QColor(45, 95, 175));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(17, 5, 3, 6));
    p.setPen(QPen(QColor(25, 55, 110), 1));
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(QRectF(7.5, 16.5, 17, 12)); // label
    p.setPen(QPen(QColor(120, 140, 170), 1.5));
    p.drawLine(QPointF(10, 20.5), QPointF(22, 20.5));
    p.drawLine(QPointF(10, 24.5), QPointF(22, 24.5));
}

} // namespace vard
