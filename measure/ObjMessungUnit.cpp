#include "measure/ObjMessungUnit.h"

namespace {
const QDate kDayZero(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

TMessungInfo::TMessungInfo() : MeasDate(ToDateValue(QDateTime::currentDateTime())) {}

TMessungInfo::~TMessungInfo() = default;

void TMessungInfo::SetFlag(bool on)
{
    if (on)
        Flags |= 2;
    else
        Flags &= static_cast<quint8>(~2u);
}

void TMessungInfo::SetChannelCount(int n)
{
    n = std::clamp(n, 0, 255);
    if (n == ChannelCount())
        return;
    ClearRows();
    m_channels.resize(static_cast<size_t>(n));
}

TKanalInfo *TMessungInfo::GetChannel(int index)
{
    return index >= 0 && index < ChannelCount() ? &m_channels[static_cast<size_t>(index)] : nullptr;
}

const TKanalInfo *TMessungInfo::GetChannel(int index) const
{
    return index >= 0 && index < ChannelCount() ? &m_channels[static_cast<size_t>(index)] : nullptr;
}

bool TMessungInfo::AddRow(const TDataRow &row)
{
    const auto width = static_cast<size_t>(ChannelCount() + 2);
    if (row.size() != width)
        return false;
    const qsizetype inBlock = m_rowCount % kRowsPerBlock;
    if (inBlock == 0)
        m_blocks.push_back(std::make_unique<quint32[]>(static_cast<size_t>(kRowsPerBlock) * width));
    std::copy(row.begin(), row.end(), m_blocks.back().get() + static_cast<size_t>(inBlock) * width);
    ++m_rowCount;
    return true;
}

const quint32 *TMessungInfo::rowData(qsizetype row) const
{
    if (row < 0 || row >= m_rowCount)
        return nullptr;
    const auto width = static_cast<size_t>(ChannelCount() + 2);
    return m_blocks[static_cast<size_t>(row / kRowsPerBlock)].get() + static_cast<size_t>(row % kRowsPerBlock) * width;
}

quint32 TMessungInfo::GetTime(qsizetype row) const
{
    const quint32 *r = rowData(row);
    return r ? r[0] : 0;
}

quint32 TMessungInfo::GetValue(qsizetype row, int channel) const
{
    const quint32 *r = rowData(row);
    return r && channel >= 0 && channel < ChannelCount() ? r[channel + 1] : 0;
}

quint32 TMessungInfo::GetFlag(qsizetype row) const
{
    const quint32 *r = rowData(row);
    return r ? r[ChannelCount() + 1] : 0;
}

void TMessungInfo::ClearRows()
{
    m_blocks.clear();
    m_rowCount = 0;
}

void TMessungInfo::SetInfo(int kind, const QString &text)
{
    switch (kind) {
    case 1: Title = text; break;
    case 2: UserName = text; break;
    case 3: Description = text; break;
    default: break;
    }
}

qsizetype TMessungInfo::RowMemoryBytes() const
{
    return static_cast<qsizetype>(m_blocks.size()) * kRowsPerBlock * (ChannelCount() + 2)
           * static_cast<qsizetype>(sizeof(quint32));
}

double TMessungInfo::ToDateValue(const QDateTime &local)
{
    const qint64 days = kDayZero.daysTo(local.date());
    return double(days) + double(local.time().msecsSinceStartOfDay()) / kMsPerDay;
}

QDateTime TMessungInfo::FromDateValue(double value)
{
    const double whole = std::floor(value);
    const QDate date = kDayZero.addDays(static_cast<qint64>(whole));
    const int ms = static_cast<int>(std::lround((value - whole) * kMsPerDay));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(std::min(ms, 86399999)));
}
