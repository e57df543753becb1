#pragma once
// A measurement's rows as the runs they were recorded in. Start after Stop appends the
// new run's rows, and each run's clock starts again near 0, so a row whose time stamp is
// not later than the one before begins a new run; within a run the time stamps rise.
// Holds for rows recorded live, restored from a journal or read from a file.

#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

class TMessungInfo;

namespace vard {

// Rows [first, first + count) of the measurement.
struct RowRun {
    qsizetype first = 0;
    qsizetype count = 0;
    bool operator==(const RowRun &) const = default;
};

// The runs of `rowCount` rows whose time stamps (ms) `timeOf` gives, in order; none for
// no rows.
std::vector<RowRun> SplitIntoRuns(qsizetype rowCount, const std::function<quint32(qsizetype)> &timeOf);
std::vector<RowRun> SplitIntoRuns(const TMessungInfo &measurement);

// Does the row with this time stamp begin a new run after a row with `previousMs`?
inline bool StartsNewRun(quint32 previousMs, quint32 rowMs) { return rowMs <= previousMs; }

// The median spacing (ms) of a run's rows: its sampling interval when that is not known.
// Nothing for fewer than two rows.
std::optional<qint64> MedianSpacingMs(const RowRun &run, const std::function<quint32(qsizetype)> &timeOf);

// Rows further apart than this have a gap between them: the machine stopped answering.
inline constexpr int kGapIntervals = 3;
inline qint64 GapThresholdMs(qint64 intervalMs) { return kGapIntervals * intervalMs; }

} // namespace vard
