#include "measure/ProfileFigures.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace vard {
namespace {

struct FigureText {
    const char *name;
    const char *unit;
};

// Indexed by Figure.
constexpr std::array<FigureText, kFigureCount> kFigureTexts{{
    {QT_TRANSLATE_NOOP("vard::Figures", "Peak temperature"), "°C"},
    {QT_TRANSLATE_NOOP("vard::Figures", "Time above liquidus"), "s"},
    {QT_TRANSLATE_NOOP("vard::Figures", "Soak time"), "s"},
    {QT_TRANSLATE_NOOP("vard::Figures", "Max. rise"), "K/s"},
    {QT_TRANSLATE_NOOP("vard::Figures", "Max. fall"), "K/s"},
    {QT_TRANSLATE_NOOP("vard::Figures", "Time to peak"), "s"},
    {QT_TRANSLATE_NOOP("vard::Figures", "Cool-down to 100 °C"), "s"},
}};

std::optional<double> seconds(std::optional<double> ms)
{
    if (!ms)
        return std::nullopt;
    return *ms / 1000.0;
}

// The time at which the straight line from a to b has the temperature `celsius`; a and
// b must lie on either side of it (or on it), with different temperatures.
double crossingMs(qint64 ta, double ya, qint64 tb, double yb, double celsius)
{
    return double(ta) + (celsius - ya) / (yb - ya) * double(tb - ta);
}

} // namespace

std::optional<double> Figures::value(Figure figure) const
{
    switch (figure) {
    case Figure::Peak:
        return peak;
    case Figure::TimeAboveLiquidus:
        return timeAboveLiquidus;
    case Figure::SoakTime:
        return soakTime;
    case Figure::MaxRise:
        return maxRise;
    case Figure::MaxFall:
        return maxFall;
    case Figure::TimeToPeak:
        return timeToPeak;
    case Figure::CoolDown:
        return coolDown;
    }
    return std::nullopt;
}

QString Figures::name(Figure figure)
{
    return QCoreApplication::translate("vard::Figures", kFigureTexts[std::size_t(figure)].name);
}

QString Figures::unit(Figure figure)
{
    return QString::fromUtf8(kFigureTexts[std::size_t(figure)].unit);
}

ProfileFigures::ProfileFigures(const FigureSettings &settings)
    : m_settings(settings)
{
}

void ProfileFigures::add(qint64 timeMs, double celsius)
{
    if (!std::isfinite(celsius) || (!m_samples.empty() && timeMs < m_samples.back().timeMs))
        return;
    m_samples.push_back({timeMs, celsius});
    takeSample(m_samples.back());
}

void ProfileFigures::reset()
{
    m_samples.clear();
    clearFigures();
}

void ProfileFigures::setSettings(const FigureSettings &settings)
{
    m_settings = settings;
    recompute();
}

void ProfileFigures::setGapThresholdMs(std::optional<qint64> thresholdMs)
{
    if (thresholdMs && *thresholdMs <= 0)
        thresholdMs.reset();
    m_gapMs = thresholdMs;
    recompute();
}

void ProfileFigures::recompute()
{
    clearFigures();
    // The same steps as live, so a recomputed figure is the very number the live one
    // would have been; each step sees the samples up to its own only.
    std::vector<Sample> samples;
    samples.swap(m_samples);
    m_samples.reserve(samples.size());
    for (const Sample &s : samples) {
        m_samples.push_back(s);
        takeSample(m_samples.back());
    }
}

bool ProfileFigures::isGap(const Sample &a, const Sample &b) const
{
    return m_gapMs && b.timeMs - a.timeMs > *m_gapMs;
}

std::optional<double> ProfileFigures::gapWithin(double fromMs, double toMs) const
{
    std::optional<double> longest;
    for (const auto &[from, to] : m_gaps) {
        if (double(from) < toMs && double(to) > fromMs)
            longest = std::max(longest.value_or(0.0), double(to - from));
    }
    return longest;
}

