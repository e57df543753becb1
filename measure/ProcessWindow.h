#pragma once
// A process window: the limits each figure of a soldering profile must keep, and the
// Process Window Index (PWI) that says how much of the window a profile uses. Named
// windows are kept in "ProcessWindows.ini" in the settings folder, one section each.

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

#include "measure/ProfileFigures.h"

namespace vard {

// A figure's limits; either may be missing. Both ends belong to the window.
struct FigureLimits {
    std::optional<double> lower;
    std::optional<double> upper;

    bool operator==(const FigureLimits &) const = default;
};

struct ProcessWindow {
    QString name;
    // The settings the figures are computed with for this window (its solder).
    FigureSettings settings;
    // Indexed by Figure; kAllFigures lists them in this order.
    std::array<FigureLimits, kFigureCount> limits{};

    FigureLimits &limitsOf(Figure figure) { return limits[std::size_t(figure)]; }
    const FigureLimits &limitsOf(Figure figure) const { return limits[std::size_t(figure)]; }

    // One figure's share of the index: how far the value lies from the middle of its
    // limits, in percent of half their distance: 0 in the middle, 100 at a limit, more
    // than 100 outside. Only a figure with both limits (lower < upper) has a middle;
    // for any other it is nothing.
    static std::optional<double> figureIndex(double value, std::optional<double> lower, std::optional<double> upper);

    // The Process Window Index: the largest share among the figures that have both
    // limits and a known value; nothing when there is no such figure. A one-sided limit
    // ("rise at most 3 K/s") has no middle to measure against, so it takes no part in
    // the index and is judged by inside() alone.
    std::optional<double> index(const Figures &figures) const;

    // True when the value keeps every limit the figure has (a one-sided limit too); a
    // figure without limits keeps them all.
    bool inside(Figure figure, double value) const;

    bool operator==(const ProcessWindow &) const = default;
};

// "ProcessWindows.ini" in SettingsDir().
QString ProcessWindowsFilePath();

// The names of the saved windows, in file order. Names are matched without regard to
// case, as the file matches its sections.
QStringList ProcessWindowNames();

// The saved window of that name (the name as the file spells it), or nothing when the
// file has none. A limit that is missing or not a number is not set; a setting that is
// missing or not a number keeps its default. Numbers may use ',' as decimal point.
std::optional<ProcessWindow> LoadProcessWindow(const QString &name);

// Writes the window (its name trimmed) in one replacement of the file, numbers with a
// '.' decimal point whatever the locale; an unset limit is written empty. Throws
// vard::SettingsFileError when the file cannot be written, and, before touching the
// file, for an empty name or one the file cannot hold (a "]", a line break, a
// character outside Windows-1252).
void SaveProcessWindow(const ProcessWindow &window);

// Removes the saved window of that name; nothing happens when there is none. Throws
// vard::SettingsFileError when the file cannot be written.
void EraseProcessWindow(const QString &name);

// Common starting points for the usual solders. They live in the program, not in the
// file, until the operator saves one.
QList<ProcessWindow> BuiltInProcessWindows();

} // namespace vard
