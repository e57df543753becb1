#include "ui/widgets/ProfileChart.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "app/LocaleFormats.h"

namespace vard {

namespace {

// Blocks of the pyramid. A column of an 800-pixel chart over a million samples holds
// about 1300 of them: a few dozen blocks of 64 and single samples at its ends; the
// blocks of 4096 serve narrow charts and longer runs.
constexpr qsizetype kBlockSizes[] = {64, 64 * 64};

// Limits of the view, so that zooming can neither collapse it nor run it off to
// infinity.
constexpr double kMinSpanX = 0.05, kMaxSpanX = 1e9; // s
constexpr double kMinSpanY = 0.01, kMaxSpanY = 1e6; // °C
// A reading beyond this is a broken channel, not a temperature; kept inside the range
// a float holds exactly enough and the pixel arithmetic stays finite.
constexpr double kMaxAbsCelsius = 1e6;
// Points of the curve further off the plot than this are pulled in; the slope of a
// segment that steep is invisible anyway, and the stroker stays in a sane range.
constexpr double kOffPlot = 1e5;

// One wheel notch zooms by this factor.
constexpr double kWheelZoom = 0.8;
// The keyboard moves the view by this part of its span.
constexpr double kKeyPan = 0.1;


} // namespace

double ProfileChart::NiceStep(double span, double maxTicks)
{
    const double raw = span / std::max(1.0, maxTicks);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1.0;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * mag >= raw * (1 - 1e-9))
            return m * mag;
    return 10.0 * mag;
}

namespace {

// Steps of a min:s axis: whole seconds that divide a minute, then 1/2/5 x 10^n minutes.
double minuteStep(double span, double maxTicks)
{
    const double raw = span / std::max(1.0, maxTicks);
    for (double s : {1.0, 2.0, 5.0, 10.0, 20.0, 30.0})
        if (s >= raw)
            return s;
    return 60.0 * std::max(1.0, ProfileChart::NiceStep(span / 60.0, maxTicks));
}

int decimalsFor(double step)
{
    if (step >= 1.0)
        return 0;
    return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 6);
}

QString minSec(double seconds)
{
    qint64 total = std::llround(seconds);
    const bool negative = total < 0;
    total = std::abs(total);
    return QStringLiteral("%1%2:%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(total / 60)
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString degrees(const QLocale &locale, double celsius, int decimals)
{
    return locale.toString(celsius, 'f', decimals) + QStringLiteral(" °C");
}

// Ticks from the first multiple of step at or after lo up to hi.
std::vector<double> ticks(double lo, double hi, double step)
{
    std::vector<double> out;
    if (!(step > 0) || !(hi > lo))
        return out;
    const double first = std::ceil(lo / step - 1e-9) * step;
    for (int i = 0; i < 1000; ++i) {
        const double v = first + i * step;
        if (v > hi + step * 1e-9)
            break;
        // -0 would print as "-0"
        out.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    }
    return out;
}

const QColor kText(0, 0, 0);
const QColor kFrame(70, 70, 70);
const QColor kCursor(90, 90, 90);

} // namespace

struct ProfileChart::Layout {
    QRectF plot;
    double xStep = 1, yStep = 1;
    bool minutes = false;
};

ProfileChart::ProfileChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("profileChart"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::WheelFocus);
}

ProfileChart::~ProfileChart() = default;

QColor ProfileChart::curveColor() { return QColor(20, 50, 150); }
QColor ProfileChart::bandColor() { return QColor(40, 170, 80, 60); }
QColor ProfileChart::liquidusColor() { return QColor(200, 30, 30); }
QColor ProfileChart::gridColor() { return QColor(220, 220, 220); }

QSize ProfileChart::sizeHint() const { return QSize(640, 320); }
QSize ProfileChart::minimumSizeHint() const { return QSize(200, 120); }

// ---------------------------------------------------------------- data