Figures ProfileFigures::figures() const
{
    Figures f;
    const auto withhold = [&f](Figure figure, std::optional<double> gapMs) {
        if (gapMs)
            f.gapS[std::size_t(figure)] = *gapMs / 1000.0;
        return gapMs.has_value();
    };
    f.peak = m_peak;
    if (m_peak) {
        f.timeOfPeak = double(m_peakTimeMs) / 1000.0;
        f.timeToPeak = f.timeOfPeak;
    }
    if (m_wasAboveLiquidus && !withhold(Figure::TimeAboveLiquidus, m_talGapMs))
        f.timeAboveLiquidus = m_aboveLiquidusMs / 1000.0;
    if (m_soakFromMs) {
        const double endMs = m_soakToMs ? *m_soakToMs : std::max(*m_soakFromMs, double(m_soakPeakMs));
        if (!withhold(Figure::SoakTime, gapWithin(*m_soakFromMs, std::max(endMs, *m_soakFromMs + 1e-9))))
            f.soakTime = (endMs - *m_soakFromMs) / 1000.0;
    }
    f.maxRise = m_maxRise;
    if (!m_maxRise)
        withhold(Figure::MaxRise, m_riseGapMs);
    f.maxFall = m_maxFall;
    if (!m_maxFall)
        withhold(Figure::MaxFall, m_fallGapMs);
    if (m_lastDownCrossingMs && m_coolDownEndMs
        && !withhold(Figure::CoolDown,
                     gapWithin(*m_lastDownCrossingMs, std::max(*m_coolDownEndMs, *m_lastDownCrossingMs + 1e-9))))
        f.coolDown = seconds(*m_coolDownEndMs - *m_lastDownCrossingMs);
    f.temperatureDecimals = !m_samples.empty() && m_wholeDegrees ? 0 : 1;
    return f;
}

void ProfileFigures::clearFigures()
{
    m_gaps.clear();
    m_wholeDegrees = true;
    m_peak.reset();
    m_peakTimeMs = 0;
    m_wasAboveLiquidus = false;
    m_aboveLiquidusMs = 0;
    m_talGapMs.reset();
    m_soakFromMs.reset();
    m_soakToMs.reset();
    m_soakPeakMs = 0;
    m_soakPeakC = 0;
    m_maxRise.reset();
    m_maxFall.reset();
    m_slopeFrom = 0;
    m_lastGapEnd = 0;
    m_riseGapMs.reset();
    m_fallGapMs.reset();
    m_lastDownCrossingMs.reset();
    m_coolDownEndMs.reset();
}

// The newest sample is m_samples.back().
void ProfileFigures::takeSample(const Sample &s)
{
    if (!m_peak || s.celsius > *m_peak) {
        m_peak = s.celsius;
        m_peakTimeMs = s.timeMs;
    }
    if (s.celsius > m_settings.liquidus)
        m_wasAboveLiquidus = true;
    if (s.celsius != std::round(s.celsius))
        m_wholeDegrees = false;
    if (m_samples.size() == 1 && m_settings.soakLow <= m_settings.soakHigh && s.celsius >= m_settings.soakLow
        && s.celsius <= m_settings.soakHigh) {
        // The recording began inside the band: counted from its first sample.
        m_soakFromMs = double(s.timeMs);
        m_soakPeakMs = s.timeMs;
        m_soakPeakC = s.celsius;
        if (s.celsius >= m_settings.soakHigh)
            m_soakToMs = double(s.timeMs);
    }
    if (m_samples.size() >= 2)
        measureSegment(m_samples[m_samples.size() - 2], s);
    measureSlope();
}

