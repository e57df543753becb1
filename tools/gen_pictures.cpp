// Draws the pictures of the graphic view at build time: one schematic per machine type,
// the "no machine" picture and the start picture the main window holds before any
// machine is identified. Everything is drawn here in code, so the pictures follow the
// label positions of the graphic view exactly and need no artwork files.
//
//   gen_pictures <picture dir> <start picture.png> [--preview <dir>]
//
// The machine pictures go to <picture dir> as 32-bit BMP files of 981 x 567 pixels. The
// program shows them at 0.8 of their size and lays its value labels over them with the
// top-left corner at a fixed point in view units (picture pixel = view unit / 0.8); each
// zone below is drawn so that its label lands on it. --preview additionally writes the
// pictures as the program shows them, with stand-in labels, at three window widths.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <QTextStream>
#include <QtEndian>

#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 981;
constexpr int kHeight = 567;
constexpr double kViewScale = 0.8; // the program's picture scale at design size
constexpr double kPi = 3.14159265358979323846;

// Picture pixel of a point given in the graphic view's design units.
constexpr double px(double viewUnits) { return viewUnits / kViewScale; }

// ------------------------------------------------------------------ palette

const QColor kInk(0x36, 0x40, 0x4a);
const QColor kInkSoft(0x6b, 0x76, 0x82);
const QColor kSteelHi(0xf3, 0xf5, 0xf7);
const QColor kSteel(0xdb, 0xe0, 0xe6);
const QColor kSteelMid(0xc3, 0xcb, 0xd3);
const QColor kSteelDark(0x9a, 0xa5, 0xb0);
const QColor kBrand(0x15, 0x4a, 0x80);
const QColor kBrandHi(0x2a, 0x6c, 0xab);
const QColor kHeat(0xe8, 0x6a, 0x1c);
const QColor kCold(0x3b, 0x8e, 0xd0);

QFont sansFont(int pixelSize, bool bold)
{
    // Only the family name: fontconfig picks whatever the system offers for it.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// ------------------------------------------------------------------ drawing helpers

void fillBox(QPainter &p, const QRectF &r, const QColor &top, const QColor &bottom, double radius = 0,
             double penWidth = 1.5, const QColor &pen = kInk)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(penWidth > 0 ? QPen(pen, penWidth) : QPen(Qt::NoPen));
    if (radius > 0)
        p.drawRoundedRect(r, radius, radius);
    else
        p.drawRect(r);
}

void drawBackground(QPainter &p)
{
    QLinearGradient g(0, 0, 0, kHeight);
    g.setColorAt(0, QColor(0xf8, 0xf9, 0xfb));
    g.setColorAt(0.8, QColor(0xee, 0xf0, 0xf3));
    g.setColorAt(1, QColor(0xe3, 0xe6, 0xea));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), g);
}

// A soft elliptic shadow the machine stands on.
void drawFloorShadow(QPainter &p, double x0, double x1, double y, double depth = 16)
{
    const double w = (x1 - x0) / 2;
    p.save();
    p.translate((x0 + x1) / 2, y);
    p.scale(1, depth / w);
    QRadialGradient g(QPointF(0, 0), w);
    g.setColorAt(0, QColor(40, 50, 60, 70));
    g.setColorAt(0.7, QColor(40, 50, 60, 40));
    g.setColorAt(1, QColor(40, 50, 60, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), w, w);
    p.restore();
}

// The inside of a chamber seen through the cut-away: a tinted cavity with a lighter
// lining along the walls.
void drawCavity(QPainter &p, const QRectF &r, const QColor &tint)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, tint.lighter(106));
    g.setColorAt(1, tint.darker(106));
    p.setBrush(g);
    p.setPen(QPen(kInk, 1.4));
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 110), 3));
    p.drawRect(r.adjusted(3, 3, -3, -3));
}

// A glowing heating wire seen from the side.
void drawHeaterCoil(QPainter &p, double x0, double x1, double y, double amp, const QColor &glow)
{
    QPainterPath wire;
    const int cycles = std::max(2, int((x1 - x0) / (amp * 2.4)));
    const int steps = cycles * 16;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const QPointF pt(x0 + (x1 - x0) * t, y + amp * std::sin(2 * kPi * cycles * t));
        if (i == 0)
            wire.moveTo(pt);
        else
            wire.lineTo(pt);
    }
    p.setBrush(Qt::NoBrush);
    QColor halo = glow;
    halo.setAlpha(60);
    p.setPen(QPen(halo, amp * 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wire);
    p.setPen(QPen(glow.darker(115), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wire);
    p.setPen(QPen(QColor(255, 236, 170), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wire);
    // terminals
    fillBox(p, QRectF(x0 - 7, y - 5, 7, 10), kSteel, kSteelDark, 1.5, 1.0);
    fillBox(p, QRectF(x1, y - 5, 7, 10), kSteel, kSteelDark, 1.5, 1.0);
}

// A perforated plate that spreads the heated air over the boards.
void drawNozzlePlate(QPainter &p, double x0, double x1, double y)
{
    fillBox(p, QRectF(x0, y, x1 - x0, 6), kSteelMid, kSteelDark, 0, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kInkSoft);
    for (double x = x0 + 6; x < x1 - 4; x += 9)
        p.drawEllipse(QPointF(x, y + 3), 1.3, 1.3);
}

// A fan impeller in the usual symbol form.
void drawFan(QPainter &p, const QPointF &c, double r, const QColor &blade)
{
    p.setPen(QPen(kInk, 1.4));
    QRadialGradient bg(c, r);
    bg.setColorAt(0, QColor(255, 255, 255, 200));
    bg.setColorAt(1, QColor(255, 255, 255, 90));
    p.setBrush(bg);
    p.drawEllipse(c, r, r);
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 72.0 + 12);
        QPainterPath b;
        b.moveTo(r * 0.2, 0);
        b.cubicTo(r * 0.42, -r * 0.42, r * 0.82, -r * 0.40, r * 0.86, -r * 0.05);
        b.cubicTo(r * 0.66, r * 0.06, r * 0.42, r * 0.10, r * 0.2, 0);
        p.setPen(QPen(blade.darker(150), 1.0));
        p.setBrush(blade);
        p.drawPath(b);
        p.restore();
    }
    fillBox(p, QRectF(c.x() - r * 0.22, c.y() - r * 0.22, r * 0.44, r * 0.44), kSteelHi, kSteelDark, r * 0.22,
            1.2);
}