void ProfileChart::pushSample(qint32 ms, float c)
{
    static_assert(std::size(kBlockSizes) == size_t(kLevels));
    m_t.push_back(ms);
    m_c.push_back(c);
    const qsizetype i = qsizetype(m_t.size()) - 1;
    for (int k = 0; k < kLevels; ++k) {
        Level &level = m_levels[k];
        const size_t block = size_t(i / kBlockSizes[k]);
        if (block == level.lo.size()) {
            level.lo.push_back(c);
            level.hi.push_back(c);
        } else {
            level.lo[block] = std::min(level.lo[block], c);
            level.hi[block] = std::max(level.hi[block], c);
        }
    }
    if (i == 0) {
        m_min = m_max = c;
    } else {
        m_min = std::min(m_min, c);
        m_max = std::max(m_max, c);
    }
}

void ProfileChart::appendSample(qint64 timeMs, double celsius, bool breakBefore)
{
    // a reading that is not a number has no place on the curve; its break stays
    if (!std::isfinite(celsius)) {
        m_pendingBreak = m_pendingBreak || breakBefore;
        return;
    }
    if ((breakBefore || m_pendingBreak) && !m_t.empty())
        m_breaks.push_back(qsizetype(m_t.size()));
    m_pendingBreak = false;
    qint32 ms = qint32(std::clamp<qint64>(timeMs, std::numeric_limits<qint32>::min(),
                                          std::numeric_limits<qint32>::max()));
    const bool hadPrevious = !m_t.empty();
    const qint32 previous = hadPrevious ? m_t.back() : ms;
    if (ms < previous)
        ms = previous;
    pushSample(ms, float(std::clamp(celsius, -kMaxAbsCelsius, kMaxAbsCelsius)));

    if (m_following) {
        invalidate();
        return;
    }
    // A view the user chose changes only where the new segment crosses it.
    if (previous <= m_view.x1 * 1000.0 && ms >= m_view.x0 * 1000.0)
        invalidate();
    else if (m_mouse)
        update(); // the nearest sample under the cursor may be the new one
}

void ProfileChart::setSamples(const std::vector<qint64> &timesMs, const std::vector<double> &celsius,
                              const std::vector<qsizetype> &breaks)
{
    m_t.clear();
    m_c.clear();
    m_breaks.clear();
    m_pendingBreak = false;
    std::vector<qsizetype> sortedBreaks = breaks;
    std::sort(sortedBreaks.begin(), sortedBreaks.end());
    auto nextBreak = sortedBreaks.cbegin();
    bool pending = false;
    for (Level &level : m_levels) {
        level.lo.clear();
        level.hi.clear();
    }
    const size_t n = std::min(timesMs.size(), celsius.size());
    m_t.reserve(n);
    m_c.reserve(n);
    for (int k = 0; k < kLevels; ++k) {
        m_levels[k].lo.reserve(n / size_t(kBlockSizes[k]) + 1);
        m_levels[k].hi.reserve(n / size_t(kBlockSizes[k]) + 1);
    }
    for (size_t i = 0; i < n; ++i) {
        while (nextBreak != sortedBreaks.cend() && *nextBreak <= qsizetype(i)) {
            pending = pending || *nextBreak == qsizetype(i);
            ++nextBreak;
        }
        if (!std::isfinite(celsius[i]))
            continue;
        if (pending && !m_t.empty())
            m_breaks.push_back(qsizetype(m_t.size()));
        pending = false;
        qint32 ms = qint32(std::clamp<qint64>(timesMs[i], std::numeric_limits<qint32>::min(),
                                              std::numeric_limits<qint32>::max()));
        if (!m_t.empty() && ms < m_t.back())
            ms = m_t.back();
        pushSample(ms, float(std::clamp(celsius[i], -kMaxAbsCelsius, kMaxAbsCelsius)));
    }
    invalidate();
}

void ProfileChart::clear()
{
    std::vector<qint32>().swap(m_t);
    std::vector<float>().swap(m_c);
    for (Level &level : m_levels) {
        std::vector<float>().swap(level.lo);
        std::vector<float>().swap(level.hi);
    }
    m_min = m_max = 0;
    std::vector<qsizetype>().swap(m_breaks);
    m_pendingBreak = false;
    m_following = true;
    m_dragging = false;
    invalidate();
}

