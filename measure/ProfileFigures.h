#pragma once
// The figures an operator judges a soldering profile by (peak, time above liquidus,
// soak time, steepest ramps, time to peak, cool-down), computed from the samples of
// one channel while the measurement runs.
//
// Times are seconds since the start of the run (t = 0), temperatures °C,
// slopes K/s. Between two samples the temperature is taken to change linearly, so a
// crossing of the liquidus or of a soak limit falls between the samples, not on them.

#include <QString>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace vard {

enum class Figure { Peak, TimeAboveLiquidus, SoakTime, MaxRise, MaxFall, TimeToPeak, CoolDown };

inline constexpr int kFigureCount = 7;
inline constexpr std::array<Figure, kFigureCount> kAllFigures{Figure::Peak,    Figure::TimeAboveLiquidus,
                                                              Figure::SoakTime, Figure::MaxRise,
                                                              Figure::MaxFall,  Figure::TimeToPeak,
                                                              Figure::CoolDown};

// The temperature a cool-down is timed to.
inline constexpr double kCoolDownEndCelsius = 100.0;

// What the figures depend on besides the samples: the solder's liquidus, the soak band
// (both limits belong to it; a band with low > high is empty) and the length of the
// window a ramp is measured over (not positive: no ramp is measured).
struct FigureSettings {
    double liquidus = 217;
    double soakLow = 150;
    double soakHigh = 200;
    double slopeWindowS = 5;

    bool operator==(const FigureSettings &) const = default;
};

// Each figure is nothing while it cannot be computed yet (shown as "—"). Every member
// has an initializer, so a designated initializer may name only some.
struct Figures {
    std::optional<double> peak{};       // highest temperature, °C
    std::optional<double> timeOfPeak{}; // s, the first time the peak was reached
    // Total time above the liquidus, every stretch counted; nothing while the
    // temperature has never been above it.
    std::optional<double> timeAboveLiquidus{};
    // The soak (preheat) time on the heating side: from the first upward crossing of
    // soakLow (or the first sample, when the recording begins inside the band) to the
    // first upward crossing of soakHigh after it. Until soakHigh is reached, the time
    // from there to the highest sample since, so that a curve turning down inside the
    // band stops counting at its peak and the way down never adds to it. A dip below
    // soakLow after the first entry does not start the count again. Nothing while the
    // band has not been entered from below.
    std::optional<double> soakTime{};
    // Steepest ramps, each measured over a whole slope window so that one noisy sample
    // does not make a ramp: (T(t) - T(t - w)) / w at every sample at least w after the
    // first. maxRise is the steepest rise as a positive K/s value, nothing while no
    // window has risen; maxFall the steepest fall as a NEGATIVE K/s value, nothing while
    // no window has fallen.
    std::optional<double> maxRise{};
    std::optional<double> maxFall{};
    std::optional<double> timeToPeak{}; // s from t = 0 to timeOfPeak
    // From the last downward crossing of the liquidus to the first time after it at
    // which the temperature is at or below 100 °C; nothing until both happened, and
    // nothing again once the temperature rises above the liquidus anew.
    std::optional<double> coolDown{};

    // A figure whose stretch of the curve has a gap in the readings in it is not given
    // (its value is nothing): here the longest such gap in s, by figure. A ramp is not
    // measured over a window with a gap; a ramp is withheld when no window without a gap
    // rose (fell) but one with a gap did.
    std::array<std::optional<double>, kFigureCount> gapS{};
    // Decimals the readings have: 0 when every one is a whole degree, else 1.
    int temperatureDecimals = 1;

    std::optional<double> value(Figure figure) const;
    // The gap (s) the figure was withheld for; nothing when it was not.
    std::optional<double> withheldForGap(Figure figure) const { return gapS[std::size_t(figure)]; }

    // The figure's name in the operator's language ("Peak temperature", ...).
    static QString name(Figure figure);
    // "°C", "s" or "K/s".
    static QString unit(Figure figure);
};

// The figures of one sample stream, kept up to date sample by sample: each add() costs
// a constant time (amortised), whatever the length of the measurement. The samples are
// kept, so that other settings can be applied to the whole measurement afterwards.
class ProfileFigures {
public:
    ProfileFigures() = default;
    explicit ProfileFigures(const FigureSettings &settings);

    // A sample: time in ms since the start of the measurement, not earlier than the one
    // before. A sample earlier than the last one, or one that is not a number, is
    // dropped: it cannot be placed on the curve.
    void add(qint64 timeMs, double celsius);
    // Forgets every sample; the settings stay.
    void reset();
    // Computes every figure anew from the kept samples.
    void setSettings(const FigureSettings &settings);
    const FigureSettings &settings() const { return m_settings; }
    // Two samples further apart than this (ms) have a gap between them: the machine gave
    // no readings, and no figure is made across it. Nothing (the default): no gaps.
    // Computes every figure anew.
    void setGapThresholdMs(std::optional<qint64> thresholdMs);
    std::optional<qint64> gapThresholdMs() const { return m_gapMs; }

    Figures figures() const;
    qsizetype sampleCount() const { return qsizetype(m_samples.size()); }

private:
    struct Sample {
        qint64 timeMs;
        double celsius;
    };

    void clearFigures();
    void takeSample(const Sample &s);
    void measureSegment(const Sample &a, const Sample &b);
    void measureSlope();

    void recompute();
    bool isGap(const Sample &a, const Sample &b) const;
    // The longest gap with a part inside (fromMs, toMs), in ms; nothing if none.
    std::optional<double> gapWithin(double fromMs, double toMs) const;

    FigureSettings m_settings;
    std::optional<qint64> m_gapMs;
    std::vector<Sample> m_samples;
    // The gaps (from, to in ms) of the samples so far; rare, so a plain list.
    std::vector<std::pair<qint64, qint64>> m_gaps;
    bool m_wholeDegrees = true;

    std::optional<double> m_peak;
    qint64 m_peakTimeMs = 0;
    bool m_wasAboveLiquidus = false;
    double m_aboveLiquidusMs = 0;
    std::optional<double> m_talGapMs;
    std::optional<double> m_soakFromMs;
    std::optional<double> m_soakToMs;
    // The highest sample since the soak began: where it ends while soakHigh is not reached.
    qint64 m_soakPeakMs = 0;
    double m_soakPeakC = 0;
    std::optional<double> m_maxRise;
    std::optional<double> m_maxFall;
    // The sample at or just before t - w for the newest sample t: the window's start
    // only moves forward, which keeps a ramp's cost per sample constant.
    std::size_t m_slopeFrom = 0;
    // Index of the later sample of the latest gap (0: none yet).
    std::size_t m_lastGapEnd = 0;
    std::optional<double> m_riseGapMs;
    std::optional<double> m_fallGapMs;
    std::optional<double> m_lastDownCrossingMs;
    std::optional<double> m_coolDownEndMs;
};

} // namespace vard
