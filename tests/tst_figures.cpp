// The soldering profile's figures, the process window's index and the file of named
// process windows.

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPointF>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "FileHelpers.h"
#include "app/IniFile.h"
#include "measure/MeasRuns.h"
#include "measure/ProcessWindow.h"
#include "measure/ProfileFigures.h"

using vard::Figure;
using vard::FigureLimits;
using vard::Figures;
using vard::FigureSettings;
using vard::ProcessWindow;
using vard::ProfileFigures;

Q_DECLARE_METATYPE(vard::Figures)
Q_DECLARE_METATYPE(vard::FigureSettings)
Q_DECLARE_METATYPE(std::vector<vard::RowRun>)

namespace {

struct Sample {
    qint64 timeMs;
    double celsius;
};

// The temperature at t (s) on straight lines through the knots (x: s, y: °C).
double valueAt(const QList<QPointF> &knots, double t)
{
    qsizetype i = 1;
    while (i < knots.size() - 1 && knots[i].x() < t)
        ++i;
    const QPointF a = knots[i - 1];
    const QPointF b = knots[i];
    return a.y() + (b.y() - a.y()) * (t - a.x()) / (b.x() - a.x());
}

// The profile through the knots sampled every stepS seconds; the knots lie on sample
// times, so the samples carry the straight lines exactly.
QList<Sample> sampled(const QList<QPointF> &knots, double stepS)
{
    QList<Sample> out;
    for (int k = 0; k * stepS <= knots.back().x() + 1e-9; ++k)
        out.append({qint64(std::llround(k * stepS * 1000)), valueAt(knots, k * stepS)});
    return out;
}

Figures figuresOf(const QList<Sample> &samples, const FigureSettings &settings = {})
{
    ProfileFigures p(settings);
    for (const Sample &s : samples)
        p.add(s.timeMs, s.celsius);
    return p.figures();
}

QString shown(const std::optional<double> &v) { return v ? QString::number(*v, 'g', 10) : QStringLiteral("—"); }

// Compares every figure, naming the first that differs.
void compareFigures(const Figures &actual, const Figures &expected, double tolerance)
{
    struct Field {
        const char *name;
        std::optional<double> Figures::*member;
    };
    static const Field fields[] = {
        {"peak", &Figures::peak},
        {"timeOfPeak", &Figures::timeOfPeak},
        {"timeAboveLiquidus", &Figures::timeAboveLiquidus},
        {"soakTime", &Figures::soakTime},
        {"maxRise", &Figures::maxRise},
        {"maxFall", &Figures::maxFall},
        {"timeToPeak", &Figures::timeToPeak},
        {"coolDown", &Figures::coolDown},
    };
    for (const Field &f : fields) {
        const std::optional<double> &a = actual.*f.member;
        const std::optional<double> &e = expected.*f.member;
        const bool same = a.has_value() == e.has_value() && (!a || std::abs(*a - *e) <= tolerance);
        QVERIFY2(same, qPrintable(QStringLiteral("%1 is %2, expected %3")
                                      .arg(QLatin1String(f.name), shown(a), shown(e))));
    }
}

// An optional limit in a table: NaN stands for "not set".
std::optional<double> opt(double v)
{
    if (std::isnan(v))
        return std::nullopt;
    return v;
}

const double kUnset = qQNaN();

} // namespace