void ProfileFigures::measureSegment(const Sample &a, const Sample &b)
{
    const double liquidus = m_settings.liquidus;
    const double spanMs = double(b.timeMs - a.timeMs);
    const bool aAbove = a.celsius > liquidus;
    const bool bAbove = b.celsius > liquidus;

    // Time above the liquidus.
    if (aAbove && bAbove) {
        m_aboveLiquidusMs += spanMs;
    } else if (aAbove != bAbove) {
        const double cross = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, liquidus);
        m_aboveLiquidusMs += bAbove ? double(b.timeMs) - cross : cross - double(a.timeMs);
    }

    const bool gap = isGap(a, b);
    if (gap) {
        m_gaps.emplace_back(a.timeMs, b.timeMs);
        m_lastGapEnd = m_samples.size() - 1;
        if (aAbove || bAbove)
            m_talGapMs = std::max(m_talGapMs.value_or(0.0), spanMs);
    }

    // Soak: only on the way up, from the first entry into the band from below to the
    // first reaching of its upper limit.
    const double low = m_settings.soakLow;
    const double high = m_settings.soakHigh;
    if (low <= high) {
        if (!m_soakFromMs) {
            if (a.celsius < low && b.celsius >= low) {
                m_soakFromMs = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, low);
                m_soakPeakMs = b.timeMs;
                m_soakPeakC = b.celsius;
                if (b.celsius >= high) // right through the band in one step
                    m_soakToMs = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, high);
            }
        } else if (!m_soakToMs) {
            if (b.celsius > m_soakPeakC) {
                m_soakPeakC = b.celsius;
                m_soakPeakMs = b.timeMs;
            }
            if (a.celsius < high && b.celsius >= high)
                m_soakToMs = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, high);
        }
    }

    // Cool-down: timed from the last downward crossing of the liquidus; a new rise
    // above it starts another reflow, whose cool-down is still to come.
    if (!aAbove && bAbove) {
        m_lastDownCrossingMs.reset();
        m_coolDownEndMs.reset();
    } else if (aAbove && !bAbove) {
        const double cross = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, liquidus);
        m_lastDownCrossingMs = cross;
        m_coolDownEndMs.reset();
        if (b.celsius <= kCoolDownEndCelsius) {
            // A liquidus at or below 100 °C makes the crossing itself the end.
            const double reached = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, kCoolDownEndCelsius);
            m_coolDownEndMs = std::max(cross, reached);
        }
    } else if (m_lastDownCrossingMs && !m_coolDownEndMs && b.celsius <= kCoolDownEndCelsius) {
        // Every sample since the crossing was above 100 °C, so a lies above it.
        m_coolDownEndMs = crossingMs(a.timeMs, a.celsius, b.timeMs, b.celsius, kCoolDownEndCelsius);
    }
}

void ProfileFigures::measureSlope()
{
    const double windowMs = m_settings.slopeWindowS * 1000.0;
    if (!(windowMs > 0))
        return;
    const Sample &now = m_samples.back();
    const double startMs = double(now.timeMs) - windowMs;
    if (startMs < double(m_samples.front().timeMs))
        return;
    // The window's start lies in [m_slopeFrom, m_slopeFrom + 1): the later sample is
    // after it, since the window is longer than nothing.
    while (double(m_samples[m_slopeFrom + 1].timeMs) <= startMs)
        ++m_slopeFrom;
    const Sample &a = m_samples[m_slopeFrom];
    const Sample &b = m_samples[m_slopeFrom + 1];
    const double atStart = a.celsius + (b.celsius - a.celsius) * (startMs - double(a.timeMs)) / double(b.timeMs - a.timeMs);
    const double slope = (now.celsius - atStart) / m_settings.slopeWindowS;
    if (m_lastGapEnd > m_slopeFrom) {
        // The window spans a gap: what the curve did in it is not known.
        const double gapMs = double(m_samples[m_lastGapEnd].timeMs - m_samples[m_lastGapEnd - 1].timeMs);
        std::optional<double> &seen = slope > 0 ? m_riseGapMs : m_fallGapMs;
        if (slope != 0)
            seen = std::max(seen.value_or(0.0), gapMs);
        return;
    }
    if (slope > 0 && (!m_maxRise || slope > *m_maxRise))
        m_maxRise = slope;
    if (slope < 0 && (!m_maxFall || slope < *m_maxFall))
        m_maxFall = slope;
}

} // namespace vard
