#include "measure/MeasRuns.h"

#include <algorithm>

#include "measure/ObjMessungUnit.h"

namespace vard {

std::vector<RowRun> SplitIntoRuns(qsizetype rowCount, const std::function<quint32(qsizetype)> &timeOf)
{
    std::vector<RowRun> runs;
    if (rowCount <= 0)
        return runs;
    runs.push_back({0, 1});
    quint32 previous = timeOf(0);
    for (qsizetype r = 1; r < rowCount; ++r) {
        const quint32 t = timeOf(r);
        if (StartsNewRun(previous, t))
            runs.push_back({r, 1});
        else
            ++runs.back().count;
        previous = t;
    }
    return runs;
}

std::vector<RowRun> SplitIntoRuns(const TMessungInfo &measurement)
{
    return SplitIntoRuns(measurement.RowCount(), [&measurement](qsizetype r) { return measurement.GetTime(r); });
}

std::optional<qint64> MedianSpacingMs(const RowRun &run, const std::function<quint32(qsizetype)> &timeOf)
{
    if (run.count < 2)
        return std::nullopt;
    std::vector<qint64> spacings;
    spacings.reserve(std::size_t(run.count - 1));
    for (qsizetype r = run.first + 1; r < run.first + run.count; ++r)
        spacings.push_back(qint64(timeOf(r)) - qint64(timeOf(r - 1)));
    const auto middle = spacings.begin() + std::ptrdiff_t(spacings.size() / 2);
    std::nth_element(spacings.begin(), middle, spacings.end());
    return *middle;
}

} // namespace vard
