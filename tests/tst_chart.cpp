// The temperature-curve chart as the operator sees it: the pixels of its grab where a
// sample, the soak band and the liquidus line must be, a one-sample spike among a
// million samples, the view under the wheel, the keys and the mouse, the cursor, the
// same picture on paper as on screen, and the texts on a change of language.

#include <QApplication>
#include <QPainter>
#include <QSet>
#include <QTranslator>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "PixelHelpers.h"
#include "ui/widgets/ProfileChart.h"

using vard::ProfileChart;

namespace {

struct Series {
    std::vector<qint64> t;
    std::vector<double> c;
    void add(qint64 ms, double celsius)
    {
        t.push_back(ms);
        c.push_back(celsius);
    }
};

QImage grabOf(ProfileChart &chart) { return chart.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Where a point of the curve lands, from the view and the plot area alone.
QPoint toPixel(const ProfileChart &chart, double seconds, double celsius)
{
    const QRectF pr = chart.plotArea();
    const QRectF v = chart.viewRange();
    return QPoint(int(std::floor(pr.left() + (seconds - v.left()) / v.width() * pr.width())),
                  int(std::floor(pr.bottom() - (celsius - v.top()) / v.height() * pr.height())));
}

bool near(QRgb pixel, const QColor &c, int tolerance)
{
    return std::abs(qRed(pixel) - c.red()) <= tolerance && std::abs(qGreen(pixel) - c.green()) <= tolerance &&
           std::abs(qBlue(pixel) - c.blue()) <= tolerance;
}

// A translucent colour as it shows on the white background.
QColor onWhite(const QColor &c)
{
    const double a = c.alphaF();
    return QColor(qRound(c.red() * a + 255 * (1 - a)), qRound(c.green() * a + 255 * (1 - a)),
                  qRound(c.blue() * a + 255 * (1 - a)));
}

bool curveAt(const QImage &image, QPoint p, int radius = 2)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && near(image.pixel(q), ProfileChart::curveColor(), 40))
                return true;
        }
    return false;
}

// Share of the plot's row y (its edges left out) that has colour c.
double rowShare(const QImage &image, const QRectF &plot, int y, const QColor &c, int tolerance)
{
    int hits = 0, all = 0;
    for (int x = int(plot.left()) + 3; x < int(plot.right()) - 3; ++x, ++all)
        hits += near(image.pixel(x, y), c, tolerance) ? 1 : 0;
    return all ? double(hits) / all : 0;
}

void sendWheel(ProfileChart &chart, QPointF pos, int delta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent e(pos, chart.mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &e);
}

void sendMove(ProfileChart &chart, QPointF pos, Qt::MouseButtons buttons)
{
    QMouseEvent e(QEvent::MouseMove, pos, chart.mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&chart, &e);
}

bool sameRange(const QRectF &a, const QRectF &b)
{
    const double ex = 1e-6 * std::max(std::abs(a.width()), 1.0), ey = 1e-6 * std::max(std::abs(a.height()), 1.0);
    return std::abs(a.left() - b.left()) <= ex && std::abs(a.right() - b.right()) <= ex &&
           std::abs(a.top() - b.top()) <= ey && std::abs(a.bottom() - b.bottom()) <= ey;
}

QString show(const QRectF &r)
{
    return QStringLiteral("x %1..%2 y %3..%4").arg(r.left()).arg(r.right()).arg(r.top()).arg(r.bottom());
}

// Translates the chart's own texts and notes what it was asked for.
class RecordingTranslator : public QTranslator {
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        // The context the translation file keeps the chart's texts under.
        if (QByteArrayView(context) != "ProfileChart")
            return QString();
        asked.insert(QString::fromUtf8(source));
        if (QByteArrayView(source) == "Time")
            return QStringLiteral("Zeit seit dem Start der Messung");
        return QString();
    }
    bool isEmpty() const override { return false; }
    mutable QSet<QString> asked;
};

} // namespace

class TestChart : public QObject {
    Q_OBJECT

    std::unique_ptr<ProfileChart> m_chart;

    ProfileChart &chart() { return *m_chart; }

