#pragma once
// A paint box with an off-screen 32-bit buffer: the owner paints a whole frame into
// canvas() and calls present(), which shows it in one step, so nothing flickers.

#include <QImage>
#include <QWidget>

class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget *parent = nullptr);

    // The buffer, the size of the widget (resized, and then undefined, when the
    // widget's size changed since the last call).
    QImage &canvas();
    // Shows what was painted into the buffer.
    void present();

signals:
    void mousePressed(QPoint position, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_buffer;
    QImage m_shown;
};
