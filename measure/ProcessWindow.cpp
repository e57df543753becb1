#include "measure/ProcessWindow.h"

#include "app/GlobalUnit.h"
#include "app/IniFile.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace vard {
namespace {

// Key stems in the file, indexed by Figure; "<stem>Min" and "<stem>Max" hold the limits.
constexpr std::array<const char *, kFigureCount> kFigureKeys{
    "Peak", "TimeAboveLiquidus", "SoakTime", "MaxRise", "MaxFall", "TimeToPeak", "CoolDown",
};

QString minKey(Figure f) { return QLatin1String(kFigureKeys[std::size_t(f)]) + QLatin1String("Min"); }
QString maxKey(Figure f) { return QLatin1String(kFigureKeys[std::size_t(f)]) + QLatin1String("Max"); }

// Shortest text that reads back as the same double, always with '.'.
QString numberText(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

QString optionalText(const std::optional<double> &v) { return v ? numberText(*v) : QString(); }

// A number as the file or a hand edit may spell it: '.' or ',' as decimal point.
std::optional<double> parseNumber(QString text)
{
    text = text.trimmed();
    text.replace(u',', u'.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// The section's spelling in the file of a name matched without regard to case.
std::optional<QString> storedName(const QString &name)
{
    const QString wanted = name.trimmed();
    for (const QString &section : iniSections(ProcessWindowsFilePath())) {
        if (section.compare(wanted, Qt::CaseInsensitive) == 0)
            return section;
    }
    return std::nullopt;
}

ProcessWindow makeWindow(const char *name, double liquidus, double soakLow, double soakHigh)
{
    ProcessWindow w;
    w.name = QString::fromUtf8(name);
    w.settings.liquidus = liquidus;
    w.settings.soakLow = soakLow;
    w.settings.soakHigh = soakHigh;
    return w;
}

} // namespace

std::optional<double> ProcessWindow::figureIndex(double value, std::optional<double> lower, std::optional<double> upper)
{
    if (!lower || !upper || !(*lower < *upper))
        return std::nullopt;
    const double middle = (*lower + *upper) / 2;
    const double halfWidth = (*upper - *lower) / 2;
    return std::abs(value - middle) / halfWidth * 100.0;
}

std::optional<double> ProcessWindow::index(const Figures &figures) const
{
    std::optional<double> largest;
    for (Figure f : kAllFigures) {
        const std::optional<double> value = figures.value(f);
        if (!value)
            continue;
        const FigureLimits &l = limitsOf(f);
        const std::optional<double> share = figureIndex(*value, l.lower, l.upper);
        if (share && (!largest || *share > *largest))
            largest = share;
    }
    return largest;
}

bool ProcessWindow::inside(Figure figure, double value) const
{
    const FigureLimits &l = limitsOf(figure);
    return (!l.lower || value >= *l.lower) && (!l.upper || value <= *l.upper);
}

QString ProcessWindowsFilePath() { return SettingsDir() + QStringLiteral("ProcessWindows.ini"); }

QStringList ProcessWindowNames() { return iniSections(ProcessWindowsFilePath()); }

std::optional<ProcessWindow> LoadProcessWindow(const QString &name)
{
    const std::optional<QString> section = storedName(name);
    if (!section)
        return std::nullopt;
    // Keys match without regard to case; the first of two equal keys wins, as in
    // every other settings file.
    QHash<QString, QString> values;
    for (const auto &[key, value] : iniSectionKeys(ProcessWindowsFilePath(), *section)) {
        const QString folded = key.toLower();
        if (!values.contains(folded))
            values.insert(folded, value);
    }
    const auto number = [&](const QString &key) -> std::optional<double> {
        const auto it = values.constFind(key.toLower());
        return it == values.constEnd() ? std::nullopt : parseNumber(*it);
    };

    ProcessWindow w;
    w.name = *section;
    w.settings.liquidus = number(QStringLiteral("Liquidus")).value_or(w.settings.liquidus);
    w.settings.soakLow = number(QStringLiteral("SoakLow")).value_or(w.settings.soakLow);
    w.settings.soakHigh = number(QStringLiteral("SoakHigh")).value_or(w.settings.soakHigh);
    w.settings.slopeWindowS = number(QStringLiteral("SlopeWindow")).value_or(w.settings.slopeWindowS);
    for (Figure f : kAllFigures) {
        w.limitsOf(f).lower = number(minKey(f));
        w.limitsOf(f).upper = number(maxKey(f));
    }
    return w;
}

void SaveProcessWindow(const ProcessWindow &window)
{
    const QString path = ProcessWindowsFilePath();
    const QString name = window.name.trimmed();
    if (name.isEmpty())
        throw SettingsFileError(path, QCoreApplication::translate("vard::ProcessWindow", "a process window needs a name"));
    // Every key is written, an unset limit as an empty value: the file is replaced once,
    // and a limit that was set before cannot survive its removal.
    IniKeyValues values;
    values.append({QStringLiteral("Liquidus"), numberText(window.settings.liquidus)});
    values.append({QStringLiteral("SoakLow"), numberText(window.settings.soakLow)});
    values.append({QStringLiteral("SoakHigh"), numberText(window.settings.soakHigh)});
    values.append({QStringLiteral("SlopeWindow"), numberText(window.settings.slopeWindowS)});
    for (Figure f : kAllFigures) {
        values.append({minKey(f), optionalText(window.limitsOf(f).lower)});
        values.append({maxKey(f), optionalText(window.limitsOf(f).upper)});
    }
    iniWrite(path, storedName(name).value_or(name), values);
}

void EraseProcessWindow(const QString &name)
{
    if (const std::optional<QString> section = storedName(name))
        iniEraseSection(ProcessWindowsFilePath(), *section);
}

QList<ProcessWindow> BuiltInProcessWindows()
{
    // Starting points taken from solder paste makers' data sheets and the JEDEC/IPC
    // J-STD-020 classification profile (ramps: up at most 3 K/s, down at most 6 K/s).
    // A line's own reflow oven and boards call for the window to be adjusted.
    QList<ProcessWindow> windows;

    ProcessWindow sac = makeWindow("SAC305 lead-free", 217, 150, 200);
    sac.limitsOf(Figure::Peak) = {235, 250};
    sac.limitsOf(Figure::TimeAboveLiquidus) = {30, 90};
    sac.limitsOf(Figure::SoakTime) = {60, 120};
    sac.limitsOf(Figure::MaxRise) = {std::nullopt, 3};
    sac.limitsOf(Figure::MaxFall) = {-6, std::nullopt};
    sac.limitsOf(Figure::TimeToPeak) = {std::nullopt, 480};
    windows.append(sac);

    ProcessWindow snPb = makeWindow("Sn63/Pb37 tin-lead", 183, 100, 150);
    snPb.limitsOf(Figure::Peak) = {205, 225};
    snPb.limitsOf(Figure::TimeAboveLiquidus) = {45, 90};
    snPb.limitsOf(Figure::SoakTime) = {60, 120};
    snPb.limitsOf(Figure::MaxRise) = {std::nullopt, 3};
    snPb.limitsOf(Figure::MaxFall) = {-6, std::nullopt};
    snPb.limitsOf(Figure::TimeToPeak) = {std::nullopt, 360};
    windows.append(snPb);

    ProcessWindow snBi = makeWindow("SnBi low-temperature", 138, 90, 130);
    snBi.limitsOf(Figure::Peak) = {160, 180};
    snBi.limitsOf(Figure::TimeAboveLiquidus) = {30, 90};
    snBi.limitsOf(Figure::SoakTime) = {60, 120};
    snBi.limitsOf(Figure::MaxRise) = {std::nullopt, 3};
    snBi.limitsOf(Figure::MaxFall) = {-6, std::nullopt};
    windows.append(snBi);

    return windows;
}

} // namespace vard