// A fan motor sitting on the roof, its shaft going down into the chamber.
void drawRoofMotor(QPainter &p, double cx, double roofY, double h)
{
    const double w = h * 1.25;
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(cx, roofY), QPointF(cx, roofY + 2));
    fillBox(p, QRectF(cx - w / 2, roofY - h, w, h - 3), kSteelHi, kSteelMid, 3, 1.3);
    p.setPen(QPen(kSteelDark, 1));
    for (double x = cx - w / 2 + 5; x < cx + w / 2 - 3; x += 5)
        p.drawLine(QPointF(x, roofY - h + 4), QPointF(x, roofY - 7));
    fillBox(p, QRectF(cx - w / 2 - 3, roofY - 4, w + 6, 4), kSteelMid, kSteelDark, 1, 1.0);
}

// An infrared emitter seen end-on: glowing quartz tube below a polished reflector.
void drawIrEmitter(QPainter &p, const QPointF &c, double r)
{
    QRadialGradient halo(c, r * 2.6);
    halo.setColorAt(0, QColor(255, 120, 40, 140));
    halo.setColorAt(1, QColor(255, 120, 40, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, r * 2.6, r * 2.6);

    const QRectF arc(c.x() - r * 2.1, c.y() - r * 1.9, r * 4.2, r * 3.8);
    QPainterPath refl;
    refl.arcMoveTo(arc, 0);
    refl.arcTo(arc, 0, 180);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSteelDark, 3.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(refl);
    p.setPen(QPen(kSteelHi, 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(refl);

    QRadialGradient tube(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    tube.setColorAt(0, QColor(255, 250, 225));
    tube.setColorAt(0.45, QColor(255, 178, 70));
    tube.setColorAt(1, QColor(210, 58, 28));
    p.setPen(QPen(QColor(140, 40, 20), 1.0));
    p.setBrush(tube);
    p.drawEllipse(c, r, r);
}

// Heat radiating downwards, fading out towards the boards.
void drawIrRays(QPainter &p, double x0, double x1, double y0, double y1, int count)
{
    QLinearGradient fade(QPointF(0, y0), QPointF(0, y1));
    fade.setColorAt(0, QColor(232, 80, 30, 150));
    fade.setColorAt(1, QColor(232, 80, 30, 0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(fade), 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < count; ++i) {
        const double x = x0 + (x1 - x0) * (i + 0.5) / count;
        QPainterPath wave;
        wave.moveTo(x, y0);
        const int steps = 40;
        for (int k = 1; k <= steps; ++k) {
            const double t = double(k) / steps;
            wave.lineTo(x + 3.2 * std::sin(t * 6 * kPi), y0 + (y1 - y0) * t);
        }
        p.drawPath(wave);
    }
}

// A stroke along a path with an arrow head at its end.
void drawArrow(QPainter &p, const QPainterPath &path, const QColor &color, double width)
{
    const QPointF end = path.pointAtPercent(1.0);
    const QPointF before = path.pointAtPercent(0.9);
    const double a = std::atan2(end.y() - before.y(), end.x() - before.x());
    const double head = width * 3.4;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // stop the stroke short of the tip so the head stays sharp
    QPainterPath shaft;
    const int steps = 30;
    for (int k = 0; k <= steps; ++k) {
        const QPointF pt = path.pointAtPercent(double(k) / steps);
        const QPointF cut = pt == end ? end - QPointF(std::cos(a), std::sin(a)) * head * 0.7 : pt;
        if (k == 0)
            shaft.moveTo(cut);
        else
            shaft.lineTo(cut);
    }
    p.drawPath(shaft);
    QPolygonF tip;
    tip << end << end - QPointF(std::cos(a - 0.42), std::sin(a - 0.42)) * head
        << end - QPointF(std::cos(a + 0.42), std::sin(a + 0.42)) * head;
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(tip);
}

QPainterPath curve(QPointF a, QPointF c1, QPointF c2, QPointF b)
{
    QPainterPath path(a);
    path.cubicTo(c1, c2, b);
    return path;
}

void drawSnowflake(QPainter &p, const QPointF &c, double r, const QColor &color)
{
    p.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 6; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 60.0);
        p.drawLine(QPointF(0, 0), QPointF(0, -r));
        p.drawLine(QPointF(0, -r * 0.6), QPointF(-r * 0.25, -r * 0.85));
        p.drawLine(QPointF(0, -r * 0.6), QPointF(r * 0.25, -r * 0.85));
        p.restore();
    }
}

// A small circuit board with a few parts on it, its underside at y.
void drawBoard(QPainter &p, double x, double y, double w)
{
    fillBox(p, QRectF(x, y - 5, w, 5), QColor(0x3c, 0x9a, 0x58), QColor(0x24, 0x6e, 0x3c), 0, 1.0,
            QColor(0x1b, 0x4d, 0x2b));
    fillBox(p, QRectF(x + w * 0.12, y - 11, w * 0.3, 6), QColor(0x4a, 0x4f, 0x55), QColor(0x24, 0x28, 0x2c), 0.8,
            0.8);
    fillBox(p, QRectF(x + w * 0.52, y - 8, w * 0.1, 3), QColor(0xd8, 0xc0, 0x94), QColor(0xb0, 0x94, 0x62), 0,
            0.6);
    fillBox(p, QRectF(x + w * 0.7, y - 13, w * 0.14, 8), QColor(0x6d, 0x86, 0xb8), QColor(0x3d, 0x55, 0x86), 1.5,
            0.8);
}

// The transport: two rails with the chain between them, sprockets at both ends.
// The band is 42 pixels high from its top edge.
constexpr double kConveyorHeight = 42;

void drawConveyor(QPainter &p, double x0, double x1, double top)
{
    const double mid = top + kConveyorHeight / 2;
    // chain run between the rails
    fillBox(p, QRectF(x0, top + 7, x1 - x0, kConveyorHeight - 14), QColor(0x8e, 0x97, 0xa1),
            QColor(0x7a, 0x84, 0x8e), 0, 0);
    const double pitch = 15;
    int n = 0;
    for (double x = x0 + 2; x < x1 - 2; x += pitch, ++n) {
        const double w = std::min(pitch + 3, x1 - 2 - x);
        const QColor hi = n % 2 ? kSteelHi : kSteel;
        fillBox(p, QRectF(x, mid - 7, w, 14), hi, kSteelMid, 6, 0.9, kInkSoft);
    }
    p.setPen(QPen(kInkSoft, 0.8));
    p.setBrush(kSteelDark);
    for (double x = x0 + 2 + pitch; x < x1 - 4; x += pitch)
        p.drawEllipse(QPointF(x, mid), 2.4, 2.4);
    // rails
    fillBox(p, QRectF(x0, top, x1 - x0, 7), kSteelHi, kSteelMid, 1.5, 1.2);
    fillBox(p, QRectF(x0, top + kConveyorHeight - 7, x1 - x0, 7), kSteel, kSteelDark, 1.5, 1.2);
    // sprockets
    for (double cx : {x0 + 14.0, x1 - 14.0}) {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kSteelMid);
        QPolygonF teeth;
        for (int i = 0; i < 24; ++i) {
            const double a = i * 2 * kPi / 24;
            const double rr = i % 2 ? 15.5 : 12.5;
            teeth << QPointF(cx + rr * std::cos(a), mid + rr * std::sin(a));
        }
        p.drawPolygon(teeth);
        fillBox(p, QRectF(cx - 4, mid - 4, 8, 8), kSteelHi, kSteelDark, 4, 1.0);
    }
}

// A support leg from the underside of something down to the floor, with a foot.
void drawLeg(QPainter &p, double cx, double top, double floorY, double w = 10)
{
    fillBox(p, QRectF(cx - w / 2, top, w, floorY - top - 6), kSteel, kSteelMid, 0, 1.2);
    fillBox(p, QRectF(cx - w * 0.9, floorY - 7, w * 1.8, 7), kSteelMid, kSteelDark, 2, 1.2);
}

void drawVents(QPainter &p, const QRectF &r, double spacing = 7)
{
    p.setPen(QPen(kSteelDark, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (double y = r.top(); y <= r.bottom(); y += spacing)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
}

void drawDoor(QPainter &p, const QRectF &r, bool handleRight = true)
{
    fillBox(p, r, kSteelHi, kSteel, 3, 1.2);
    const double hx = handleRight ? r.right() - 12 : r.left() + 8;
    fillBox(p, QRectF(hx, r.center().y() - 14, 4, 28), kSteelMid, kSteelDark, 2, 1.0);
}

// The maker's mark: the letters drawn as geometry so the logo never depends on a font,
// slanted forward, above a wave of molten solder.
void drawLogo(QPainter &p, const QPointF &topLeft, double h, const QColor &letters, const QColor &wave)
{
    const double s = h * 0.24;           // stroke width
    const double w = h * 0.66;           // letter width
    const double gap = h * 0.14;
    p.save();
    p.translate(topLeft);
    p.setTransform(QTransform().shear(-0.18, 0) * QTransform::fromTranslate(h * 0.18, 0), true);
    p.setPen(Qt::NoPen);
    p.setBrush(letters);

    // K: stem and two arms, cut to the letter's box
    const auto bar = [](QPointF a, QPointF b, double width) {
        QPainterPath line(a);
        line.lineTo(b);
        QPainterPathStroker stroker;
        stroker.setWidth(width);
        stroker.setCapStyle(Qt::FlatCap);
        return stroker.createStroke(line);
    };
    QPainterPath k;
    k.addRect(QRectF(0, 0, s, h));
    k = k.united(bar(QPointF(s * 0.5, h * 0.66), QPointF(w + s * 0.4, -s * 0.4), s * 1.02));
    k = k.united(bar(QPointF(w * 0.40, h * 0.36), QPointF(w + s * 0.4, h + s * 0.4), s * 1.05));
    QPainterPath box;
    box.addRect(QRectF(0, 0, w, h));
    p.drawPath(k.intersected(box));

    // E
    const double ex = w + gap;
    QPainterPath e;
    e.addRect(QRectF(ex, 0, s, h));
    e.addRect(QRectF(ex, 0, w * 0.92, s));
    e.addRect(QRectF(ex, h / 2 - s * 0.45, w * 0.78, s * 0.9));
    e.addRect(QRectF(ex, h - s, w * 0.92, s));
    e.setFillRule(Qt::WindingFill);
    p.drawPath(e.simplified());

    // L
    const double lx = ex + w * 0.92 + gap;
    QPainterPath l;
    l.addRect(QRectF(lx, 0, s, h));
    l.addRect(QRectF(lx, h - s, w * 0.85, s));
    l.setFillRule(Qt::WindingFill);
    p.drawPath(l.simplified());
    const double right = lx + w * 0.85;
    p.restore();

    // the solder wave underneath: a swoosh thickest in the middle
    p.save();
    p.translate(topLeft);
    const double y0 = h * 1.2;
    const double len = right + h * 0.05;
    QPolygonF crest;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double mid = y0 + h * 0.05 * std::sin(2 * kPi * t * 1.25 + 0.3);
        crest << QPointF(len * t, mid - h * (0.015 + 0.07 * std::sin(kPi * t)));
    }
    for (int i = steps; i >= 0; --i) {
        const double t = double(i) / steps;
        const double mid = y0 + h * 0.05 * std::sin(2 * kPi * t * 1.25 + 0.3);
        crest << QPointF(len * t, mid + h * (0.015 + 0.05 * std::sin(kPi * t)));
    }
    QLinearGradient g(QPointF(0, 0), QPointF(len, 0));
    g.setColorAt(0, wave.lighter(125));
    g.setColorAt(1, wave);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPolygon(crest);
    p.restore();
}

double logoWidth(double h)
{
    const double w = h * 0.66, gap = h * 0.14;
    return w + gap + w * 0.92 + gap + w * 0.85 + h * 0.05;
}

void drawText(QPainter &p, const QRectF &r, const QString &text, const QFont &font, const QColor &color,
              Qt::Alignment align = Qt::AlignCenter)
{
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, align, text);
}

// The brand band along the top of a machine, with the logo and the model name.
void drawNameBand(QPainter &p, const QRectF &r, const QString &model, double logoAt, double modelRight)
{
    fillBox(p, r, kBrandHi, kBrand, 4, 1.5);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(r.left() + 5, r.top() + 2.5), QPointF(r.right() - 5, r.top() + 2.5));
    const double lh = std::min(22.0, r.height() * 0.46);
    drawLogo(p, QPointF(logoAt, r.center().y() - lh * 0.62), lh, Qt::white, QColor(0xf2, 0x8a, 0x32));
    const int size = int(std::min(26.0, r.height() * 0.5));
    drawText(p, QRectF(modelRight - 160, r.top(), 160, r.height()), model, sansFont(size, true), Qt::white,
             Qt::AlignRight | Qt::AlignVCenter);
}

// ------------------------------------------------------------------ the reflow oven

// Chamber walls of the oven along the conveyor; each heated chamber's labels sit just
// inside its left wall, at the height of the chamber's middle.
constexpr double kOvenWalls[] = {180, 292, 442, 592, 711, 862};
constexpr double kOvenChamberTop = 98;
constexpr double kOvenChamberBottom = 246;
constexpr double kOvenConveyorTop = 258;

void drawOvenChamber(QPainter &p, int index, const QColor &tint, bool fan, bool heater)
{
    const double l = kOvenWalls[index] + 2, r = kOvenWalls[index + 1] - 2;
    drawCavity(p, QRectF(l, kOvenChamberTop, r - l, kOvenChamberBottom - kOvenChamberTop), tint);
    const double cx = (l + r) / 2;
    // the thermocouple, reaching down to just above where its reading is shown
    p.setPen(QPen(kInkSoft, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(l + 10, kOvenChamberTop + 1), QPointF(l + 10, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(l + 10, 141), 2.4, 2.4);
    if (fan)
        drawFan(p, QPointF(cx, 124), 20, heater ? QColor(0xe9, 0xa0, 0x68) : QColor(0x86, 0xb8, 0xe2));
    if (heater) {
        drawHeaterCoil(p, l + 14, r - 14, 224, 4.5, index == 3 ? QColor(0xe2, 0x3c, 0x1c) : kHeat);
        drawNozzlePlate(p, l + 4, r - 4, 236);
    }
    // the air goes down the right-hand wall, out of the way of the values
    const QColor air = heater ? QColor(0xd8, 0x5a, 0x22, 190) : QColor(0x3b, 0x8e, 0xd0, 200);
    if (fan) {
        drawArrow(p, curve(QPointF(cx + 24, 118), QPointF(r - 8, 118), QPointF(r - 10, 150), QPointF(r - 11, 205)),
                  air, 2.2);
    }
}

void draw4QTR(QPainter &p, const QColor &lamp)
{
    const double floorY = 520;
    drawFloorShadow(p, 20, 980, floorY);

    // legs of the entry and exit tables
    drawLeg(p, 62, kOvenConveyorTop + 40, floorY);
    drawLeg(p, 940, kOvenConveyorTop + 40, floorY);

    // body
    const QRectF body(165, 38, 715, 452);
    // roof motors above the fans
    for (int i : {1, 2, 3, 4})
        drawRoofMotor(p, (kOvenWalls[i] + kOvenWalls[i + 1]) / 2, 38, 22);
    fillBox(p, body, kSteelHi, kSteel, 6, 1.8);
    drawNameBand(p, QRectF(body.left(), body.top(), body.width(), 52), QStringLiteral("4QTR"), 268, 866);

    // status light housing; the program lights the lamp inside it
    fillBox(p, QRectF(px(156) - 6, px(46) - 6, px(30) + 12, px(14) + 12), QColor(0x4a, 0x52, 0x5a),
            QColor(0x22, 0x27, 0x2c), 3, 1.4, kInk);
    p.setPen(Qt::NoPen);
    p.setBrush(lamp);
    p.drawRect(QRectF(px(156), px(46), px(30), px(14)));

    // cut-away: the chambers above the conveyor
    fillBox(p, QRectF(176, 94, 690, 156), kSteelMid, kSteelDark, 2, 1.4);
    drawOvenChamber(p, 0, QColor(0xfb, 0xf0, 0xd6), false, true);   // Startup
    drawOvenChamber(p, 1, QColor(0xfb, 0xe6, 0xcc), true, true);    // Preheat 1
    drawOvenChamber(p, 2, QColor(0xf9, 0xdc, 0xc0), true, true);    // Preheat 2
    drawOvenChamber(p, 3, QColor(0xf6, 0xcd, 0xb8), true, true);    // Peak
    drawOvenChamber(p, 4, QColor(0xda, 0xea, 0xf7), true, false);   // Cooling 1
    drawSnowflake(p, QPointF(740, 122), 12, kCold);
    fillBox(p, QRectF(kOvenWalls[4] + 12, 222, kOvenWalls[5] - kOvenWalls[4] - 24, 16), QColor(0xc8, 0xdc, 0xee),
            QColor(0xa8, 0xc4, 0xdc), 2, 1.0);
    p.setPen(QPen(QColor(0x7f, 0xa3, 0xc4), 1.2));
    for (double x = kOvenWalls[4] + 18; x < kOvenWalls[5] - 14; x += 6)
        p.drawLine(QPointF(x, 224), QPointF(x, 236));

    // the tunnel the conveyor runs through
    fillBox(p, QRectF(165, 250, 715, 58), QColor(0x6e, 0x77, 0x81), QColor(0x55, 0x5e, 0x68), 0, 1.2);

    // underside heater along the heating chambers
    const double ugL = kOvenWalls[0] + 2, ugR = kOvenWalls[4] - 2;
    fillBox(p, QRectF(176, 304, ugR - 172, 66), kSteelMid, kSteelDark, 2, 1.4);
    drawCavity(p, QRectF(ugL, 308, ugR - ugL, 58), QColor(0xf8, 0xdc, 0xc4));
    drawHeaterCoil(p, ugL + 16, ugR - 16, 352, 4.5, kHeat);
    for (double x : {260.0, 400.0, 620.0}) {
        drawArrow(p, curve(QPointF(x, 342), QPointF(x + 4, 332), QPointF(x - 4, 324), QPointF(x, 314)),
                  QColor(0xd8, 0x5a, 0x22, 170), 1.8);
    }
    // electrics under the cooling chamber: main switch and a warning sign
    const QRectF cab(kOvenWalls[4] + 2, 304, kOvenWalls[5] - kOvenWalls[4] + 2, 182);
    drawDoor(p, cab, true);
    fillBox(p, QRectF(cab.left() + 18, cab.top() + 18, 44, 44), QColor(0xfb, 0xd9, 0x3a), QColor(0xe8, 0xbd, 0x10),
            3, 1.2);
    p.setPen(QPen(QColor(0x7a, 0x10, 0x10), 1.2));
    p.setBrush(QColor(0xd8, 0x22, 0x22));
    p.drawEllipse(QPointF(cab.left() + 40, cab.top() + 40), 14, 14);
    fillBox(p, QRectF(cab.left() + 36, cab.top() + 24, 8, 32), QColor(0xe8, 0x36, 0x36), QColor(0xa8, 0x18, 0x18), 3,
            1.0, QColor(0x7a, 0x10, 0x10));
    QPolygonF warn;
    warn << QPointF(cab.left() + 94, cab.top() + 20) << QPointF(cab.left() + 118, cab.top() + 60)
         << QPointF(cab.left() + 70, cab.top() + 60);
    p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xfb, 0xd9, 0x3a));
    p.drawPolygon(warn);
    QPolygonF bolt;
    bolt << QPointF(cab.left() + 96, cab.top() + 31) << QPointF(cab.left() + 89, cab.top() + 46)
         << QPointF(cab.left() + 95, cab.top() + 45) << QPointF(cab.left() + 91, cab.top() + 56)
         << QPointF(cab.left() + 100, cab.top() + 41) << QPointF(cab.left() + 94, cab.top() + 42);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(bolt);
    drawVents(p, QRectF(cab.left() + 20, cab.bottom() - 50, cab.width() - 50, 36));

    // lower cabinet
    drawDoor(p, QRectF(kOvenWalls[0] + 2, 376, kOvenWalls[2] - kOvenWalls[0] - 4, 110), true);
    drawDoor(p, QRectF(kOvenWalls[2] + 2, 376, kOvenWalls[4] - kOvenWalls[2] - 4, 110), false);
    drawVents(p, QRectF(kOvenWalls[0] + 24, 400, 120, 28));
    drawVents(p, QRectF(kOvenWalls[4] - 150, 400, 120, 28));
    for (double x : {200.0, 520.0, 845.0})
        drawLeg(p, x, 490, floorY, 14);

    // conveyor through the whole length, boards on it
    drawConveyor(p, 20, 975, kOvenConveyorTop);
    drawBoard(p, 60, kOvenConveyorTop, 70);
    drawBoard(p, 310, kOvenConveyorTop, 60);
    drawBoard(p, 636, kOvenConveyorTop, 60);
    // entry and exit shields around the tunnel mouths
    fillBox(p, QRectF(160, 244, 10, 16), kSteelMid, kSteelDark, 1, 1.0);
    fillBox(p, QRectF(875, 244, 10, 16), kSteelMid, kSteelDark, 1, 1.0);
}

// ------------------------------------------------------------------ the 362 family

struct Family362 {
    QString model;
    double bodyLeft, bodyRight, bodyTop, chamberTop, split, conveyorTop;
    double conveyorLeft, conveyorRight;
    double fanX, fanY, fanR;
    bool exitBoard; // off where the speed label covers the exit table
};

// One infrared field: emitters under the roof, heat going down to the boards.
void drawIrField(QPainter &p, double l, double r, double top, double bottom, double raysTo)
{
    const int emitters = std::max(2, int(std::lround((r - l) / 58)));
    drawCavity(p, QRectF(l, top, r - l, bottom - top), QColor(0xfa, 0xe2, 0xd8));
    const double y = top + 24;
    for (int i = 0; i < emitters; ++i) {
        const double x = l + (r - l) * (i + 0.5) / emitters;
        drawIrEmitter(p, QPointF(x, y), 8.5);
    }
    drawIrRays(p, l + 6, r - 6, y + 22, raysTo, emitters * 3);
}

// The convection chamber: fan under the roof motor, heated air led down both walls.
void drawConvection(QPainter &p, double l, double r, double top, double bottom, const QPointF &fan, double fanR,
                    bool coil)
{
    drawCavity(p, QRectF(l, top, r - l, bottom - top), QColor(0xf9, 0xe4, 0xca));
    if (coil)
        drawHeaterCoil(p, fan.x() - fanR * 1.6, fan.x() + fanR * 1.6, fan.y() + fanR + 14, 4, kHeat);
    drawFan(p, fan, fanR, QColor(0xe9, 0xa0, 0x68));
    const QColor air(0xd8, 0x5a, 0x22, 190);
    drawArrow(p, curve(fan + QPointF(-fanR - 4, -fanR * 0.3), QPointF(l + 22, fan.y() - fanR * 0.4),
                       QPointF(l + 12, fan.y() + 10), QPointF(l + 12, bottom - 60)),
              air, 2.2);
    drawArrow(p, curve(fan + QPointF(fanR + 4, -fanR * 0.3), QPointF(r - 22, fan.y() - fanR * 0.4),
                       QPointF(r - 12, fan.y() + 10), QPointF(r - 12, bottom - 60)),
              air, 2.2);
}

// The front panel of a batch machine: a small display and the keys.
void drawControlPanel(QPainter &p, const QRectF &r)
{
    fillBox(p, r, QColor(0x4a, 0x52, 0x5a), QColor(0x2c, 0x32, 0x38), 4, 1.4);
    const QRectF lcd(r.left() + 8, r.top() + 8, r.width() * 0.5, r.height() - 16);
    fillBox(p, lcd, QColor(0x9c, 0xc9, 0xa6), QColor(0x7c, 0xae, 0x88), 2, 1.0, QColor(0x1c, 0x22, 0x26));
    p.setPen(QPen(QColor(0x2d, 0x4a, 0x34), 1.6));
    for (int i = 0; i < 3; ++i) {
        const double y = lcd.top() + lcd.height() * (0.3 + 0.22 * i);
        p.drawLine(QPointF(lcd.left() + 6, y), QPointF(lcd.left() + 6 + lcd.width() * (0.7 - 0.15 * i), y));
    }
    const double kx = lcd.right() + 10;
    const double kw = (r.right() - 8 - kx - 8) / 2;
    const double kh = (r.height() - 16 - 6) / 2;
    const QColor keys[] = {QColor(0x3a, 0xa6, 0x4a), QColor(0xd8, 0x2a, 0x2a), kSteelMid, kSteelMid};
    for (int i = 0; i < 4; ++i) {
        const QRectF k(kx + (i % 2) * (kw + 8), r.top() + 8 + (i / 2) * (kh + 6), kw, kh);
        fillBox(p, k, keys[i].lighter(120), keys[i], 2, 1.0, QColor(0x1c, 0x22, 0x26));
    }
}

void draw362(QPainter &p, const Family362 &m, bool infraredAfter)
{
    const double floorY = 520;
    const double lowerTop = m.conveyorTop + kConveyorHeight + 2;
    drawFloorShadow(p, m.conveyorLeft - 10, m.conveyorRight + 10, floorY);
    drawLeg(p, m.conveyorLeft + 30, m.conveyorTop + 40, floorY);
    drawLeg(p, m.conveyorRight - 30, m.conveyorTop + 40, floorY);

    const QRectF body(m.bodyLeft, m.bodyTop, m.bodyRight - m.bodyLeft, 490 - m.bodyTop);
    drawRoofMotor(p, m.fanX, m.bodyTop, 22);
    fillBox(p, body, kSteelHi, kSteel, 6, 1.8);
    const double band = m.chamberTop - m.bodyTop - 6;
    drawNameBand(p, QRectF(body.left(), body.top(), body.width(), band), m.model, body.left() + 16,
                 body.right() - 14);

    // cut-away above the conveyor
    const double chamberBottom = m.conveyorTop - 4;
    const double innerL = m.bodyLeft + 14;
    const double innerR = m.bodyRight - 14;
    fillBox(p, QRectF(innerL - 4, m.chamberTop - 4, innerR - innerL + 8, chamberBottom - m.chamberTop + 8),
            kSteelMid, kSteelDark, 2, 1.4);
    if (infraredAfter) {
        // infrared - convection - infrared
        const double split2 = m.fanX + (m.fanX - m.split);
        drawIrField(p, innerL, m.split - 2, m.chamberTop, chamberBottom, chamberBottom - 56);
        drawConvection(p, m.split + 2, split2 - 2, m.chamberTop, chamberBottom, QPointF(m.fanX, m.fanY), m.fanR,
                       false);
        drawIrField(p, split2 + 2, innerR, m.chamberTop, chamberBottom, chamberBottom - 56);
    } else {
        drawIrField(p, innerL, m.split - 2, m.chamberTop, chamberBottom, chamberBottom - 40);
        drawConvection(p, m.split + 2, innerR, m.chamberTop, chamberBottom, QPointF(m.fanX, m.fanY), m.fanR, true);
    }

    // lower cabinet: controls at the front, vents at the back
    const double lowerH = 486 - lowerTop;
    drawControlPanel(p, QRectF(m.bodyLeft + 22, lowerTop + 18, 150, std::min(60.0, lowerH - 36)));
    drawVents(p, QRectF(m.bodyRight - 150, lowerTop + 24, 120, lowerH - 48));
    for (double x : {m.bodyLeft + 30, m.bodyRight - 30})
        drawLeg(p, x, 490, floorY, 14);

    drawConveyor(p, m.conveyorLeft, m.conveyorRight, m.conveyorTop);
    drawBoard(p, m.conveyorLeft + 40, m.conveyorTop, 64);
    if (m.exitBoard)
        drawBoard(p, m.conveyorRight - 110, m.conveyorTop, 64);
    fillBox(p, QRectF(m.bodyLeft - 5, m.conveyorTop - 14, 10, 16), kSteelMid, kSteelDark, 1, 1.0);
    fillBox(p, QRectF(m.bodyRight - 5, m.conveyorTop - 14, 10, 16), kSteelMid, kSteelDark, 1, 1.0);
}

// The "Infrared" label sits just left of the "Convection" one on the two small models,
// so the wall between the two fields runs between them.
const Family362 k36204{QStringLiteral("362.04"), 262, 706, 74, 120, 460, 304, 110, 872, 590, 178, 28, true};
const Family362 k36207{QStringLiteral("362.07"), 215, 776, 56, 102, 460, 328, 70, 905, 620, 176, 32, true};
const Family362 k36210{QStringLiteral("362.10"), 201, 841, 60, 112, 445, 304, 40, 975, 545, 150, 28, false};

// ------------------------------------------------------------------ start and default

const QString kAddress = QStringLiteral("KEL Lötsysteme GmbH · Musterstraße 1 · 12345 Beispielstadt");
const QString kWeb = QStringLiteral("www.kel.example.com");

void drawScaled(QPainter &p, double x, double y, double scale, const std::function<void(QPainter &)> &draw)
{
    p.save();
    p.translate(x, y);
    p.scale(scale, scale);
    draw(p);
    p.restore();
}

void drawAddress(QPainter &p, double y)
{
    p.setPen(QPen(kSteelDark, 1));
    p.drawLine(QPointF(40, y), QPointF(kWidth - 40, y));
    drawText(p, QRectF(40, y + 6, kWidth - 80, 22), kAddress, sansFont(15, false), kInk,
             Qt::AlignLeft | Qt::AlignVCenter);
    drawText(p, QRectF(40, y + 6, kWidth - 80, 22), kWeb, sansFont(15, true), kBrand,
             Qt::AlignRight | Qt::AlignVCenter);
}

void drawStart(QPainter &p)
{
    drawBackground(p);
    // a warm glow behind the machines
    QRadialGradient glow(QPointF(640, 300), 420);
    glow.setColorAt(0, QColor(0xfd, 0xe9, 0xd6, 170));
    glow.setColorAt(1, QColor(0xfd, 0xe9, 0xd6, 0));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), glow);

    drawLogo(p, QPointF(48, 46), 74, kBrand, kHeat);
    drawText(p, QRectF(50, 150, 360, 30), QStringLiteral("Lötsysteme"), sansFont(26, true), kInk,
             Qt::AlignLeft | Qt::AlignVCenter);
    drawText(p, QRectF(50, 184, 360, 24), QStringLiteral("Reflow · Konvektion · Infrarot"), sansFont(16, false),
             kInkSoft, Qt::AlignLeft | Qt::AlignVCenter);

    drawScaled(p, 395, 18, 0.59, [](QPainter &q) { draw4QTR(q, QColor(0x2e, 0xb8, 0x4a)); });
    drawScaled(p, 20, 232, 0.50, [](QPainter &q) { draw362(q, k36210, true); });
    drawAddress(p, 522);
}

