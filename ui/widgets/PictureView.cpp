#include "ui/widgets/PictureView.h"

#include <QPainter>

PictureView::PictureView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

void PictureView::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

bool PictureView::loadPicture(const QString &path)
{
    QImage image;
    if (!image.load(path))
        return false;
    setPicture(image);
    return true;
}

void PictureView::setPictureScale(double scale)
{
    if (scale == m_scale)
        return;
    m_scale = scale;
    update();
}

void PictureView::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(0, 0, m_picture.width() * m_scale, m_picture.height() * m_scale), m_picture);
}

ShapeWidget::ShapeWidget(Kind kind, QWidget *parent) : QWidget(parent), m_kind(kind)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::setColors(const QColor &fill, const QColor &outline)
{
    if (fill == m_fill && outline == m_outline)
        return;
    m_fill = fill;
    m_outline = outline;
    update();
}

void ShapeWidget::setFrameOnly(bool frameOnly)
{
    m_frameOnly = frameOnly;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(m_outline);
    if (m_frameOnly)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(m_fill);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (m_kind == Kind::Circle) {
        p.setRenderHint(QPainter::Antialiasing);
        p.drawEllipse(r);
    } else {
        p.drawRect(r);
    }
}
