#include "machine/ZoneHistory.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

#include "measure/CsvFormat.h"
#include "measure/MeasCsv.h"
#include "measure/ObjMessungUnit.h"

namespace vard {

// Up to kBlockRows rows: their time as an offset from the block's first row, flags, and
// the values row after row. Every block of a segment but its last is full, so row i of
// a segment is found by division.
struct ZoneHistory::Block {
    qint64 base = 0;
    int used = 0;
    std::vector<quint32> offsets;
    std::vector<quint8> flags;
    std::vector<qint16> values;

    Block(qint64 baseMs, int width) : base(baseMs)
    {
        offsets.reserve(kBlockRows);
        flags.reserve(kBlockRows);
        values.reserve(static_cast<size_t>(kBlockRows) * static_cast<size_t>(width));
    }

    qsizetype bytes() const
    {
        return static_cast<qsizetype>(sizeof(Block) + offsets.capacity() * sizeof(quint32)
                                      + flags.capacity() * sizeof(quint8) + values.capacity() * sizeof(qint16));
    }
};

struct ZoneHistory::Store {
    int id = 0;
    int machineType = 0;
    QStringList names;
    QDateTime start;
    int width = 0;
    std::vector<Block> blocks;
    int head = 0; // rows of the first block that the ring has dropped
    qsizetype count = 0;

