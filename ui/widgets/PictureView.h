#pragma once
// A picture drawn from the top-left corner at one scale for both axes, on the button
// face colour; child widgets (value labels) are laid over it by the owner.

#include <QImage>
#include <QWidget>

class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
    // False, and the picture shown before stays, when the file cannot be read.
    bool loadPicture(const QString &path);
    const QImage &picture() const { return m_picture; }
    void setPictureScale(double scale);
    double pictureScale() const { return m_scale; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
    double m_scale = 0.8;
};

// A filled shape (rectangle or circle) with an outline: lamps, frames, backgrounds.
class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Rectangle, Circle };
    explicit ShapeWidget(Kind kind, QWidget *parent = nullptr);

    void setColors(const QColor &fill, const QColor &outline);
    // No fill: only the outline is drawn.
    void setFrameOnly(bool frameOnly);
    QColor fillColor() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
    QColor m_fill = Qt::white;
    QColor m_outline = Qt::black;
    bool m_frameOnly = false;
};