qsizetype ProfileChart::sampleCount() const { return qsizetype(m_t.size()); }

bool ProfileChart::breakBefore(qsizetype i) const
{
    return std::binary_search(m_breaks.begin(), m_breaks.end(), i);
}

qsizetype ProfileChart::nextBreak(qsizetype from, qsizetype to) const
{
    const auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), from);
    return it == m_breaks.end() ? to : std::min(to, *it);
}

qsizetype ProfileChart::memoryBytes() const
{
    qsizetype bytes = qsizetype(m_t.capacity() * sizeof(qint32) + m_c.capacity() * sizeof(float)
                                + m_breaks.capacity() * sizeof(qsizetype));
    for (const Level &level : m_levels)
        bytes += qsizetype((level.lo.capacity() + level.hi.capacity()) * sizeof(float));
    return bytes;
}

// Lowest and highest reading of samples [from, to): whole pyramid blocks where they
// fit, single samples only at the ragged ends.
void ProfileChart::minMax(qsizetype from, qsizetype to, float &lo, float &hi) const
{
    lo = std::numeric_limits<float>::infinity();
    hi = -lo;
    qsizetype i = from;
    while (i < to) {
        bool used = false;
        for (int k = kLevels - 1; k >= 0; --k) {
            const qsizetype size = kBlockSizes[k];
            if (i % size == 0 && i + size <= to) {
                const size_t block = size_t(i / size);
                lo = std::min(lo, m_levels[k].lo[block]);
                hi = std::max(hi, m_levels[k].hi[block]);
                i += size;
                used = true;
                break;
            }
        }
        if (!used) {
            lo = std::min(lo, m_c[size_t(i)]);
            hi = std::max(hi, m_c[size_t(i)]);
            ++i;
        }
    }
}

qsizetype ProfileChart::nearestIndex(double seconds) const
{
    if (m_t.empty())
        return -1;
    const double ms = seconds * 1000.0;
    const auto it = std::lower_bound(m_t.begin(), m_t.end(), ms, [](qint32 v, double t) { return v < t; });
    qsizetype i = it - m_t.begin();
    if (i == qsizetype(m_t.size()))
        return i - 1;
    if (i > 0 && ms - m_t[size_t(i - 1)] <= m_t[size_t(i)] - ms)
        --i;
    return i;
}

// ---------------------------------------------------------------- overlays

void ProfileChart::setLiquidus(std::optional<double> celsius)
{
    if (celsius && !std::isfinite(*celsius))
        celsius.reset();
    m_liquidus = celsius;
    invalidate();
}

void ProfileChart::setBand(std::optional<double> low, std::optional<double> high)
{
    if (low && !std::isfinite(*low))
        low.reset();
    if (high && !std::isfinite(*high))
        high.reset();
    if (low && high && *low > *high)
        std::swap(low, high);
    m_bandLow = low;
    m_bandHigh = high;
    invalidate();
}

// ---------------------------------------------------------------- view

ProfileChart::Range ProfileChart::autoRange() const
{
    if (m_t.empty())
        return {0.0, 60.0, 0.0, 100.0};
    Range r;
    r.x0 = std::min(0.0, m_t.front() / 1000.0);
    r.x1 = std::max(m_t.back() / 1000.0, r.x0 + 1.0);
    const double margin = std::max((double(m_max) - m_min) * 0.05, 1.0);
    r.y0 = m_min - margin;
    r.y1 = m_max + margin;
    return r;
}

ProfileChart::Range ProfileChart::currentRange() const { return m_following ? autoRange() : m_view; }