// No machine: the logo over a pulled plug.
void drawDefault(QPainter &p)
{
    drawBackground(p);
    const double lh = 96;
    const double lw = logoWidth(lh);
    drawLogo(p, QPointF((kWidth - lw) / 2, 92), lh, kBrand, kHeat);
    drawText(p, QRectF(0, 222, kWidth, 34), QStringLiteral("Lötsysteme"), sansFont(28, true), kInk);

    // cable, plug and socket apart
    const double y = 346;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInkSoft, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve(QPointF(290, y + 40), QPointF(340, y + 40), QPointF(360, y), QPointF(420, y)));
    fillBox(p, QRectF(420, y - 20, 54, 40), kSteelHi, kSteelMid, 6, 1.8);
    fillBox(p, QRectF(474, y - 12, 16, 6), kSteelMid, kSteelDark, 1, 1.2);
    fillBox(p, QRectF(474, y + 6, 16, 6), kSteelMid, kSteelDark, 1, 1.2);
    fillBox(p, QRectF(530, y - 24, 58, 48), kSteelHi, kSteelMid, 6, 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(530, y - 12, 6, 6));
    p.drawRect(QRectF(530, y + 6, 6, 6));
    p.setPen(QPen(kInkSoft, 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve(QPointF(588, y), QPointF(640, y), QPointF(650, y - 40), QPointF(700, y - 40)));
    p.setPen(QPen(kHeat, 2.4, Qt::SolidLine, Qt::RoundCap));
    for (int i = -1; i <= 1; ++i) {
        const double a = i * 0.5;
        p.drawLine(QPointF(509 + 10 * std::sin(a), y - 36 + 10 * (1 - std::cos(a))),
                   QPointF(509 + 20 * std::sin(a), y - 50 + 4 * (1 - std::cos(a))));
        p.drawLine(QPointF(509 + 10 * std::sin(a), y + 36 - 10 * (1 - std::cos(a))),
                   QPointF(509 + 20 * std::sin(a), y + 50 - 4 * (1 - std::cos(a))));
    }
    drawAddress(p, 522);
}

