// The zone history of a whole shift: a day at one row a second for the widest machine
// (20 series), its memory and the cost of a row, then what the trend chart pays to
// draw one series of that day at 800 columns (min and max per column).

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

#include "machine/ZoneHistory.h"

namespace {

constexpr int kSeries = 20;
constexpr int kRows = 24 * 3600;
constexpr int kColumns = 800;

// Resident memory of this process in bytes, 0 where it cannot be read.
qint64 residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

} // namespace

int main()
{
    QStringList names;
    for (int s = 0; s < kSeries; ++s)
        names << QStringLiteral("Series %1").arg(s + 1);
    const qint64 t0 = QDateTime(QDate(2016, 2, 1), QTime(6, 0)).toMSecsSinceEpoch();

    const qint64 rssBefore = residentBytes();
    vard::ZoneHistory history;
    const int id = history.beginSegment(0, names, QDateTime::fromMSecsSinceEpoch(t0));
    std::vector<qint16> row(kSeries);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRows; ++i) {
        for (int s = 0; s < kSeries; ++s)
            row[static_cast<size_t>(s)] = static_cast<qint16>(200 + s + (i / 60 + s) % 50);
        history.add(t0 + qint64(i) * 1000 + i % 7, row, static_cast<quint8>(i % 600 < 5 ? 1 : 0));
    }
    const qint64 fillNs = timer.nsecsElapsed();
    const qint64 rssAfter = residentBytes();
    const qsizetype bytes = history.memoryBytes();

    std::printf("rows: %d of %d series\n", kRows, kSeries);
    std::printf("memory: %lld bytes (%.2f MiB), %.1f bytes per row\n", static_cast<long long>(bytes),
                bytes / 1048576.0, double(bytes) / kRows);
    std::printf("resident growth: %lld bytes (%.2f MiB)\n", static_cast<long long>(rssAfter - rssBefore),
                (rssAfter - rssBefore) / 1048576.0);
    std::printf("add: %.1f ns per row\n", double(fillNs) / kRows);

    // One series of the day decimated to min/max per column, as the chart draws it.
    const qint64 from = t0;
    const qint64 to = t0 + qint64(kRows) * 1000;
    const double msPerColumn = double(to - from) / kColumns;
    constexpr int kRepeats = 20;
    std::vector<qint16> lo(kColumns), hi(kColumns);
    qint64 checksum = 0;
    timer.restart();
    for (int rep = 0; rep < kRepeats; ++rep) {
        std::fill(lo.begin(), lo.end(), std::numeric_limits<qint16>::max());
        std::fill(hi.begin(), hi.end(), std::numeric_limits<qint16>::min());
        history.read(id, 7, from, to, [&](qint64 ms, qint16 v, quint8) {
            const size_t c = std::min<size_t>(kColumns - 1, static_cast<size_t>(double(ms - from) / msPerColumn));
            lo[c] = std::min(lo[c], v);
            hi[c] = std::max(hi[c], v);
        });
        checksum += lo[0] + hi[kColumns - 1];
    }
    const qint64 readNs = timer.nsecsElapsed() / kRepeats;
    std::printf("read 24 h of one series into %d columns: %.3f ms\n", kColumns, readNs / 1e6);

    timer.restart();
    qsizetype periods = 0;
    for (int rep = 0; rep < kRepeats; ++rep)
        periods += qsizetype(history.flaggedPeriods(id, from, to, vard::ZoneHistory::NotInOrder).size());
    std::printf("flagged periods of 24 h (%lld): %.3f ms\n", static_cast<long long>(periods / kRepeats),
                timer.nsecsElapsed() / kRepeats / 1e6);

    timer.restart();
    const QByteArray csv = history.ToCsv(id);
    std::printf("CSV of 24 h: %lld bytes in %.1f ms\n", static_cast<long long>(csv.size()),
                timer.nsecsElapsed() / 1e6);
    std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