    // A fixed view, so that the tests know where everything lands.
    void fixedView() { chart().setViewRange(QRectF(0, 0, 100, 300)); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        m_chart = std::make_unique<ProfileChart>();
        m_chart->resize(800, 400);
        m_chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_chart.get()));
    }

    void cleanup() { m_chart.reset(); }

    void curveAtSample_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRectF>("view"); // empty: following
        QTest::addColumn<QPointF>("probe");

        QTest::newRow("few samples, at a sample") << "ramp" << QRectF() << QPointF(35, 95);
        QTest::newRow("few samples, between two") << "ramp" << QRectF() << QPointF(37.5, 100);
        QTest::newRow("appended live") << "live" << QRectF() << QPointF(90, 205);
        QTest::newRow("100000 samples") << "sine" << QRectF() << QPointF(12500, 200);
        QTest::newRow("100000 samples, zoomed in") << "sine" << QRectF(12000, 150, 1000, 60) << QPointF(12500, 200);
        QTest::newRow("view between two samples") << "two" << QRectF(40, 100, 20, 100) << QPointF(50, 150);
        QTest::newRow("many samples with a gap") << "gap" << QRectF() << QPointF(100, 150);
        QTest::newRow("below zero") << "cold" << QRectF() << QPointF(30, -14);
    }

    void curveAtSample()
    {
        QFETCH(QString, kind);
        QFETCH(QRectF, view);
        QFETCH(QPointF, probe);

        Series s;
        if (kind == "ramp" || kind == "live") {
            for (int i = 0; i < 20; ++i)
                s.add(i * 5000, 25 + i * 10);
        } else if (kind == "sine") {
            for (int i = 0; i < 100000; ++i)
                s.add(qint64(i) * 500, 150 + 50 * std::sin(2 * std::numbers::pi * i / 100000.0));
        } else if (kind == "two") {
            s.add(0, 100);
            s.add(100000, 200);
            s.add(200000, 120);
        } else if (kind == "gap") {
            for (int i = 0; i <= 2000; ++i)
                s.add(i * 25, 100);
            for (int i = 0; i <= 2000; ++i)
                s.add(150000 + i * 25, 200);
        } else if (kind == "cold") {
            for (int i = 0; i <= 60; ++i)
                s.add(i * 1000, -20 + i * 0.2);
        }

        if (kind == "live") {
            // the cached picture must not outlive the samples that follow it
            for (size_t i = 0; i < s.t.size(); ++i) {
                chart().appendSample(s.t[i], s.c[i]);
                if (i == 5)
                    grabOf(chart());
            }
        } else {
            chart().setSamples(s.t, s.c);
        }
        QCOMPARE(chart().sampleCount(), qsizetype(s.t.size()));
        if (!view.isNull())
            chart().setViewRange(view);

        const QImage img = grabOf(chart());
        const QPoint p = toPixel(chart(), probe.x(), probe.y());
        QVERIFY2(curveAt(img, p), qPrintable(QStringLiteral("no curve at %1,%2").arg(p.x()).arg(p.y())));
        QVERIFY2(!curveAt(img, p - QPoint(0, 25)), "the curve is where no sample is");
    }

    // A break leaves the curve open: after a new run (which goes on at the time the
    // one before ended, from another temperature) and over a gap in the readings. In
    // the exact polyline (few samples) and in the per-column strokes (many), filled at
    // once or sample by sample; without the break the same samples are joined.
    void breaksLeaveTheCurveOpen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("stepMs");
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("broken");
        for (const char *kind : {"new run", "gap"}) {
            for (int stepMs : {1000, 25}) {
                const char *path = stepMs == 1000 ? "polyline" : "columns";
                QTest::addRow("%s, %s", kind, path) << QString(kind) << stepMs << false << true;
                QTest::addRow("%s, %s, live", kind, path) << QString(kind) << stepMs << true << true;
                QTest::addRow("%s, %s, no break", kind, path) << QString(kind) << stepMs << false << false;
            }
        }
    }

    void breaksLeaveTheCurveOpen()
    {
        QFETCH(QString, kind);
        QFETCH(int, stepMs);
        QFETCH(bool, live);
        QFETCH(bool, broken);
        // new run: rising to 250 °C at 50 s, then the next run at 25 °C from 50 s on.
        // gap: 100 °C until 40 s, nothing until 60 s, then 200 °C.
        Series s;
        std::vector<qsizetype> breaks;
        const bool run = kind == "new run";
        for (qint64 ms = 0; ms <= (run ? 50000 : 40000); ms += stepMs)
            s.add(ms, run ? 25 + 4.5 * double(ms) / 1000 : 100);
        breaks.push_back(qsizetype(s.t.size()));
        for (qint64 ms = run ? 50000 : 60000; ms <= 100000; ms += stepMs)
            s.add(ms, run ? 25 : 200);
        if (!broken)
            breaks.clear();
        if (live) {
            for (size_t i = 0; i < s.t.size(); ++i)
                chart().appendSample(s.t[i], s.c[i], !breaks.empty() && qsizetype(i) == breaks.front());
        } else {
            chart().setSamples(s.t, s.c, breaks);
        }
        QCOMPARE(chart().breaks(), breaks);
        fixedView();
        const QImage img = grabOf(chart());

        // Both sides are drawn; in between there is nothing of the curve.
        QVERIFY(curveAt(img, toPixel(chart(), 20, run ? 115 : 100)));
        QVERIFY(curveAt(img, toPixel(chart(), 80, run ? 25 : 200)));
        const QRect between = run ? QRect(toPixel(chart(), 49, 225), toPixel(chart(), 51, 50))
                                  : QRect(toPixel(chart(), 42, 185), toPixel(chart(), 58, 115));
        const int inBetween = pixelsNear(img, ProfileChart::curveColor(), 40, between);
        if (broken)
            QVERIFY2(inBetween == 0, qPrintable(QString::number(inBetween)));
        else
            QVERIFY(inBetween > 0);
    }

    void overlaysBehindTheCurve()
    {
        // many samples: the curve is then drawn in whole pixels of its own colour
        Series s;
        for (int i = 0; i <= 2000; ++i)
            s.add(i * 50, 125);
        chart().setSamples(s.t, s.c);
        chart().setBand(100, 150);
        chart().setLiquidus(217);
        fixedView();
        const QImage img = grabOf(chart());
        const QRectF pr = chart().plotArea();
        const QColor band = onWhite(ProfileChart::bandColor());

        QVERIFY(rowShare(img, pr, toPixel(chart(), 0, 110).y(), band, 4) > 0.8);
        QVERIFY(rowShare(img, pr, toPixel(chart(), 0, 140).y(), band, 4) > 0.8);
        QVERIFY(rowShare(img, pr, toPixel(chart(), 0, 90).y(), band, 4) < 0.05);
        QVERIFY(rowShare(img, pr, toPixel(chart(), 0, 160).y(), band, 4) < 0.05);

        // dashed: a good part of its row, and nothing of it a few pixels off
        const int liquidusY = toPixel(chart(), 0, 217).y();
        bool found = false;
        for (int y = liquidusY - 1; y <= liquidusY + 1; ++y)
            found = found || rowShare(img, pr, y, ProfileChart::liquidusColor(), 40) > 0.3;
        QVERIFY(found);
        QVERIFY(rowShare(img, pr, liquidusY + 6, ProfileChart::liquidusColor(), 40) < 0.02);
        QVERIFY(rowShare(img, pr, liquidusY + 6, Qt::white, 3) > 0.8);

        // the curve over the band, in its own colour
        const QPoint onCurve = toPixel(chart(), 50, 125);
        bool pure = false;
        for (int dy = -1; dy <= 1; ++dy)
            pure = pure || near(img.pixel(onCurve + QPoint(0, dy)), ProfileChart::curveColor(), 2);
        QVERIFY(pure);

        chart().setBand(std::nullopt, std::nullopt);
        chart().setLiquidus(std::nullopt);
        const QImage plain = grabOf(chart());
        QVERIFY(rowShare(plain, pr, toPixel(chart(), 0, 110).y(), band, 4) < 0.05);
        QVERIFY(rowShare(plain, pr, liquidusY, ProfileChart::liquidusColor(), 40) < 0.02);
    }

    void bandWithOneBound_data()
    {
        QTest::addColumn<std::optional<double>>("low");
        QTest::addColumn<std::optional<double>>("high");
        QTest::addColumn<double>("inside");
        QTest::addColumn<double>("outside");
        QTest::newRow("low only") << std::optional<double>(200) << std::optional<double>() << 290.0 << 190.0;
        QTest::newRow("high only") << std::optional<double>() << std::optional<double>(50) << 5.0 << 60.0;
        QTest::newRow("bounds swapped") << std::optional<double>(150) << std::optional<double>(100) << 125.0
                                        << 160.0;
    }

    void bandWithOneBound()
    {
        QFETCH(std::optional<double>, low);
        QFETCH(std::optional<double>, high);
        QFETCH(double, inside);
        QFETCH(double, outside);
        chart().setBand(low, high);
        fixedView();
        const QImage img = grabOf(chart());
        const QColor band = onWhite(ProfileChart::bandColor());
        QVERIFY(rowShare(img, chart().plotArea(), toPixel(chart(), 0, inside).y(), band, 4) > 0.8);
        QVERIFY(rowShare(img, chart().plotArea(), toPixel(chart(), 0, outside).y(), band, 4) < 0.05);
    }

    void emptyChart()
    {
        QCOMPARE(chart().sampleCount(), qsizetype(0));
        const QRectF v = chart().viewRange();
        QVERIFY(v.width() > 0 && v.height() > 0);
        const QImage img = grabOf(chart());
        const QRectF pr = chart().plotArea();
        QVERIFY(pr.width() > 600 && pr.height() > 250);
        // the frame, and labels left of it, but nothing in the middle of the plot
        QVERIFY(qGray(img.pixel(int(pr.left()), int(pr.center().y()))) < 128);
        int dark = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < int(pr.left()) - 2; ++x)
                dark += qGray(img.pixel(x, y)) < 128 ? 1 : 0;
        QVERIFY(dark > 20);
        QVERIFY(!curveAt(img, pr.center().toPoint(), 20));

        // too small to hold a plot, on screen or on paper
        chart().resize(30, 20);
        grabOf(chart());
        QImage tiny(10, 10, QImage::Format_RGB32);
        QPainter p(&tiny);
        chart().render(&p, QRectF(0, 0, 10, 10));
    }

    void autoScale_data()
    {
        QTest::addColumn<QList<QPointF>>("samples"); // ms, °C
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("rising") << QList<QPointF>{{0, 20}, {1000, 30}, {60000, 250}}
                                << QRectF(QPointF(0, 20 - 11.5), QPointF(60, 250 + 11.5));
        QTest::newRow("flat: never zero height") << QList<QPointF>{{0, 100}, {500, 100}, {30000, 100}}
                                                 << QRectF(QPointF(0, 99), QPointF(30, 101));
        QTest::newRow("one sample") << QList<QPointF>{{0, 50}} << QRectF(QPointF(0, 49), QPointF(1, 51));
        QTest::newRow("below zero") << QList<QPointF>{{0, -40}, {10000, -20}}
                                    << QRectF(QPointF(0, -41), QPointF(10, -19));
    }

    void autoScale()
    {
        QFETCH(QList<QPointF>, samples);
        QFETCH(QRectF, expected);
        for (const QPointF &s : samples)
            chart().appendSample(qint64(s.x()), s.y());
        QVERIFY(chart().isFollowing());
        QVERIFY2(sameRange(chart().viewRange(), expected), qPrintable(show(chart().viewRange())));

        // following: the next sample widens the view
        chart().appendSample(600000, 400);
        QCOMPARE(chart().viewRange().right(), 600.0);
        QVERIFY(chart().viewRange().bottom() > 400);
        QVERIFY(curveAt(grabOf(chart()), toPixel(chart(), 600, 400)));

        chart().clear();
        QCOMPARE(chart().sampleCount(), qsizetype(0));
        QVERIFY(chart().isFollowing());
    }

    void wheelZoom_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("delta");
        QTest::addColumn<double>("xFactor");
        QTest::addColumn<double>("yFactor");
        QTest::newRow("wheel up zooms time in") << int(Qt::NoModifier) << 120 << 0.8 << 1.0;
        QTest::newRow("wheel down zooms time out") << int(Qt::NoModifier) << -120 << 1.25 << 1.0;
        QTest::newRow("two notches") << int(Qt::NoModifier) << 240 << 0.64 << 1.0;
        QTest::newRow("Ctrl zooms temperature") << int(Qt::ControlModifier) << 120 << 1.0 << 0.8;
        QTest::newRow("Shift zooms temperature") << int(Qt::ShiftModifier) << -120 << 1.0 << 1.25;
    }

    void wheelZoom()
    {
        QFETCH(int, modifiers);
        QFETCH(int, delta);
        QFETCH(double, xFactor);
        QFETCH(double, yFactor);
        chart().appendSample(0, 20);
        chart().appendSample(100000, 250);
        QVERIFY(chart().isFollowing());
        const QRectF before = chart().viewRange();
        QRectF pr = chart().plotArea();
        // the cursor a third in from the left, two thirds down
        const QPointF at(pr.left() + pr.width() / 3, pr.top() + pr.height() * 2 / 3);
        const auto valueAt = [&](const QRectF &v, const QRectF &plot) {
            return QPointF(v.left() + (at.x() - plot.left()) / plot.width() * v.width(),
                           v.bottom() - (at.y() - plot.top()) / plot.height() * v.height());
        };
        const QPointF anchored = valueAt(before, pr);

        sendWheel(chart(), at, delta, Qt::KeyboardModifiers(modifiers));
        const QRectF after = chart().viewRange();
        QVERIFY(!chart().isFollowing());
        QVERIFY(qAbs(after.width() / before.width() - xFactor) < 1e-9);
        QVERIFY(qAbs(after.height() / before.height() - yFactor) < 1e-9);
        // what was under the cursor stays there (to within a pixel: the labels may
        // change the plot's width)
        pr = chart().plotArea();
        const QPointF now = valueAt(after, pr);
        QVERIFY2(qAbs(now.x() - anchored.x()) <= 1.5 * after.width() / pr.width(), qPrintable(show(after)));
        QVERIFY2(qAbs(now.y() - anchored.y()) <= 1.5 * after.height() / pr.height(), qPrintable(show(after)));
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QRectF>("expected"); // from x 0..100 s, y 0..300 °C
        QTest::newRow("+") << int(Qt::Key_Plus) << QRectF(QPointF(10, 0), QPointF(90, 300));
        QTest::newRow("=") << int(Qt::Key_Equal) << QRectF(QPointF(10, 0), QPointF(90, 300));
        QTest::newRow("-") << int(Qt::Key_Minus) << QRectF(QPointF(-12.5, 0), QPointF(112.5, 300));
        QTest::newRow("left") << int(Qt::Key_Left) << QRectF(QPointF(-10, 0), QPointF(90, 300));
        QTest::newRow("right") << int(Qt::Key_Right) << QRectF(QPointF(10, 0), QPointF(110, 300));
        QTest::newRow("up") << int(Qt::Key_Up) << QRectF(QPointF(0, 30), QPointF(100, 330));
        QTest::newRow("down") << int(Qt::Key_Down) << QRectF(QPointF(0, -30), QPointF(100, 270));
    }

    void keys()
    {
        QFETCH(int, key);
        QFETCH(QRectF, expected);
        fixedView();
        QTest::keyClick(&chart(), Qt::Key(key));
        QVERIFY2(sameRange(chart().viewRange(), expected), qPrintable(show(chart().viewRange())));
        QVERIFY(!chart().isFollowing());
    }

    void resetToFollowing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Home") << "home";
        QTest::newRow("0") << "zero";
        QTest::newRow("double-click") << "double";
        QTest::newRow("resetView") << "call";
    }

    void resetToFollowing()
    {
        QFETCH(QString, how);
        chart().appendSample(0, 20);
        chart().appendSample(30000, 180);
        const QRectF whole = chart().viewRange();
        fixedView();
        chart().appendSample(200000, 240);
        QVERIFY(sameRange(chart().viewRange(), QRectF(0, 0, 100, 300)));

        if (how == "home")
            QTest::keyClick(&chart(), Qt::Key_Home);
        else if (how == "zero")
            QTest::keyClick(&chart(), Qt::Key_0);
        else if (how == "double")
            QTest::mouseDClick(&chart(), Qt::LeftButton, Qt::NoModifier, chart().plotArea().center().toPoint());
        else
            chart().resetView();
        QVERIFY(chart().isFollowing());
        QCOMPARE(chart().viewRange().left(), whole.left());
        QCOMPARE(chart().viewRange().right(), 200.0);
    }

    void dragPans()
    {
        chart().appendSample(0, 20);
        chart().appendSample(50000, 200);
        fixedView();
        const QRectF pr = chart().plotArea();
        const QPoint from = pr.center().toPoint();
        const QPoint to = from + QPoint(76, 33);
        QTest::mousePress(&chart(), Qt::LeftButton, Qt::NoModifier, from);
        sendMove(chart(), from + QPoint(30, 10), Qt::LeftButton);
        sendMove(chart(), to, Qt::LeftButton);
        QTest::mouseRelease(&chart(), Qt::LeftButton, Qt::NoModifier, to);

        const double dx = 76.0 / pr.width() * 100, dy = 33.0 / pr.height() * 300;
        QVERIFY2(sameRange(chart().viewRange(), QRectF(QPointF(-dx, dy), QPointF(100 - dx, 300 + dy))),
                 qPrintable(show(chart().viewRange())));
        QVERIFY(!chart().isFollowing());

        // the mouse moved without the button: the view stays
        sendMove(chart(), from, Qt::NoButton);
        QVERIFY(sameRange(chart().viewRange(), QRectF(QPointF(-dx, dy), QPointF(100 - dx, 300 + dy))));

        // new samples leave the chosen view alone until it is reset, and show in it
        const QRectF chosen = chart().viewRange();
        grabOf(chart());
        chart().appendSample(70000, 150);
        QVERIFY(sameRange(chart().viewRange(), chosen));
        QVERIFY(curveAt(grabOf(chart()), toPixel(chart(), 70, 150)));
        chart().appendSample(400000, 260);
        QVERIFY(sameRange(chart().viewRange(), chosen));
        chart().resetView();
        QVERIFY(chart().isFollowing());
        QCOMPARE(chart().viewRange().right(), 400.0);
        chart().appendSample(500000, 260);
        QCOMPARE(chart().viewRange().right(), 500.0);
    }

    void spikeAmongAMillion_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("shown"); // samples in the view around the spike; 0: all
        QTest::newRow("up, 800 px") << 800 << 777777 << 150.0 << 0;
        QTest::newRow("down, 800 px") << 800 << 4096 * 190 + 2048 << -150.0 << 0;
        QTest::newRow("up, narrow") << 170 << 4096 * 190 + 2048 << 150.0 << 0;
        QTest::newRow("down, narrow") << 170 << 333333 << -150.0 << 0;
        QTest::newRow("first sample") << 800 << 0 << 150.0 << 0;
        QTest::newRow("last sample") << 800 << 999999 << 150.0 << 0;
        // columns of a few samples each, and of a hundred: single samples and blocks
        QTest::newRow("up, zoomed in") << 800 << 500001 << 150.0 << 8000;
        QTest::newRow("down, zoomed in") << 800 << 500001 << -150.0 << 8000;
        QTest::newRow("up, zoomed in less") << 800 << 123457 << 150.0 << 80000;
    }

    void spikeAmongAMillion()
    {
        QFETCH(int, width);
        QFETCH(int, index);
        QFETCH(double, height);
        QFETCH(int, shown);
        chart().resize(width, 400);
        Series s;
        s.t.reserve(1000000);
        s.c.reserve(1000000);
        for (int i = 0; i < 1000000; ++i)
            s.add(qint64(i) * 500, i == index ? 100 + height : 100 + (i % 7) * 0.01);
        chart().setSamples(s.t, s.c);
        const double at = index * 0.5;
        if (shown) {
            const QRectF all = chart().viewRange();
            chart().setViewRange(QRectF(at - shown * 0.25, all.top(), shown * 0.5, all.height()));
        }
        const QImage img = grabOf(chart());
        const QPoint tip = toPixel(chart(), at, 100 + height);
        QVERIFY2(curveAt(img, tip), qPrintable(QStringLiteral("no spike at %1,%2").arg(tip.x()).arg(tip.y())));
        // a spike one column wide, on a line that is there beside it
        const double column = chart().viewRange().width() / chart().plotArea().width();
        for (double off : {-12.0, 12.0}) {
            const double t = at + off * column;
            if (t < 0 || t > chart().viewRange().right())
                continue;
            QVERIFY(!curveAt(img, toPixel(chart(), t, 100 + height)));
            QVERIFY(curveAt(img, toPixel(chart(), t, 100)));
        }
    }

    void cursorText_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<double>("celsius");
        QTest::addColumn<bool>("minutes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("seconds") << qint64(12500) << 183.2 << false << QStringLiteral("12.5 s  183.2 °C");
        QTest::newRow("zero") << qint64(0) << 0.0 << false << QStringLiteral("0.0 s  0.0 °C");
        QTest::newRow("below zero") << qint64(4000) << -5.0 << false << QStringLiteral("4.0 s  -5.0 °C");
        QTest::newRow("no thousands separator") << qint64(1234500) << 1234.5 << false
                                                << QStringLiteral("1234.5 s  1234.5 °C");
        QTest::newRow("min:s") << qint64(125000) << 183.2 << true << QStringLiteral("2:05  183.2 °C");
        QTest::newRow("rounds up to a minute") << qint64(59600) << 25.0 << true << QStringLiteral("1:00  25.0 °C");
        QTest::newRow("an hour on") << qint64(3725000) << 250.0 << true << QStringLiteral("62:05  250.0 °C");
    }

    void cursorText()
    {
        QFETCH(qint64, ms);
        QFETCH(double, celsius);
        QFETCH(bool, minutes);
        QFETCH(QString, expected);
        QCOMPARE(ProfileChart::cursorText(ms, celsius, minutes), expected);
    }

    void cursorFollowsTheMouse()
    {
        for (int i = 0; i <= 100; ++i)
            chart().appendSample(i * 1000, 50 + i);
        fixedView();
        const QImage before = grabOf(chart());
        const QRectF pr = chart().plotArea();
        const QPoint at = toPixel(chart(), 43.3, 250);
        const QColor cursor(90, 90, 90);
        const auto cursorRows = [&](const QImage &img, int x) {
            int n = 0;
            for (int y = int(pr.top()) + 1; y < int(pr.bottom()); ++y)
                n += near(img.pixel(x, y), cursor, 12) ? 1 : 0;
            return double(n) / pr.height();
        };
        QVERIFY(cursorRows(before, at.x()) < 0.05);

        sendMove(chart(), at, Qt::NoButton);
        const QImage with = grabOf(chart());
        QVERIFY(cursorRows(with, at.x()) > 0.6);
        // the label: a box beside the line near the top, with dark text in it
        int text = 0;
        for (int y = int(pr.top()) + 4; y < int(pr.top()) + 30; ++y)
            for (int x = at.x() + 6; x < at.x() + 160; ++x)
                text += qGray(with.pixel(x, y)) < 100 ? 1 : 0;
        QVERIFY(text > 30);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&chart(), &leave);
        QCOMPARE(grabOf(chart()), before);
    }

    void renderMatchesTheScreen()
    {
        Series s;
        for (int i = 0; i < 5000; ++i)
            s.add(i * 500, 25 + 200 * std::sin(i / 5000.0 * std::numbers::pi));
        chart().setSamples(s.t, s.c);
        chart().setBand(150, 180);
        chart().setLiquidus(217);
        const QImage screen = grabOf(chart());

        // into the middle of a larger page: the chart there, nothing outside it
        QImage page(900, 500, QImage::Format_RGB32);
        page.fill(Qt::magenta);
        {
            QPainter p(&page);
            p.setFont(chart().font());
            chart().render(&p, QRectF(40, 30, 800, 400));
        }
        QCOMPARE(page.copy(40, 30, 800, 400), screen);
        QCOMPARE(page.pixel(39, 200), QColor(Qt::magenta).rgb());
        QCOMPARE(page.pixel(840, 200), QColor(Qt::magenta).rgb());
        QCOMPARE(page.pixel(400, 29), QColor(Qt::magenta).rgb());
        QCOMPARE(page.pixel(400, 430), QColor(Qt::magenta).rgb());
    }

    void languageChange()
    {
        chart().appendSample(0, 20);
        chart().appendSample(60000, 200);
        const QImage english = grabOf(chart());
        RecordingTranslator translator;
        QVERIFY(QCoreApplication::installTranslator(&translator));
        QCoreApplication::processEvents();
        const QImage german = grabOf(chart());
        QVERIFY(translator.asked.contains(QStringLiteral("Time")));
        QVERIFY(translator.asked.contains(QStringLiteral("°C")));
        // the title row below the time axis changed, the plot did not
        const QRectF pr = chart().plotArea();
        const int titleTop = int(pr.bottom()) + 20;
        QVERIFY(english.copy(0, titleTop, 800, 400 - titleTop) != german.copy(0, titleTop, 800, 400 - titleTop));
        QCOMPARE(english.copy(pr.toRect()), german.copy(pr.toRect()));

        QCoreApplication::removeTranslator(&translator);
        QCoreApplication::processEvents();
        QCOMPARE(grabOf(chart()), english);
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