// ------------------------------------------------------------------ output

QImage render(const std::function<void(QPainter &)> &draw)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    drawBackground(p);
    draw(p);
    p.end();
    return img;
}

// Qt's BMP writer drops to 24 bits; the program expects 32-bit bitmaps, so write the
// plain BITMAPINFOHEADER form (BI_RGB, bottom-up, B G R and an opaque fourth byte).
bool saveBmp32(const QImage &source, const QString &path)
{
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const quint32 rowBytes = quint32(img.width()) * 4;
    const quint32 imageBytes = rowBytes * quint32(img.height());
    QByteArray out;
    out.reserve(int(54 + imageBytes));
    auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    out.append("BM", 2);
    u32(54 + imageBytes);
    u32(0);
    u32(54);
    u32(40);
    u32(quint32(img.width()));
    u32(quint32(img.height()));
    u16(1);
    u16(32);
    u32(0); // BI_RGB
    u32(imageBytes);
    u32(3780); // 96 dpi
    u32(3780);
    u32(0);
    u32(0);
    for (int y = img.height() - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const char px[4] = {char(qBlue(line[x])), char(qGreen(line[x])), char(qRed(line[x])), char(0xff)};
            out.append(px, 4);
        }
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() && f.flush();
}

// ------------------------------------------------------------------ preview