QRectF ProfileChart::viewRange() const
{
    const Range r = currentRange();
    return QRectF(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
}

void ProfileChart::setRange(const Range &wanted)
{
    Range r = wanted;
    const auto fix = [](double &a, double &b, double minSpan, double maxSpan) {
        if (!std::isfinite(a) || !std::isfinite(b))
            return false;
        if (a > b)
            std::swap(a, b);
        const double span = std::clamp(b - a, minSpan, maxSpan);
        if (b - a != span) {
            const double mid = a / 2 + b / 2;
            a = mid - span / 2;
            b = mid + span / 2;
        }
        return true;
    };
    if (!fix(r.x0, r.x1, kMinSpanX, kMaxSpanX) || !fix(r.y0, r.y1, kMinSpanY, kMaxSpanY))
        return;
    m_view = r;
    m_following = false;
    invalidate();
}

void ProfileChart::setViewRange(const QRectF &range)
{
    setRange({range.left(), range.right(), range.top(), range.bottom()});
}

void ProfileChart::resetView()
{
    m_following = true;
    m_dragging = false;
    invalidate();
}

bool ProfileChart::isFollowing() const { return m_following; }

void ProfileChart::zoom(double fx, double fy, QPointF anchor)
{
    const Range r = currentRange();
    const QRectF pr = plotArea();
    if (pr.width() <= 0 || pr.height() <= 0)
        return;
    const double ax = std::clamp((anchor.x() - pr.left()) / pr.width(), 0.0, 1.0);
    const double ay = std::clamp((pr.bottom() - anchor.y()) / pr.height(), 0.0, 1.0);
    const double tx = r.x0 + ax * (r.x1 - r.x0);
    const double ty = r.y0 + ay * (r.y1 - r.y0);
    Range n = r;
    // Clamp the factor here rather than in setRange, so that the anchor stays put at
    // the limits too.
    const double sx = std::clamp((r.x1 - r.x0) * fx, kMinSpanX, kMaxSpanX) / (r.x1 - r.x0);
    const double sy = std::clamp((r.y1 - r.y0) * fy, kMinSpanY, kMaxSpanY) / (r.y1 - r.y0);
    n.x0 = tx - (tx - r.x0) * sx;
    n.x1 = tx + (r.x1 - tx) * sx;
    n.y0 = ty - (ty - r.y0) * sy;
    n.y1 = ty + (r.y1 - ty) * sy;
    setRange(n);
}

void ProfileChart::pan(double dxPixels, double dyPixels)
{
    const Range r = currentRange();
    const QRectF pr = plotArea();
    if (pr.width() <= 0 || pr.height() <= 0)
        return;
    const double dx = dxPixels / pr.width() * (r.x1 - r.x0);
    const double dy = dyPixels / pr.height() * (r.y1 - r.y0);
    setRange({r.x0 - dx, r.x1 - dx, r.y0 + dy, r.y1 + dy});
}

// ---------------------------------------------------------------- painting

ProfileChart::Layout ProfileChart::layout(const QFontMetricsF &fm, const QRectF &target, const Range &r) const
{
    Layout l;
    const double fh = fm.height();
    // room above the plot for the °C title, clear of the topmost tick label
    const double top = std::ceil(target.top() + fh * 1.9);
    const double bottom = std::floor(target.bottom() - fh * 2.6);

    const double maxYTicks = std::max(1.0, (bottom - top) / (fh * 2.2));
    l.yStep = ProfileChart::NiceStep(r.y1 - r.y0, maxYTicks);
    const QLocale locale = NumberLocale();
    const int yDecimals = decimalsFor(l.yStep);
    // The class lives in a namespace, so tr() would look under "vard::ProfileChart"; the
    // texts are kept under the plain name the translation file has.
    double labelWidth = fm.horizontalAdvance(QCoreApplication::translate("ProfileChart", "°C"));
    for (double v : ticks(r.y0, r.y1, l.yStep))
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(locale.toString(v, 'f', yDecimals)));
    const double left = std::ceil(target.left() + labelWidth + fh * 0.8);
    const double right = std::floor(target.right() - fm.horizontalAdvance(QStringLiteral("000:00")) / 2 - fh * 0.3);
    l.plot = QRectF(QPointF(left, top), QPointF(std::max(left, right), std::max(top, bottom)));

    l.minutes = r.x1 - r.x0 >= kMinutesFromSpan;
    const double labelSpace =
        fm.horizontalAdvance(l.minutes ? QStringLiteral("0000:00") : QStringLiteral("00000.0")) + fh * 1.5;
    const double maxXTicks = std::max(1.0, l.plot.width() / labelSpace);
    l.xStep = l.minutes ? minuteStep(r.x1 - r.x0, maxXTicks) : ProfileChart::NiceStep(r.x1 - r.x0, maxXTicks);
    return l;
}

