#pragma once
// The shift's history of the machine's values: every zone's target and actual
// temperature, fans and speed, one row per poll, kept in memory for the operator's
// trend chart and its CSV export.
//
// The history is cut into segments. A segment is one connection to one machine type
// with a fixed list of named series ("Preheat 1 actual", "Fan 1", "Speed"); a reconnect
// or another machine type begins the next one, so a row never mixes two machines.
//
// Bounded: at most `capacity` rows over all segments together. When a row more comes,
// the oldest row of the oldest segment goes, and a segment left without rows goes with
// it (the current segment stays, it names the series being recorded).
//
// Memory: a row takes 5 + 2 * series bytes (a 32-bit offset in ms from the time of
// its block, the flags, the 16-bit values as the machine sends them). Rows live in
// blocks of kBlockRows rows, so the whole history stays below
//     (capacity + 2 * kBlockRows) * (5 + 2 * widest series count) bytes
// plus a few hundred bytes per segment (its names are shared with the caller's list).
// The default, 25 hours at one row a second (a day with room for the poll running a
// little fast), is 90000 rows: with 20 series 45 bytes a row, just under 4 MiB.
//
// Times: a row's time is its ms since the epoch and never goes back within a segment.
// A row up to kClockSlackMs earlier than the one before is kept at that earlier row's
// time (a clock corrected by a second); a larger step back, or a step forward that a
// block cannot hold (49 days), continues in a new segment with the same type and series,
// so every segment stays in time order for the chart's binary search.
//
// Used from the main thread only.

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vard {

class ZoneHistory {
public:
    enum Flag : quint8 {
        NotInOrder = 0x01,   // the machine is not ready, or a zone's state bit is set
        ErrorPresent = 0x02, // an error bit is set
    };

    struct Segment {
        int id = 0;          // ascending from 1, never reused
        int machineType = 0;
        QStringList names;   // one per series, the order of add()'s values
        QDateTime start;     // as given to beginSegment()
        qsizetype samples = 0;
        qint64 firstMs = 0;  // the oldest row still held; 0 (both) without rows
        qint64 lastMs = 0;
    };

    static constexpr qsizetype kDefaultCapacity = 25 * 3600;
    static constexpr int kBlockRows = 1024;
    static constexpr qint64 kClockSlackMs = 2000;

    explicit ZoneHistory(qsizetype capacityPoints = kDefaultCapacity);
    ~ZoneHistory();
    ZoneHistory(const ZoneHistory &) = delete;
    ZoneHistory &operator=(const ZoneHistory &) = delete;

    // Begins the next segment; add() then takes rows of seriesNames.size() values.
    // A current segment without a single row is replaced. Returns the new id.
    int beginSegment(int machineType, const QStringList &seriesNames, const QDateTime &start);

    // One row for the current segment: one value per series, flags of Flag. False,
    // with nothing kept, before the first segment or for a row of another width.
    bool add(qint64 msSinceEpoch, const std::vector<qint16> &values, quint8 flags);

    qsizetype capacity() const { return m_capacity; }
    // Rows held over all segments.
    qsizetype totalSamples() const { return m_total; }
    // Bytes the rows take, with the unused room of their blocks.
    qsizetype memoryBytes() const;

    // Oldest first; the last one is the current segment.
    std::vector<Segment> segments() const;
    // 0 for an unknown segment.
    qsizetype sampleCount(int segmentId) const;

    // Every row of the segment with fromMs <= time <= toMs, oldest first: its time, the
    // series' value and the row's flags. Nothing for an unknown segment or series.
    void read(int segmentId, int series, qint64 fromMs, qint64 toMs,
              const std::function<void(qint64 ms, qint16 value, quint8 flags)> &sink) const;

    // The periods within [from, to] in which a flag of mask was set, for shading: a row's
    // flags hold from its time until the next row's; a period that lasts to the
    // segment's last row ends at that row's time. Clipped to [from, to], oldest first.
    std::vector<std::pair<qint64, qint64>> flaggedPeriods(int segmentId, qint64 from, qint64 to,
                                                          quint8 mask) const;

    // The segment as CSV (UTF-8, one header line, per row the local date and time in
    // ISO 8601 with ms and then each value), with separator and decimal sign of the
    // locale as in the measurement's CSV. An unknown segment gives the header of the
    // date column alone.
    QByteArray ToCsv(int segmentId, const QLocale &locale = QLocale()) const;
    // Writes ToCsv()'s text through a temporary beside the file, so a failure leaves an
    // earlier file as it was; throws vard::MeasFileError naming the file on failure.
    void ExportCsv(int segmentId, const QString &path, const QLocale &locale = QLocale()) const;

private:
    struct Block;
    struct Store;

    Store *find(int segmentId) const;
    Store &startStore(int machineType, const QStringList &names, const QDateTime &start);
    void dropOldest();
    void produceCsv(int segmentId, const QLocale &locale, qsizetype chunk,
                    const std::function<bool(const QByteArray &)> &sink) const;

    qsizetype m_capacity;
    qsizetype m_total = 0;
    int m_nextId = 1;
    std::vector<std::unique_ptr<Store>> m_stores; // oldest first
};

} // namespace vard
