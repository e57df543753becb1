#include "ui/widgets/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

PaintBox::PaintBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage &PaintBox::canvas()
{
    if (m_buffer.size() != size())
        m_buffer = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    return m_buffer;
}

void PaintBox::present()
{
    m_shown = m_buffer;
    update();
}

void PaintBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_shown.isNull())
        p.fillRect(rect(), palette().button());
    else
        p.drawImage(0, 0, m_shown);
}

void PaintBox::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->position().toPoint(), event->button());
}