QRectF ProfileChart::plotArea() const
{
    return layout(QFontMetricsF(font(), this), QRectF(rect()), currentRange()).plot;
}

void ProfileChart::render(QPainter *painter, const QRectF &target) const
{
    if (painter && painter->isActive())
        paintChart(painter, target);
}

QRectF ProfileChart::paintChart(QPainter *p, const QRectF &target) const
{
    p->save();
    p->setClipRect(target, Qt::IntersectClip);
    p->setRenderHint(QPainter::Antialiasing, false);
    p->fillRect(target, Qt::white);

    const QFontMetricsF fm(p->font(), p->device());
    const double fh = fm.height();
    const double lw = std::max(1.0, std::round(fh / 16.0));
    const Range r = currentRange();
    const Layout l = layout(fm, target, r);
    const QRectF pr = l.plot;
    if (pr.width() < 4 || pr.height() < 4) {
        p->restore();
        return pr;
    }
    const QLocale locale = NumberLocale();
    const double sx = pr.width() / (r.x1 - r.x0);
    const double sy = pr.height() / (r.y1 - r.y0);
    const auto X = [&](double seconds) { return pr.left() + (seconds - r.x0) * sx; };
    const auto Y = [&](double c) {
        return std::clamp(pr.bottom() - (c - r.y0) * sy, pr.top() - kOffPlot, pr.bottom() + kOffPlot);
    };
    const std::vector<double> xTicks = ticks(r.x0, r.x1, l.xStep);
    const std::vector<double> yTicks = ticks(r.y0, r.y1, l.yStep);

    p->save();
    p->setClipRect(pr, Qt::IntersectClip);

    // the soak band
    if (m_bandLow || m_bandHigh) {
        const double yHigh = m_bandHigh ? Y(*m_bandHigh) : pr.top();
        const double yLow = m_bandLow ? Y(*m_bandLow) : pr.bottom();
        p->fillRect(QRectF(pr.left(), yHigh, pr.width(), yLow - yHigh), bandColor());
    }

    // grid
    p->setPen(QPen(gridColor(), lw));
    for (double v : xTicks) {
        const double x = std::round(X(v));
        p->drawLine(QLineF(x, pr.top(), x, pr.bottom()));
    }
    for (double v : yTicks) {
        const double y = std::round(Y(v));
        p->drawLine(QLineF(pr.left(), y, pr.right(), y));
    }

    // the liquidus line with its value
    if (m_liquidus) {
        const double y = std::round(Y(*m_liquidus));
        QPen pen(liquidusColor(), lw * 1.5, Qt::DashLine);
        p->setPen(pen);
        p->drawLine(QLineF(pr.left(), y, pr.right(), y));
        const double value = *m_liquidus;
        const QString text = degrees(locale, value, value == std::round(value) ? 0 : 1);
        const double w = fm.horizontalAdvance(text);
        const double gap = fh * 0.2;
        QRectF box(pr.right() - w - fh * 0.5, y - fh - gap, w + gap * 2, fh);
        if (box.top() < pr.top())
            box.moveTop(y + gap * 2);
        p->fillRect(box, QColor(255, 255, 255, 200));
        p->drawText(box, Qt::AlignCenter, text);
    }

    // the curve
    const qsizetype n = qsizetype(m_t.size());
    if (n > 0) {
        const double x0ms = r.x0 * 1000.0, x1ms = r.x1 * 1000.0;
        const auto lowerBound = [this](qsizetype from, qsizetype to, double ms) {
            return qsizetype(std::lower_bound(m_t.begin() + from, m_t.begin() + to, ms,
                                              [](qint32 v, double t) { return v < t; }) -
                             m_t.begin());
        };
        const qsizetype a = lowerBound(0, n, x0ms);
        const qsizetype b = qsizetype(std::upper_bound(m_t.begin() + a, m_t.end(), x1ms,
                                                       [](double t, qint32 v) { return t < v; }) -
                                      m_t.begin());
        const int columns = int(pr.width());
        const auto point = [&](qsizetype i) { return QPointF(X(m_t[size_t(i)] / 1000.0), Y(m_c[size_t(i)])); };

        const double cw = std::max(2.0, fh / 8.0);
        // The neighbours just outside the view can lie arbitrarily far off: a segment
        // to one is cut at the edge of the plot.
        const double xl = pr.left() - fh, xr = pr.right() + fh;
        const auto cut = [](QPointF &outer, const QPointF &inner, double x) {
            if (inner.x() == outer.x())
                return;
            const double f = (x - inner.x()) / (outer.x() - inner.x());
            outer = QPointF(x, inner.y() + f * (outer.y() - inner.y()));
        };
        const auto clipped = [&](QPointF from, QPointF to) {
            if (from.x() < xl)
                cut(from, to, xl);
            if (to.x() > xr)
                cut(to, from, xr);
            return QLineF(from, to);
        };
        // Bevel joins: round ones cost the stroker several times more and look the
        // same at this width.
        const QPen pen(curveColor(), cw, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin);

        if (b - a <= columns) {
            // at most one sample per column: the exact polyline through them, open
            // at every break
            std::vector<QPolygonF> polys(1);
            polys.back().reserve((b - a) + 2);
            if (a > 0 && !breakBefore(a))
                polys.back().append(point(a - 1));
            for (qsizetype i = a; i < b; ++i) {
                if (i > a && breakBefore(i))
                    polys.emplace_back();
                polys.back().append(point(i));
            }
            if (b < n && !breakBefore(b))
                polys.back().append(point(b));
            QPolygonF &first = polys.front();
            if (first.size() >= 2 && first.first().x() < xl)
                cut(first.first(), first[1], xl);
            QPolygonF &last = polys.back();
            if (last.size() >= 2 && last.last().x() > xr)
                cut(last.last(), last[last.size() - 2], xr);
            p->setRenderHint(QPainter::Antialiasing, true);
            p->setPen(pen);
            for (const QPolygonF &poly : polys) {
                if (poly.size() == 1) {
                    p->setBrush(curveColor());
                    p->drawEllipse(poly.first(), cw, cw);
                    p->setBrush(Qt::NoBrush);
                } else if (poly.size() > 1) {
                    p->drawPolyline(poly);
                }
            }
        } else {
            // One solid stroke per pixel column from its lowest to its highest
            // reading, reaching up or down to where the previous column ended, so
            // that a single spike among thousands of samples stays visible and the
            // curve joins up. Filled rectangles, not a stroked path: a path that
            // doubles back on itself in every column is what makes a stroker slow.
            QVector<QRectF> strokes;
            strokes.reserve(columns);
            QVector<QLineF> joins; // across empty columns, and to the neighbours
            std::optional<QPointF> previous;
            int previousColumn = -2;
            if (a > 0)
                previous = point(a - 1);
            const double width = std::max(1.0, std::round(cw));
            qsizetype s = a;
            for (int col = 0; col < columns && s < b; ++col) {
                const qsizetype e = col == columns - 1
                                        ? b
                                        : lowerBound(s, b, x0ms + (col + 1) * (x1ms - x0ms) / columns);
                if (e == s)
                    continue;
                // A column with a break in it gets a stroke for each side of it.
                for (qsizetype from = s; from < e;) {
                    const qsizetype to = nextBreak(from, e);
                    float lo, hi;
                    minMax(from, to, lo, hi);
                    const double xc = pr.left() + col + 0.5;
                    double top = Y(hi), bottom = Y(lo);
                    if (previous && breakBefore(from)) {
                        previous.reset(); // nothing reaches across a break
                    } else if (previous && previousColumn == col - 1) {
                        top = std::min(top, previous->y());
                        bottom = std::max(bottom, previous->y());
                    } else if (previous) {
                        joins.append(clipped(*previous, QPointF(xc, Y(m_c[size_t(from)]))));
                    }
                    // whole pixels, so that the picture is the same wherever on a page it goes
                    const double y0 = std::round(top - cw / 2), y1 = std::max(y0 + 1, std::round(bottom + cw / 2));
                    strokes.append(QRectF(pr.left() + col - std::floor((width - 1) / 2), y0, width, y1 - y0));
                    previous = QPointF(xc, Y(m_c[size_t(to - 1)]));
                    previousColumn = col;
                    from = to;
                }
                s = e;
            }
            if (b < n && previous && !breakBefore(b))
                joins.append(clipped(*previous, point(b)));
            p->setPen(Qt::NoPen);
            p->setBrush(curveColor());
            p->drawRects(strokes);
            p->setRenderHint(QPainter::Antialiasing, true);
            p->setPen(pen);
            p->drawLines(joins);
        }
        p->setRenderHint(QPainter::Antialiasing, false);
    }
    p->restore();

    // frame and ticks
    p->setPen(QPen(kFrame, lw));
    p->setBrush(Qt::NoBrush);
    p->drawRect(pr);
    const double tick = std::round(fh * 0.3);
    for (double v : xTicks) {
        const double x = std::round(X(v));
        p->drawLine(QLineF(x, pr.bottom(), x, pr.bottom() + tick));
    }
    for (double v : yTicks) {
        const double y = std::round(Y(v));
        p->drawLine(QLineF(pr.left() - tick, y, pr.left(), y));
    }

    // labels
    p->setPen(kText);
    const int yDecimals = decimalsFor(l.yStep);
    for (double v : yTicks) {
        const double y = Y(v);
        p->drawText(QRectF(target.left(), y - fh / 2, pr.left() - tick - fh * 0.2 - target.left(), fh),
                    Qt::AlignRight | Qt::AlignVCenter, locale.toString(v, 'f', yDecimals));
    }
    const int xDecimals = decimalsFor(l.xStep);
    for (double v : xTicks) {
        const QString text = l.minutes ? minSec(v) : locale.toString(v, 'f', xDecimals);
        const double w = fm.horizontalAdvance(text);
        const double x = X(v);
        if (x - w / 2 < target.left() || x + w / 2 > target.right())
            continue;
        p->drawText(QRectF(x - w / 2 - fh, pr.bottom() + tick, w + 2 * fh, fh * 1.2), Qt::AlignCenter, text);
    }
    // axis titles
    const QString timeTitle = QCoreApplication::translate("ProfileChart", "Time") + (l.minutes ? QStringLiteral(" (min:s)") : QStringLiteral(" (s)"));
    p->drawText(QRectF(pr.left(), pr.bottom() + tick + fh * 1.2, pr.width(), fh * 1.2), Qt::AlignCenter,
                timeTitle);
    p->drawText(QRectF(target.left(), target.top() + fh * 0.1, pr.left() - target.left(), fh),
                Qt::AlignRight | Qt::AlignVCenter, QCoreApplication::translate("ProfileChart", "°C"));

    p->restore();
    return pr;
}

