#pragma once
// The live temperature curve of a measurement. Runs last hours at up to two samples a
// second, so a redraw must cost what the screen has columns, not what the run has
// samples: the samples are kept compactly with a min/max pyramid over them, and each
// pixel column is drawn as one vertical stroke from its lowest to its highest reading.

#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QFontMetricsF;
class QPainter;

namespace vard {

class ProfileChart : public QWidget {
    Q_OBJECT
public:
    explicit ProfileChart(QWidget *parent = nullptr);
    ~ProfileChart() override;

    // Samples, in order of time (a time earlier than the last one is taken as the
    // last one). Times are ms since the start of the run. A break before a sample
    // leaves the curve open between it and the one before: a new run, or a gap in the
    // readings, which a line would pretend to know.
    void appendSample(qint64 timeMs, double celsius, bool breakBefore = false);
    // `breaks`: indices into the given samples that have a break before them.
    void setSamples(const std::vector<qint64> &timesMs, const std::vector<double> &celsius,
                    const std::vector<qsizetype> &breaks = {});
    void clear();
    qsizetype sampleCount() const;
    // Indices of the samples with a break before them, ascending.
    const std::vector<qsizetype> &breaks() const { return m_breaks; }
    // Bytes the samples and their pyramid occupy.
    qsizetype memoryBytes() const;

    // Drawn behind the curve. A band with one bound reaches to the edge of the plot.
    void setLiquidus(std::optional<double> celsius);
    void setBand(std::optional<double> low, std::optional<double> high);

    // The visible range: left/right in s, top() the lowest and bottom() the highest
    // temperature in °C shown (so height() is the temperature span).
    QRectF viewRange() const;
    // Shows that range and stops following new samples.
    void setViewRange(const QRectF &range);
    // Back to the whole run, following new samples.
    void resetView();
    bool isFollowing() const;

    // Where the curve goes inside the widget, between the axes.
    QRectF plotArea() const;

    // Paints the chart (without the mouse cursor) into target, on any paint device:
    // a printer, a PDF, an image. (QWidget's own render() overloads are hidden by it;
    // grab() still gives the widget as shown.)
    void render(QPainter *painter, const QRectF &target) const;

    // The cursor label: "12.5 s  183.2 °C", or with minutes "2:05  183.2 °C".
    static QString cursorText(qint64 ms, double celsius, bool minutes);
    // The time axis counts in min:s from this span of the view on (s).
    static constexpr double kMinutesFromSpan = 120.0;

    // A grid step for an axis: 1, 2 or 5 times a power of ten, at least span / maxTicks.
    static double NiceStep(double span, double maxTicks);

    static QColor curveColor();
    static QColor bandColor(); // translucent
    static QColor liquidusColor();
    static QColor gridColor();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Range {
        double x0, x1, y0, y1;
    };
    // One level of the pyramid: min and max of each block of 64^(level+1) samples.
    struct Level {
        std::vector<float> lo, hi;
    };
    static constexpr int kLevels = 2; // blocks of 64 and 4096 samples
    struct Layout;

    Range autoRange() const;
    Range currentRange() const;
    void setRange(const Range &r); // stops following
    void pushSample(qint32 ms, float c);
    void minMax(qsizetype from, qsizetype to, float &lo, float &hi) const;
    qsizetype nearestIndex(double seconds) const;
    bool breakBefore(qsizetype i) const;
    // The first sample in (from, to) with a break before it, or to.
    qsizetype nextBreak(qsizetype from, qsizetype to) const;
    Layout layout(const QFontMetricsF &fm, const QRectF &target, const Range &r) const;
    // Paints everything but the cursor; returns where the plot area went.
    QRectF paintChart(QPainter *p, const QRectF &target) const;
    void invalidate();
    void zoom(double fx, double fy, QPointF anchor);
    void pan(double dxPixels, double dyPixels);

    std::vector<qint32> m_t; // ms
    std::vector<float> m_c;  // °C
    Level m_levels[kLevels];
    float m_min = 0, m_max = 0;
    std::vector<qsizetype> m_breaks;
    bool m_pendingBreak = false; // before a sample that was dropped

    std::optional<double> m_liquidus;
    std::optional<double> m_bandLow, m_bandHigh;

    bool m_following = true;
    Range m_view{0, 1, 0, 1};

    bool m_dragging = false;
    QPointF m_dragStart;
    Range m_dragView{0, 1, 0, 1};
    std::optional<QPointF> m_mouse;

    QPixmap m_cache;
    bool m_cacheValid = false;
};

} // namespace vard
