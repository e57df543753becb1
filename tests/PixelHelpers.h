#pragma once
// What the operator sees: how many pixels of an image (or of a part of it) have about
// a given colour.

#include <QColor>
#include <QImage>
#include <QRect>

inline int pixelsNear(const QImage &image, const QColor &colour, int tolerance = 40, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += qAbs(c.red() - colour.red()) < tolerance && qAbs(c.green() - colour.green()) < tolerance
                 && qAbs(c.blue() - colour.blue()) < tolerance;
        }
    }
    return n;
}