    struct Pos {
        size_t block;
        int row;
    };
    Pos pos(qsizetype i) const
    {
        const qsizetype g = head + i;
        return {static_cast<size_t>(g / kBlockRows), static_cast<int>(g % kBlockRows)};
    }
    qint64 time(qsizetype i) const
    {
        const Pos p = pos(i);
        const Block &b = blocks[p.block];
        return b.base + b.offsets[static_cast<size_t>(p.row)];
    }
    // The first row at or after ms (count when none).
    qsizetype lowerBound(qint64 ms) const
    {
        qsizetype lo = 0;
        qsizetype hi = count;
        while (lo < hi) {
            const qsizetype mid = lo + (hi - lo) / 2;
            if (time(mid) < ms)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }
    // Visits rows from index i on, oldest first, while visit returns true.
    template <typename Visit>
    void forEachFrom(qsizetype i, Visit &&visit) const
    {
        if (i >= count)
            return;
        Pos p = pos(i);
        qsizetype left = count - i;
        for (size_t b = p.block; b < blocks.size() && left > 0; ++b) {
            const Block &blk = blocks[b];
            for (int r = (b == p.block ? p.row : 0); r < blk.used && left > 0; ++r, --left) {
                if (!visit(blk, r))
                    return;
            }
        }
    }
    // The last block gets no more rows: give back its unused room.
    void close()
    {
        if (blocks.empty())
            return;
        Block &b = blocks.back();
        b.offsets.shrink_to_fit();
        b.flags.shrink_to_fit();
        b.values.shrink_to_fit();
    }
};

ZoneHistory::ZoneHistory(qsizetype capacityPoints) : m_capacity(std::max<qsizetype>(1, capacityPoints)) {}

ZoneHistory::~ZoneHistory() = default;

ZoneHistory::Store *ZoneHistory::find(int segmentId) const
{
    for (const auto &s : m_stores) {
        if (s->id == segmentId)
            return s.get();
    }
    return nullptr;
}

ZoneHistory::Store &ZoneHistory::startStore(int machineType, const QStringList &names, const QDateTime &start)
{
    if (!m_stores.empty()) {
        if (m_stores.back()->count == 0)
            m_stores.pop_back();
        else
            m_stores.back()->close();
    }
    auto s = std::make_unique<Store>();
    s->id = m_nextId++;
    s->machineType = machineType;
    s->names = names;
    s->start = start;
    s->width = static_cast<int>(names.size());
    m_stores.push_back(std::move(s));
    return *m_stores.back();
}

int ZoneHistory::beginSegment(int machineType, const QStringList &seriesNames, const QDateTime &start)
{
    return startStore(machineType, seriesNames, start).id;
}

bool ZoneHistory::add(qint64 msSinceEpoch, const std::vector<qint16> &values, quint8 flags)
{
    if (m_stores.empty())
        return false;
    Store *s = m_stores.back().get();
    if (values.size() != static_cast<size_t>(s->width))
        return false;

    qint64 ms = msSinceEpoch;
    if (s->count > 0) {
        const qint64 last = s->time(s->count - 1);
        if (ms < last) {
            if (last - ms <= kClockSlackMs)
                ms = last;
            else
                s = &startStore(s->machineType, s->names, QDateTime::fromMSecsSinceEpoch(ms));
        }
    }
    if (s->blocks.empty() || s->blocks.back().used == kBlockRows
        || ms - s->blocks.back().base > std::numeric_limits<quint32>::max()) {
        if (!s->blocks.empty() && s->blocks.back().used < kBlockRows) {
            // A gap no offset holds; row i of a segment must stay at i / kBlockRows.
            s = &startStore(s->machineType, s->names, QDateTime::fromMSecsSinceEpoch(ms));
        }
        s->blocks.emplace_back(ms, s->width);
    }
    Block &b = s->blocks.back();
    b.offsets.push_back(static_cast<quint32>(ms - b.base));
    b.flags.push_back(flags);
    b.values.insert(b.values.end(), values.begin(), values.end());
    ++b.used;
    ++s->count;
    ++m_total;

    while (m_total > m_capacity)
        dropOldest();
    return true;
}

void ZoneHistory::dropOldest()
{
    auto it = std::find_if(m_stores.begin(), m_stores.end(), [](const auto &s) { return s->count > 0; });
    if (it == m_stores.end())
        return;
    Store &s = **it;
    ++s.head;
    --s.count;
    --m_total;
    if (s.head == s.blocks.front().used) {
        s.blocks.erase(s.blocks.begin());
        s.head = 0;
    }
    if (s.count == 0 && std::next(it) != m_stores.end())
        m_stores.erase(it);
}

qsizetype ZoneHistory::memoryBytes() const
{
    qsizetype bytes = 0;
    for (const auto &s : m_stores) {
        bytes += static_cast<qsizetype>(sizeof(Store));
        for (const Block &b : s->blocks)
            bytes += b.bytes();
    }
    return bytes;
}

std::vector<ZoneHistory::Segment> ZoneHistory::segments() const
{
    std::vector<Segment> out;
    out.reserve(m_stores.size());
    for (const auto &s : m_stores) {
        Segment seg;
        seg.id = s->id;
        seg.machineType = s->machineType;
        seg.names = s->names;
        seg.start = s->start;
        seg.samples = s->count;
        if (s->count > 0) {
            seg.firstMs = s->time(0);
            seg.lastMs = s->time(s->count - 1);
        }
        out.push_back(std::move(seg));
    }
    return out;
}

qsizetype ZoneHistory::sampleCount(int segmentId) const
{
    const Store *s = find(segmentId);
    return s ? s->count : 0;
}

void ZoneHistory::read(int segmentId, int series, qint64 fromMs, qint64 toMs,
                       const std::function<void(qint64, qint16, quint8)> &sink) const
{
    const Store *s = find(segmentId);
    if (!s || series < 0 || series >= s->width || fromMs > toMs)
        return;
    const size_t width = static_cast<size_t>(s->width);
    const size_t column = static_cast<size_t>(series);
    s->forEachFrom(s->lowerBound(fromMs), [&](const Block &b, int r) {
        const qint64 t = b.base + b.offsets[static_cast<size_t>(r)];
        if (t > toMs)
            return false;
        sink(t, b.values[static_cast<size_t>(r) * width + column], b.flags[static_cast<size_t>(r)]);
        return true;
    });
}

std::vector<std::pair<qint64, qint64>> ZoneHistory::flaggedPeriods(int segmentId, qint64 from, qint64 to,
                                                                   quint8 mask) const
{
    std::vector<std::pair<qint64, qint64>> out;
    const Store *s = find(segmentId);
    if (!s || from > to || mask == 0 || s->count == 0)
        return out;

    // A period [start, end) ends at the first row without the flag; one that lasts to
    // the last row is closed there, so a flag on the last row alone still shows.
    const auto addPeriod = [&](qint64 start, qint64 end, bool closedEnd) {
        if (start > to || end < from || (!closedEnd && end == from))
            return;
        out.emplace_back(std::max(start, from), std::min(end, to));
    };
    // The row before `from` holds its flags into the range.
    const qsizetype first = std::max<qsizetype>(0, s->lowerBound(from) - 1);
    bool open = false;
    bool pastEnd = false;
    qint64 runStart = 0;
    qint64 lastTime = 0;
    s->forEachFrom(first, [&](const Block &b, int r) {
        const qint64 t = b.base + b.offsets[static_cast<size_t>(r)];
        lastTime = t;
        if (t > to) {
            if (open)
                addPeriod(runStart, t, false);
            open = false;
            pastEnd = true;
            return false;
        }
        const bool flagged = (b.flags[static_cast<size_t>(r)] & mask) != 0;
        if (flagged && !open) {
            open = true;
            runStart = t;
        } else if (!flagged && open) {
            open = false;
            addPeriod(runStart, t, false);
        }
        return true;
    });
    if (open && !pastEnd)
        addPeriod(runStart, lastTime, true);
    return out;
}

void ZoneHistory::produceCsv(int segmentId, const QLocale &locale, qsizetype chunk,
                             const std::function<bool(const QByteArray &)> &sink) const
{
    const csv::Format f = csv::formatFor(locale);
    const Store *s = find(segmentId);
    QByteArray out;
    out += csv::headerCell(QCoreApplication::translate("vard", "Date and time"), f.separator);
    if (s) {
        for (const QString &name : s->names) {
            out += f.separator;
            out += csv::headerCell(name, f.separator);
        }
    }
    out += "\r\n";
    if (s) {
        const QString format = QLatin1String(csv::kDateTimeFormat);
        const size_t width = static_cast<size_t>(s->width);
        bool going = true;
        s->forEachFrom(0, [&](const Block &b, int r) {
            const size_t row = static_cast<size_t>(r);
            out += QDateTime::fromMSecsSinceEpoch(b.base + b.offsets[row]).toString(format).toLatin1();
            for (size_t c = 0; c < width; ++c) {
                out += f.separator;
                out += QByteArray::number(b.values[row * width + c]);
            }
            out += "\r\n";
            if (out.size() >= chunk) {
                going = sink(out);
                out.clear();
            }
            return going;
        });
        if (!going)
            return;
    }
    if (!out.isEmpty())
        sink(out);
}

QByteArray ZoneHistory::ToCsv(int segmentId, const QLocale &locale) const
{
    return CsvText([&](qsizetype chunk, const CsvSink &sink) { produceCsv(segmentId, locale, chunk, sink); });
}

void ZoneHistory::ExportCsv(int segmentId, const QString &path, const QLocale &locale) const
{
    SaveCsv(path, [&](qsizetype chunk, const CsvSink &sink) { produceCsv(segmentId, locale, chunk, sink); });
}

} // namespace vard