struct PreviewLabel {
    double x, y; // design units
    enum Kind { Temp, Percent, Chain } kind;
};

// Where the program puts its labels on each picture.
const std::vector<PreviewLabel> kLabels4QTR = {
    {155, 120, PreviewLabel::Temp},    {245, 120, PreviewLabel::Temp},   {245, 145, PreviewLabel::Percent},
    {365, 120, PreviewLabel::Temp},    {365, 145, PreviewLabel::Percent}, {485, 120, PreviewLabel::Temp},
    {485, 145, PreviewLabel::Percent}, {380, 250, PreviewLabel::Temp},   {580, 120, PreviewLabel::Temp},
    {690, 215, PreviewLabel::Chain}};
const std::vector<PreviewLabel> kLabels36204 = {
    {372, 216, PreviewLabel::Temp}, {315, 217, PreviewLabel::Percent}, {336, 252, PreviewLabel::Chain}};
const std::vector<PreviewLabel> kLabels36207 = {
    {372, 216, PreviewLabel::Temp}, {250, 222, PreviewLabel::Percent}, {291, 272, PreviewLabel::Chain}};
const std::vector<PreviewLabel> kLabels36210 = {{196, 207, PreviewLabel::Temp},
                                                {380, 165, PreviewLabel::Temp},
                                                {380, 190, PreviewLabel::Percent},
                                                {544, 207, PreviewLabel::Temp},
                                                {676, 252, PreviewLabel::Chain}};