class TestFigures : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    QString filePath() const { return m_home->filePath(QStringLiteral("ProcessWindows.ini")); }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }

    void cleanup()
    {
        qunsetenv("VARD_HOME");
        QLocale::setDefault(QLocale::c());
    }

    void handMadeProfiles_data()
    {
        QTest::addColumn<QList<QPointF>>("knots");
        QTest::addColumn<double>("stepS");
        QTest::addColumn<Figures>("expected");

        // Up at 2 K/s to 245, hold, down at 4 K/s. Liquidus 217 crossed at 96 and 137,
        // soak band 150..200 passed on the way up in 62.5..87.5 (the way down through it,
        // 141.25..153.75, is no soak), 100 °C at 166.25.
        QTest::addRow("trapezoid") << QList<QPointF>{{0, 25}, {110, 245}, {130, 245}, {185, 25}, {195, 25}} << 0.5
                                   << Figures{.peak = 245,
                                              .timeOfPeak = 110,
                                              .timeAboveLiquidus = 41,
                                              .soakTime = 25,
                                              .maxRise = 2,
                                              .maxFall = -4,
                                              .timeToPeak = 110,
                                              .coolDown = 29.25};
        // Cools through 100 °C, but never having melted there is no cool-down.
        QTest::addRow("never reaches the liquidus")
            << QList<QPointF>{{0, 25}, {90, 205}, {120, 205}, {165, 25}} << 0.5
            << Figures{.peak = 205, .timeOfPeak = 90, .soakTime = 25, .maxRise = 2, .maxFall = -4, .timeToPeak = 90};
        // Above the liquidus 96..104 and 116..139.5; the cool-down runs from the last
        // crossing (139.5) to 100 °C at 168.75, not from the first.
        QTest::addRow("dips below the liquidus")
            << QList<QPointF>{{0, 25}, {100, 225}, {110, 205}, {125, 235}, {135, 235}, {185, 35}, {195, 35}} << 0.5
            << Figures{.peak = 235,
                       .timeOfPeak = 125,
                       .timeAboveLiquidus = 31.5,
                       .soakTime = 25,
                       .maxRise = 2,
                       .maxFall = -4,
                       .timeToPeak = 125,
                       .coolDown = 29.25};
        // Cooled to 100 °C at 131.25, then heated above the liquidus again (216..230):
        // the first cool-down no longer counts. The second visit to 225 is not the peak,
        // and the second pass through the soak band adds nothing to the first.
        QTest::addRow("heated above the liquidus again")
            << QList<QPointF>{{0, 25}, {100, 225}, {140, 65}, {220, 225}, {230, 225}} << 0.5
            << Figures{.peak = 225,
                       .timeOfPeak = 100,
                       .timeAboveLiquidus = 20,
                       .soakTime = 25,
                       .maxRise = 2,
                       .maxFall = -4,
                       .timeToPeak = 100};
        // The recording began late, already above the liquidus: nothing ever rose, and
        // falling through the soak band adds nothing to a soak.
        QTest::addRow("starts above the liquidus")
            << QList<QPointF>{{0, 230}, {50, 30}, {60, 30}} << 0.5
            << Figures{.peak = 230,
                       .timeOfPeak = 0,
                       .timeAboveLiquidus = 3.25,
                       .maxFall = -4,
                       .timeToPeak = 0,
                       .coolDown = 29.25};
        // Into the band at 62.5, back below 150 (77.5..82.5), on up to 200 at 107.5: the
        // soak counts from the first entry, the dip included.
        QTest::addRow("dips below the soak band after entering")
            << QList<QPointF>{{0, 25}, {70, 165}, {80, 145}, {110, 205}, {130, 245}, {185, 25}} << 0.5
            << Figures{.peak = 245,
                       .timeOfPeak = 130,
                       .timeAboveLiquidus = 21,
                       .soakTime = 45,
                       .maxRise = 2,
                       .maxFall = -4,
                       .timeToPeak = 130,
                       .coolDown = 29.25};
        // Turns down inside the band at 185 °C without reaching 200: the soak ends at the
        // peak (62.5..80), the way down is not counted.
        QTest::addRow("turns down inside the soak band")
            << QList<QPointF>{{0, 25}, {80, 185}, {120, 25}} << 0.5
            << Figures{.peak = 185, .timeOfPeak = 80, .soakTime = 17.5, .maxRise = 2, .maxFall = -4, .timeToPeak = 80};
        // Recorded from inside the band: counted from the first sample to 200 °C.
        QTest::addRow("starts inside the soak band")
            << QList<QPointF>{{0, 160}, {20, 200}, {40, 240}, {90, 40}} << 0.5
            << Figures{.peak = 240,
                       .timeOfPeak = 40,
                       .timeAboveLiquidus = 17.25,
                       .soakTime = 20,
                       .maxRise = 2,
                       .maxFall = -4,
                       .timeToPeak = 40,
                       .coolDown = 29.25};
        QTest::addRow("shorter than the slope window")
            << QList<QPointF>{{0, 25}, {4.5, 34}} << 0.5 << Figures{.peak = 34, .timeOfPeak = 4.5, .timeToPeak = 4.5};
        // Ten-second samples: no sample lies in the soak band, yet the line crosses it
        // (10/3 .. 20/3 s); the ramp is read off the interpolated start of the window.
        QTest::addRow("coarse samples step over the soak band")
            << QList<QPointF>{{0, 100}, {10, 250}, {20, 250}} << 10.0
            << Figures{.peak = 250,
                       .timeOfPeak = 10,
                       .timeAboveLiquidus = 12.2,
                       .soakTime = 10.0 / 3,
                       .maxRise = 15,
                       .timeToPeak = 10};
    }

    void handMadeProfiles()
    {
        QFETCH(QList<QPointF>, knots);
        QFETCH(double, stepS);
        QFETCH(Figures, expected);
        compareFigures(figuresOf(sampled(knots, stepS)), expected, 1e-6);
    }

    void figuresBeforeAnySample()
    {
        compareFigures(ProfileFigures().figures(), Figures{}, 0);
        for (Figure f : vard::kAllFigures)
            QVERIFY(!Figures{}.value(f));
    }

    // The machine gave no readings between gapFrom and gapTo (every sample strictly
    // between them is missing); more than 1.5 s between two samples is a gap. A figure
    // whose stretch has the gap in it is withheld, the others stay as they were.
    void gapInTheReadings_data()
    {
        QTest::addColumn<QList<QPointF>>("knots");
        QTest::addColumn<double>("gapFrom");
        QTest::addColumn<double>("gapTo");
        QTest::addColumn<Figures>("expected");
        QTest::addColumn<QList<int>>("withheld");

        const QList<QPointF> trapezoid{{0, 25}, {110, 245}, {130, 245}, {185, 25}, {195, 25}};
        const Figures whole{.peak = 245,
                            .timeOfPeak = 110,
                            .timeAboveLiquidus = 41,
                            .soakTime = 25,
                            .maxRise = 2,
                            .maxFall = -4,
                            .timeToPeak = 110,
                            .coolDown = 29.25};
        Figures noSoak = whole;
        noSoak.soakTime.reset();
        QTest::addRow("in the soak") << trapezoid << 70.0 << 85.0 << noSoak << QList<int>{int(Figure::SoakTime)};
        Figures noTal = whole;
        noTal.timeAboveLiquidus.reset();
        QTest::addRow("above the liquidus")
            << trapezoid << 115.0 << 125.0 << noTal << QList<int>{int(Figure::TimeAboveLiquidus)};
        // Crossing the liquidus downwards at 137 inside the gap: the cool-down's start
        // itself is not known.
        Figures noCoolDown = whole;
        noCoolDown.coolDown.reset();
        QTest::addRow("in the cool-down")
            << trapezoid << 145.0 << 160.0 << noCoolDown << QList<int>{int(Figure::CoolDown)};
        QTest::addRow("across the liquidus crossing")
            << trapezoid << 135.0 << 140.0 << Figures{.peak = 245,
                                                     .timeOfPeak = 110,
                                                     .soakTime = 25,
                                                     .maxRise = 2,
                                                     .maxFall = -4,
                                                     .timeToPeak = 110}
            << QList<int>{int(Figure::TimeAboveLiquidus), int(Figure::CoolDown)};
        QTest::addRow("a pause of three intervals is no gap") << trapezoid << 70.0 << 71.5 << whole << QList<int>{};
        // Falling through the band is no part of the soak, so a gap there leaves it.
        QTest::addRow("on the way down through the soak band")
            << QList<QPointF>{{0, 25}, {90, 205}, {120, 205}, {165, 25}} << 125.0 << 132.0
            << Figures{.peak = 205, .timeOfPeak = 90, .soakTime = 25, .maxRise = 2, .maxFall = -4, .timeToPeak = 90}
            << QList<int>{};
        // The only rise lies in the gap: no window may be read across it.
        QTest::addRow("the only ramp is across the gap")
            << QList<QPointF>{{0, 25}, {10, 25}, {30, 65}, {40, 65}} << 10.0 << 30.0
            << Figures{.peak = 65, .timeOfPeak = 30, .timeToPeak = 30} << QList<int>{int(Figure::MaxRise)};
    }

    void gapInTheReadings()
    {
        QFETCH(QList<QPointF>, knots);
        QFETCH(double, gapFrom);
        QFETCH(double, gapTo);
        QFETCH(Figures, expected);
        QFETCH(QList<int>, withheld);
        QList<Sample> samples = sampled(knots, 0.5);
        samples.removeIf([&](const Sample &s) { return s.timeMs > gapFrom * 1000 && s.timeMs < gapTo * 1000; });

        ProfileFigures live;
        live.setGapThresholdMs(1500);
        ProfileFigures later;
        for (const Sample &s : samples) {
            live.add(s.timeMs, s.celsius);
            later.add(s.timeMs, s.celsius);
        }
        later.setGapThresholdMs(1500);
        for (const Figures &f : {live.figures(), later.figures()}) {
            compareFigures(f, expected, 1e-6);
            for (Figure figure : vard::kAllFigures) {
                const bool expectWithheld = withheld.contains(int(figure));
                QVERIFY2(f.withheldForGap(figure).has_value() == expectWithheld,
                         qPrintable(QStringLiteral("%1 withheld: %2").arg(Figures::name(figure)).arg(!expectWithheld)));
                if (expectWithheld) {
                    QCOMPARE(*f.withheldForGap(figure), gapTo - gapFrom);
                    QVERIFY(!f.value(figure));
                }
            }
        }
        // Without a threshold the same samples give every figure across the gap.
        live.setGapThresholdMs(std::nullopt);
        for (Figure figure : vard::kAllFigures)
            QVERIFY(!live.figures().withheldForGap(figure));
    }

    // A measurement's rows as runs: a time stamp not later than the one before begins
    // the next run (the same stamp too); and each run's own median spacing.
    void runsOfRows_data()
    {
        QTest::addColumn<QList<quint32>>("times");
        QTest::addColumn<std::vector<vard::RowRun>>("runs");
        QTest::addColumn<QList<qint64>>("medians"); // -1: none
        QTest::addRow("no rows") << QList<quint32>{} << std::vector<vard::RowRun>{} << QList<qint64>{};
        QTest::addRow("one row") << QList<quint32>{700} << std::vector<vard::RowRun>{{0, 1}} << QList<qint64>{-1};
        QTest::addRow("one run with a gap")
            << QList<quint32>{500, 1000, 1500, 16500, 17000} << std::vector<vard::RowRun>{{0, 5}} << QList<qint64>{500};
        QTest::addRow("second run starts again")
            << QList<quint32>{0, 1000, 2000, 3000, 480, 980}
            << std::vector<vard::RowRun>{{0, 4}, {4, 2}} << QList<qint64>{1000, 500};
        QTest::addRow("same time stamp begins a run")
            << QList<quint32>{500, 1000, 1000, 1500} << std::vector<vard::RowRun>{{0, 2}, {2, 2}}
            << QList<qint64>{500, 500};
        QTest::addRow("three runs, one of a single row")
            << QList<quint32>{500, 1000, 400, 300, 800} << std::vector<vard::RowRun>{{0, 2}, {2, 1}, {3, 2}}
            << QList<qint64>{500, -1, 500};
    }

    void runsOfRows()
    {
        QFETCH(QList<quint32>, times);
        QFETCH(std::vector<vard::RowRun>, runs);
        QFETCH(QList<qint64>, medians);
        const auto timeOf = [&times](qsizetype r) { return times.at(r); };
        const std::vector<vard::RowRun> found = vard::SplitIntoRuns(times.size(), timeOf);
        QCOMPARE(found.size(), runs.size());
        for (size_t i = 0; i < runs.size(); ++i) {
            QVERIFY2(found[i] == runs[i], qPrintable(QStringLiteral("run %1 is %2+%3").arg(i).arg(found[i].first).arg(found[i].count)));
            QCOMPARE(vard::MedianSpacingMs(found[i], timeOf).value_or(-1), medians.at(qsizetype(i)));
        }
    }

    // The decimals of the readings: whole degrees, or tenths.
    void temperatureDecimals()
    {
        ProfileFigures p;
        QCOMPARE(p.figures().temperatureDecimals, 1);
        p.add(0, 183);
        p.add(500, 190);
        QCOMPARE(p.figures().temperatureDecimals, 0);
        p.add(1000, 190.5);
        QCOMPARE(p.figures().temperatureDecimals, 1);
    }

    // One sample 30 K too hot: read over a 5 s window it lifts the steepest rise by a
    // sixth of what a slope from one sample to the next makes of it.
    void noisySampleIsNoRamp()
    {
        const QList<QPointF> knots{{0, 25}, {110, 245}, {130, 245}, {185, 25}};
        const QList<Sample> clean = sampled(knots, 0.5);
        QList<Sample> spiky = clean;
        const qsizetype at = 100; // t = 50 s, on the ramp up
        spiky[at].celsius += 30;

        const double windowed = *figuresOf(spiky).maxRise - *figuresOf(clean).maxRise;
        FigureSettings oneStep;
        oneStep.slopeWindowS = 0.5;
        const double stepped = *figuresOf(spiky, oneStep).maxRise - *figuresOf(clean, oneStep).maxRise;

        QCOMPARE_LE(windowed, 30.0 / 5 + 1e-9);
        QCOMPARE_GE(stepped, 30.0 / 0.5 - 1e-9);
        QCOMPARE_LT(windowed, stepped / 5);
    }

    // Figures kept up live, recomputed after a change of settings (also one half-way
    // through), or after a reset and the same samples again, are the same numbers.
    void liveEqualsRecomputed()
    {
        // A profile with noise and uneven steps, some samples at the same time.
        QList<Sample> samples;
        quint32 seed = 12345;
        auto noise = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return double(seed >> 8) / double(1u << 24); // 0..1
        };
        const QList<QPointF> knots{{0, 25}, {100, 225}, {110, 205}, {125, 240}, {135, 240}, {190, 30}};
        for (qint64 t = 0; t <= 190000; t += noise() < 0.1 ? 0 : qint64(300 + 400 * noise()))
            samples.append({t, valueAt(knots, double(t) / 1000) + 4 * noise() - 2});
        FigureSettings other;
        other.liquidus = 200;
        other.soakLow = 120;
        other.soakHigh = 180;
        other.slopeWindowS = 3;

        ProfileFigures live(other);
        for (qsizetype i = 0; i < samples.size(); ++i) {
            live.add(samples[i].timeMs, samples[i].celsius);
            // Neither can be placed on the curve, so neither may change a figure.
            if (i % 50 == 25) {
                live.add(samples[i].timeMs - 1, 500);
                live.add(samples[i].timeMs, qQNaN());
            }
        }
        QCOMPARE(live.sampleCount(), samples.size());

        ProfileFigures recomputed;
        ProfileFigures halfWay;
        for (qsizetype i = 0; i < samples.size(); ++i) {
            recomputed.add(samples[i].timeMs, samples[i].celsius);
            if (i == samples.size() / 2)
                halfWay.setSettings(other);
            halfWay.add(samples[i].timeMs, samples[i].celsius);
        }
        recomputed.setSettings(other);

        const Figures expected = live.figures();
        QVERIFY(expected.coolDown && expected.maxFall && expected.soakTime);
        compareFigures(recomputed.figures(), expected, 0);
        compareFigures(halfWay.figures(), expected, 0);

        recomputed.reset();
        compareFigures(recomputed.figures(), Figures{}, 0);
        QCOMPARE(recomputed.settings(), other);
        for (const Sample &s : samples)
            recomputed.add(s.timeMs, s.celsius);
        compareFigures(recomputed.figures(), expected, 0);
    }

    void figureIndex_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("expected"); // NaN: no index

        QTest::addRow("centred") << 242.5 << 235.0 << 250.0 << 0.0;
        QTest::addRow("half way to a limit") << 238.75 << 235.0 << 250.0 << 50.0;
        QTest::addRow("at the upper limit") << 250.0 << 235.0 << 250.0 << 100.0;
        QTest::addRow("at the lower limit") << 235.0 << 235.0 << 250.0 << 100.0;
        QTest::addRow("outside above") << 253.75 << 235.0 << 250.0 << 150.0;
        QTest::addRow("outside below") << 231.25 << 235.0 << 250.0 << 150.0;
        QTest::addRow("negative limits") << -5.0 << -6.0 << -2.0 << 50.0;
        QTest::addRow("lower limit only") << 240.0 << 235.0 << kUnset << kUnset;
        QTest::addRow("upper limit only") << 240.0 << kUnset << 250.0 << kUnset;
        QTest::addRow("limits reversed") << 240.0 << 250.0 << 235.0 << kUnset;
        QTest::addRow("limits equal") << 240.0 << 240.0 << 240.0 << kUnset;
    }

    void figureIndex()
    {
        QFETCH(double, value);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(double, expected);
        const std::optional<double> index = ProcessWindow::figureIndex(value, opt(lower), opt(upper));
        QCOMPARE(index.has_value(), !std::isnan(expected));
        if (index)
            QVERIFY2(std::abs(*index - expected) < 1e-9, qPrintable(shown(index)));
    }

    void windowIndex_data()
    {
        QTest::addColumn<Figures>("figures");
        QTest::addColumn<double>("expected"); // NaN: no index

        // The window: peak 235..250, TAL 30..90, rise at most 3, time to peak at most 480.
        QTest::addRow("largest share wins") << Figures{.peak = 242.5, .timeAboveLiquidus = 75} << 50.0;
        QTest::addRow("outside shows past 100") << Figures{.peak = 253.75, .timeAboveLiquidus = 60} << 150.0;
        QTest::addRow("one-sided limits take no part")
            << Figures{.peak = 242.5, .timeAboveLiquidus = 60, .maxRise = 9, .timeToPeak = 900} << 0.0;
        QTest::addRow("unknown figure left out") << Figures{.peak = 250} << 100.0;
        QTest::addRow("figure without limits left out") << Figures{.peak = 242.5, .soakTime = 500} << 0.0;
        QTest::addRow("no figure with both limits known") << Figures{.maxRise = 2, .timeToPeak = 100} << kUnset;
    }

    void windowIndex()
    {
        QFETCH(Figures, figures);
        QFETCH(double, expected);
        ProcessWindow w;
        w.limitsOf(Figure::Peak) = {235, 250};
        w.limitsOf(Figure::TimeAboveLiquidus) = {30, 90};
        w.limitsOf(Figure::MaxRise) = {std::nullopt, 3};
        w.limitsOf(Figure::TimeToPeak) = {std::nullopt, 480};
        const std::optional<double> index = w.index(figures);
        QCOMPARE(index.has_value(), !std::isnan(expected));
        if (index)
            QVERIFY2(std::abs(*index - expected) < 1e-9, qPrintable(shown(index)));
    }

    void inside_data()
    {
        QTest::addColumn<Figure>("figure");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("expected");

        QTest::addRow("between both limits") << Figure::Peak << 240.0 << true;
        QTest::addRow("on a limit") << Figure::Peak << 250.0 << true;
        QTest::addRow("past both limits") << Figure::Peak << 251.0 << false;
        QTest::addRow("under an upper limit only") << Figure::MaxRise << 2.5 << true;
        QTest::addRow("over an upper limit only") << Figure::MaxRise << 3.5 << false;
        QTest::addRow("steeper than the fall allows") << Figure::MaxFall << -6.5 << false;
        QTest::addRow("gentler than the fall allows") << Figure::MaxFall << -5.0 << true;
        QTest::addRow("no limits") << Figure::CoolDown << 1e6 << true;
    }

    void inside()
    {
        QFETCH(Figure, figure);
        QFETCH(double, value);
        QFETCH(bool, expected);
        ProcessWindow w;
        w.limitsOf(Figure::Peak) = {235, 250};
        w.limitsOf(Figure::MaxRise) = {std::nullopt, 3};
        w.limitsOf(Figure::MaxFall) = {-6, std::nullopt};
        QCOMPARE(w.inside(figure, value), expected);
    }

    void saveAndLoad()
    {
        // The built-in windows are not in the file until saved.
        const QList<ProcessWindow> builtIn = vard::BuiltInProcessWindows();
        QVERIFY(!builtIn.isEmpty());
        QVERIFY(!QFile::exists(filePath()));
        QCOMPARE(vard::ProcessWindowNames(), QStringList());

        ProcessWindow mine;
        mine.name = QStringLiteral("Line 3 SAC");
        mine.settings = {221.5, 140, 190, 2.5};
        mine.limitsOf(Figure::Peak) = {236.25, 248};
        mine.limitsOf(Figure::TimeAboveLiquidus) = {std::nullopt, 80};
        mine.limitsOf(Figure::MaxFall) = {-5.5, std::nullopt};
        vard::SaveProcessWindow(mine);
        vard::SaveProcessWindow(builtIn.front());

        QCOMPARE(vard::ProcessWindowNames(), (QStringList{mine.name, builtIn.front().name}));
        QCOMPARE(vard::LoadProcessWindow(mine.name), mine);
        QCOMPARE(vard::LoadProcessWindow(builtIn.front().name), builtIn.front());
        QCOMPARE(vard::LoadProcessWindow(QStringLiteral("line 3 sac")), mine);
        QCOMPARE(vard::LoadProcessWindow(QStringLiteral("Line 4")), std::nullopt);

        // Saved again with a limit taken away and under another spelling of its name:
        // the limit is gone and the window keeps its one section.
        ProcessWindow changed = mine;
        changed.name = QStringLiteral("LINE 3 sac");
        changed.limitsOf(Figure::Peak).lower.reset();
        changed.limitsOf(Figure::CoolDown) = {20, 40};
        vard::SaveProcessWindow(changed);
        changed.name = mine.name;
        QCOMPARE(vard::LoadProcessWindow(mine.name), changed);
        QCOMPARE(vard::ProcessWindowNames(), (QStringList{mine.name, builtIn.front().name}));

        vard::EraseProcessWindow(QStringLiteral("line 3 SAC"));
        vard::EraseProcessWindow(QStringLiteral("not there"));
        QCOMPARE(vard::ProcessWindowNames(), QStringList{builtIn.front().name});
        QCOMPARE(vard::LoadProcessWindow(mine.name), std::nullopt);
    }

    // Windows-1252, CR LF, '.' as decimal point even where the locale writes ','.
    void bytesOnDisk()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ProcessWindow w;
        w.name = QString::fromUtf8("Bleifrei ä");
        w.settings.slopeWindowS = 2.5;
        w.limitsOf(Figure::Peak) = {235, 250.5};
        w.limitsOf(Figure::MaxFall) = {-6, std::nullopt};
        vard::SaveProcessWindow(w);
        QCOMPARE(contents(filePath()), QByteArray("[Bleifrei \xE4]\r\n"
                                                  "Liquidus=217\r\n"
                                                  "SoakLow=150\r\n"
                                                  "SoakHigh=200\r\n"
                                                  "SlopeWindow=2.5\r\n"
                                                  "PeakMin=235\r\n"
                                                  "PeakMax=250.5\r\n"
                                                  "TimeAboveLiquidusMin=\r\n"
                                                  "TimeAboveLiquidusMax=\r\n"
                                                  "SoakTimeMin=\r\n"
                                                  "SoakTimeMax=\r\n"
                                                  "MaxRiseMin=\r\n"
                                                  "MaxRiseMax=\r\n"
                                                  "MaxFallMin=-6\r\n"
                                                  "MaxFallMax=\r\n"
                                                  "TimeToPeakMin=\r\n"
                                                  "TimeToPeakMax=\r\n"
                                                  "CoolDownMin=\r\n"
                                                  "CoolDownMax=\r\n"));
        QCOMPARE(vard::LoadProcessWindow(w.name), w);
    }

    // A file edited by hand: other case, blanks, ',' as decimal point, a value that is
    // no number, a key given twice.
    void readsHandEditedFile()
    {
        writeFile(filePath(), "; windows of line 2\r\n"
                              "[M\xE4rz]\n"
                              "peakmin = 235,5\n"
                              "PEAKMAX=250\n"
                              "PeakMin=999\n"
                              "TimeToPeakMax=abc\n"
                              "CoolDownMax=1e2\n"
                              "Liquidus=\n"
                              "SoakLow=100,25\n"
                              "SlopeWindow=inf\n");
        ProcessWindow expected;
        expected.name = QString::fromUtf8("März");
        expected.settings.soakLow = 100.25;
        expected.limitsOf(Figure::Peak) = {235.5, 250};
        expected.limitsOf(Figure::CoolDown) = {std::nullopt, 100};
        QCOMPARE(vard::ProcessWindowNames(), QStringList{expected.name});
        QCOMPARE(vard::LoadProcessWindow(QString::fromUtf8("MÄRZ")), expected);
    }

    void refusesNamesTheFileCannotHold_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addRow("empty") << QString();
        QTest::addRow("blanks only") << QStringLiteral("   ");
        QTest::addRow("closing bracket") << QStringLiteral("a]b");
        QTest::addRow("line break") << QStringLiteral("a\nb");
        QTest::addRow("outside the code page") << QString::fromUtf8("Ωhm");
    }

    void refusesNamesTheFileCannotHold()
    {
        QFETCH(QString, name);
        ProcessWindow w = vard::BuiltInProcessWindows().front();
        w.name = name;
        QVERIFY_THROWS_EXCEPTION(vard::SettingsFileError, vard::SaveProcessWindow(w));
        QVERIFY(!QFile::exists(filePath()));
    }

    // A folder nobody may write: saving and erasing fail, say which file, and leave it
    // byte for byte and without a leftover beside it.
    void readOnlyFolder()
    {
        const QString folder = m_home->filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        qputenv("VARD_HOME", folder.toLocal8Bit());
        const ProcessWindow first = vard::BuiltInProcessWindows().front();
        vard::SaveProcessWindow(first);
        const QString target = QDir(folder).filePath(QStringLiteral("ProcessWindows.ini"));
        const QByteArray before = contents(target);
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                  | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
        QVERIFY(lockFolder(folder, {m_home->path()}));

        const bool held = withPermissionsInForce([&] {
            ProcessWindow changed = first;
            changed.limitsOf(Figure::Peak).upper = 260;
            try {
                vard::SaveProcessWindow(changed);
                qWarning("the window was saved");
                return false;
            } catch (const vard::SettingsFileError &e) {
                if (!e.message().contains(target)) {
                    qWarning("the message does not name the file: %s", qPrintable(e.message()));
                    return false;
                }
            }
            try {
                vard::EraseProcessWindow(first.name);
                qWarning("the window was erased");
                return false;
            } catch (const vard::SettingsFileError &) {
            }
            return true;
        });
        QFile::setPermissions(folder, kOpenFolder);
        QVERIFY(held);
        QCOMPARE(contents(target), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"ProcessWindows.ini"});
    }
};

QTEST_GUILESS_MAIN(TestFigures)
#include "tst_figures.moc"