void ProfileChart::invalidate()
{
    m_cacheValid = false;
    update();
}

void ProfileChart::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1));
    if (!m_cacheValid || m_cache.size() != pixels) {
        if (m_cache.size() != pixels)
            m_cache = QPixmap(pixels);
        m_cache.setDevicePixelRatio(dpr);
        QPainter cp(&m_cache);
        cp.setFont(font());
        paintChart(&cp, QRectF(rect()));
        m_cacheValid = true;
    }

    QPainter p(this);
    p.drawPixmap(0, 0, m_cache);

    if (!m_mouse)
        return;
    const QRectF pr = plotArea();
    if (!pr.contains(*m_mouse) || pr.width() <= 0)
        return;
    const double x = std::floor(m_mouse->x()) + 0.5;
    p.setPen(QPen(kCursor, 1));
    p.drawLine(QLineF(x, pr.top(), x, pr.bottom()));

    const Range r = currentRange();
    const qsizetype i = nearestIndex(r.x0 + (m_mouse->x() - pr.left()) / pr.width() * (r.x1 - r.x0));
    if (i < 0)
        return;
    const double t = m_t[size_t(i)], c = m_c[size_t(i)];
    const QPointF at(pr.left() + (t / 1000.0 - r.x0) / (r.x1 - r.x0) * pr.width(),
                     pr.bottom() - (c - r.y0) / (r.y1 - r.y0) * pr.height());
    if (pr.contains(at)) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kCursor, 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(at, 3.5, 3.5);
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    const QString text = cursorText(qint64(t), c, r.x1 - r.x0 >= kMinutesFromSpan);
    const QFontMetricsF fm(p.font(), this);
    const double pad = std::round(fm.height() * 0.3);
    const QSizeF box(std::ceil(fm.horizontalAdvance(text)) + 2 * pad, std::ceil(fm.height()) + pad);
    double left = x + 6;
    if (left + box.width() > pr.right())
        left = x - 6 - box.width();
    const QRectF rect(QPointF(std::round(std::max(left, pr.left() + 1)), pr.top() + 4), box);
    p.setPen(QPen(kCursor, 1));
    p.setBrush(QColor(255, 255, 255, 240));
    p.drawRect(rect);
    p.setPen(kText);
    p.drawText(rect, Qt::AlignCenter, text);
}