QImage preview(const QImage &picture, const std::vector<PreviewLabel> &labels, bool lamp, double s)
{
    const int w = qRound(784 * s);
    QImage img(w, qRound(kHeight * kViewScale * s) + 20, QImage::Format_RGB32);
    img.fill(QColor(0xef, 0xef, 0xef));
    QPainter p(&img);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.save();
    p.scale(kViewScale * s, kViewScale * s);
    p.drawImage(0, 0, picture);
    p.restore();
    const int f = s < 0.6 ? 10 : s < 0.9 ? 11 : s < 1.2 ? 15 : 18;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(f);
    font.setBold(true);
    p.setFont(font);
    const QFontMetricsF fm(font);
    if (lamp)
        p.fillRect(QRect(qRound(156 * s), qRound(46 * s), qRound(30 * s), qRound(14 * s)), QColor(0, 128, 0));
    for (const PreviewLabel &l : labels) {
        const QString text = l.kind == PreviewLabel::Temp      ? QStringLiteral("245°C")
                             : l.kind == PreviewLabel::Percent ? QStringLiteral("100 %")
                                                               : QStringLiteral("125 cm/min");
        const QRectF box(qRound(l.x * s), qRound(l.y * s), fm.horizontalAdvance(text) + 2, fm.height());
        p.fillRect(box, l.kind == PreviewLabel::Chain ? QColor(104, 102, 101) : Qt::white);
        p.setPen(l.kind == PreviewLabel::Chain ? QColor(0, 255, 0) : QColor(0, 128, 0));
        p.drawText(box, Qt::AlignCenter, text);
    }
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    // No display is needed: the pictures are painted into images.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    QString previewDir;
    const qsizetype flag = args.indexOf(QStringLiteral("--preview"));
    if (flag >= 0 && flag + 1 < args.size()) {
        previewDir = args.at(flag + 1);
        args.remove(flag, 2);
    }
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: gen_pictures <picture dir> <start picture.png> [--preview <dir>]\n";
        return 2;
    }
    const QString pictureDir = args.at(0);
    const QString startFile = args.at(1);
    if (!QDir().mkpath(pictureDir) || !QDir().mkpath(QFileInfo(startFile).absolutePath())) {
        err << "gen_pictures: cannot create the output folders\n";
        return 1;
    }

    struct Picture {
        QString file;
        std::function<void(QPainter &)> draw;
        const std::vector<PreviewLabel> *labels;
        bool lamp;
    };
    const std::vector<PreviewLabel> none;
    const std::vector<Picture> pictures = {
        {QStringLiteral("Default.bmp"), drawDefault, &none, false},
        {QStringLiteral("LM4QTR.bmp"), [](QPainter &p) { draw4QTR(p, QColor(0x5c, 0x66, 0x70)); }, &kLabels4QTR,
         true},
        {QStringLiteral("LM362_04.bmp"), [](QPainter &p) { draw362(p, k36204, false); }, &kLabels36204, false},
        {QStringLiteral("LM362_07.bmp"), [](QPainter &p) { draw362(p, k36207, false); }, &kLabels36207, false},
        {QStringLiteral("LM362_10.bmp"), [](QPainter &p) { draw362(p, k36210, true); }, &kLabels36210, false},
    };

    int failures = 0;
    for (const Picture &pic : pictures) {
        const QImage img = render(pic.draw);
        const QString path = QDir(pictureDir).filePath(pic.file);
        if (!saveBmp32(img, path)) {
            err << "gen_pictures: cannot write " << path << '\n';
            ++failures;
        }
        if (!previewDir.isEmpty()) {
            QDir().mkpath(previewDir);
            for (double s : {0.59, 1.0, 1.19}) {
                const QString name = QStringLiteral("%1_%2.png").arg(QFileInfo(pic.file).baseName()).arg(qRound(s * 100));
                preview(img, *pic.labels, pic.lamp, s).save(QDir(previewDir).filePath(name));
            }
        }
    }

    const QImage start = render(drawStart);
    if (!start.save(startFile, "PNG")) {
        err << "gen_pictures: cannot write " << startFile << '\n';
        ++failures;
    }
    if (!previewDir.isEmpty())
        preview(start, none, false, 1.0).save(QDir(previewDir).filePath(QStringLiteral("start_100.png")));
    return failures ? 1 : 0;
}