QString ProfileChart::cursorText(qint64 ms, double celsius, bool minutes)
{
    const QLocale locale = NumberLocale();
    const QString time =
        minutes ? minSec(double(ms) / 1000.0) : locale.toString(double(ms) / 1000.0, 'f', 1) + QStringLiteral(" s");
    return time + QStringLiteral("  ") + degrees(locale, celsius, 1);
}

// ---------------------------------------------------------------- events

void ProfileChart::resizeEvent(QResizeEvent *event)
{
    m_cacheValid = false;
    QWidget::resizeEvent(event);
}

void ProfileChart::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::LanguageChange:
    case QEvent::LocaleChange:
    case QEvent::FontChange:
        invalidate();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void ProfileChart::wheelEvent(QWheelEvent *event)
{
    // some platforms turn a wheel with a modifier held into a horizontal one
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kWheelZoom, delta / 120.0);
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
        zoom(1.0, factor, event->position());
    else
        zoom(factor, 1.0, event->position());
    event->accept();
}

void ProfileChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragStart = event->position();
        m_dragView = currentRange();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ProfileChart::mouseMoveEvent(QMouseEvent *event)
{
    m_mouse = event->position();
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        const QPointF d = event->position() - m_dragStart;
        if (d.x() != 0 || d.y() != 0) {
            const QRectF pr = plotArea();
            if (pr.width() > 0 && pr.height() > 0) {
                const Range &v = m_dragView;
                const double dx = d.x() / pr.width() * (v.x1 - v.x0);
                const double dy = d.y() / pr.height() * (v.y1 - v.y0);
                setRange({v.x0 - dx, v.x1 - dx, v.y0 + dy, v.y1 + dy});
            }
        }
    }
    update();
}

void ProfileChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void ProfileChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        resetView();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void ProfileChart::leaveEvent(QEvent *event)
{
    m_mouse.reset();
    update();
    QWidget::leaveEvent(event);
}

void ProfileChart::keyPressEvent(QKeyEvent *event)
{
    const QRectF pr = plotArea();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(kWheelZoom, 1.0, pr.center());
        break;
    case Qt::Key_Minus:
        zoom(1.0 / kWheelZoom, 1.0, pr.center());
        break;
    case Qt::Key_Left:
        pan(pr.width() * kKeyPan, 0);
        break;
    case Qt::Key_Right:
        pan(-pr.width() * kKeyPan, 0);
        break;
    case Qt::Key_Up:
        pan(0, pr.height() * kKeyPan);
        break;
    case Qt::Key_Down:
        pan(0, -pr.height() * kKeyPan);
        break;
    case Qt::Key_Home:
    case Qt::Key_0:
        resetView();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace vard
