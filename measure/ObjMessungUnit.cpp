#include "measure/ObjMessungUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <functional>

#include "app/LocaleFormats.h"
#include "app/SafeSave.h"
#include "app/TextCodec.h"

namespace {
const QDate kDayZero(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

// Gathers the file's bytes and hands them to the device in large pieces, so a million
// rows cost a few hundred writes rather than millions. After the first failed write it
// writes nothing more.
class Output {
public:
    explicit Output(vard::SafeSave &file) : m_file(file), m_buffer(std::make_unique<char[]>(kCapacity)) {}

    // Room for n more bytes (n <= kCapacity); the caller fills them and calls commit.
    char *reserve(qsizetype n)
    {
        if (m_used + n > kCapacity)
            flush();
        return m_buffer.get() + m_used;
    }
    void commit(char *end) { m_used = end - m_buffer.get(); }
    void append(const char *data, qsizetype n)
    {
        while (n > 0) {
            const qsizetype piece = std::min(n, kCapacity);
            std::memcpy(reserve(piece), data, static_cast<size_t>(piece));
            m_used += piece;
            data += piece;
            n -= piece;
        }
    }
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    bool flush()
    {
        if (!m_failed && m_used > 0 && !m_file.write(m_buffer.get(), m_used))
            m_failed = true;
        m_used = 0;
        return !m_failed;
    }
    bool failed() const { return m_failed; }

    static constexpr qsizetype kCapacity = 1 << 16;

private:
    vard::SafeSave &m_file;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    bool m_failed = false;
};

// The framing of the binary layout: tag, reserved word and length field, then the
// payload, whose bytes are summed on the way out for the checksum that follows it.
class BlockOutput {
public:
    explicit BlockOutput(Output &out) : m_out(out) {}

    void begin(quint16 tag, quint32 length)
    {
        char *p = m_out.reserve(8);
        qToLittleEndian<quint16>(tag, p);
        qToLittleEndian<quint16>(0, p + 2);
        qToLittleEndian<quint32>(length, p + 4);
        m_out.commit(p + 8);
        m_sum = 0;
    }
    void end()
    {
        char *p = m_out.reserve(2);
        qToLittleEndian<quint16>(static_cast<quint16>(~m_sum), p);
        m_out.commit(p + 2);
    }

    void u8(quint8 v)
    {
        char *p = m_out.reserve(1);
        *p = static_cast<char>(v);
        m_out.commit(p + 1);
        m_sum += v;
    }
    void u16(quint16 v)
    {
        char *p = m_out.reserve(2);
        qToLittleEndian<quint16>(v, p);
        m_out.commit(p + 2);
        m_sum += (v & 0xFFu) + (v >> 8);
    }
    void u32(quint32 v)
    {
        char *p = m_out.reserve(4);
        qToLittleEndian<quint32>(v, p);
        m_out.commit(p + 4);
        m_sum += byteSum(v);
    }
    void f64(double v)
    {
        quint64 bits;
        static_assert(sizeof bits == sizeof v);
        std::memcpy(&bits, &v, sizeof bits);
        u32(static_cast<quint32>(bits));
        u32(static_cast<quint32>(bits >> 32));
    }
    // A text: its byte count, then its bytes.
    void text(const QByteArray &bytes)
    {
        u32(static_cast<quint32>(bytes.size()));
        m_out.append(bytes);
        for (char c : bytes)
            m_sum += static_cast<unsigned char>(c);
    }
    // The rows go out in one stretch per row: time stamp and channel values, without
    // the genuine-value flag, which the layout does not store.
    void rowValues(const quint32 *row, int count)
    {
        char *p = m_out.reserve(4 * count);
        for (int i = 0; i < count; ++i, p += 4) {
            qToLittleEndian<quint32>(row[i], p);
            m_sum += byteSum(row[i]);
        }
        m_out.commit(p);
    }

    static constexpr quint16 kInformation = 0x4946;
    static constexpr quint16 kMarkers = 0x414D;
    static constexpr quint16 kMeasurement = 0x454D;
    static constexpr quint16 kFlags = 0x4646;

private:
    static quint32 byteSum(quint32 v) { return (v & 0xFFu) + ((v >> 8) & 0xFFu) + ((v >> 16) & 0xFFu) + (v >> 24); }

    Output &m_out;
    // Only the low 16 bits end up in the checksum, so wrapping around is harmless.
    quint32 m_sum = 0;
};

char *putDecimal(char *p, quint32 v)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

// A channel value holds the 32-bit pattern of a signed reading in tenths.
char *putSignedDecimal(char *p, quint32 pattern)
{
    const qint32 v = static_cast<qint32>(pattern);
    if (v >= 0)
        return putDecimal(p, pattern);
    *p++ = '-';
    return putDecimal(p, 0u - pattern);
}

// The description may come with any mix of line ends; the binary layout wants CR LF.
QString withCrLf(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(u'\r', u'\n');
    out.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return out;
}

// Writes through a temporary file beside the target and replaces the target only when
// every byte is out: a failure at any point leaves the previous file untouched. In a
// folder that refuses the temporary file an existing target the operator may write is
// written in place, which no longer keeps it whole on a failure, but saves at all.
TMessungInfo::WriteResult writeReplacing(const QString &path, QString *reason,
                                         const std::function<void(Output &)> &body)
{
    vard::SafeSave file(path, vard::SafeSave::Fallback::DirectWrite);
    if (!file.open()) {
        if (reason)
            *reason = file.errorString();
        return TMessungInfo::WriteResult::CannotAccess;
    }
    Output out(file);
    body(out);
    if (!out.flush() || !file.commit()) {
        if (reason)
            *reason = file.errorString();
        return TMessungInfo::WriteResult::WriteFailed;
    }
    return TMessungInfo::WriteResult::Ok;
}

} // namespace

namespace vard {

MeasFileError::MeasFileError(const QString &filePath, const QString &message, const QString &reason)
    : std::runtime_error(message.toStdString()), m_filePath(filePath), m_message(message), m_reason(reason)
{
}

} // namespace vard

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

TMessungInfo::WriteResult TMessungInfo::WriteBinary(const QString &path, QString *reason) const
{
    return writeReplacing(path, reason, [this](Output &out) {
        out.append("TAVO 1.0", 8);
        BlockOutput block(out);

        const QByteArray title = vard::toCp1252(Title);
        const QByteArray user = vard::toCp1252(UserName);
        const QByteArray description = vard::toCp1252(withCrLf(Description));
        const QByteArray password = vard::toCp1252(Password);
        block.begin(BlockOutput::kInformation,
                    static_cast<quint32>(38 + title.size() + user.size() + description.size() + password.size()));
        block.f64(MeasDate);
        block.text(title);
        block.text(user);
        block.text(description);
        block.text(password);
        for (int i = 0; i < 3; ++i)
            block.u32(0);
        block.end();

        // The length field of this block counts the payload alone (1 with no markers).
        // The count is one byte: markers past the 255th cannot be announced, so they
        // stay out rather than garble the blocks after them.
        const size_t markerCount = std::min<size_t>(m_markers.size(), 255);
        std::vector<QByteArray> markerTexts;
        quint32 markerLength = 1;
        for (size_t i = 0; i < markerCount; ++i) {
            markerTexts.push_back(vard::toCp1252(m_markers[i].Text));
            markerLength += 8 + static_cast<quint32>(markerTexts.back().size());
        }
        block.begin(BlockOutput::kMarkers, markerLength);
        block.u8(static_cast<quint8>(markerCount));
        for (size_t i = 0; i < markerCount; ++i) {
            block.u32(static_cast<quint32>(m_markers[i].Position));
            block.text(markerTexts[i]);
        }
        block.end();

        const int n = ChannelCount();
        std::vector<QByteArray> names;
        quint64 nameBytes = 0;
        for (const TKanalInfo &channel : m_channels) {
            names.push_back(vard::toCp1252(channel.Name));
            nameBytes += static_cast<quint64>(names.back().size());
        }
        // With channels the length field counts the checksum too; without, it has
        // always been 5, and the programs reading these files expect exactly that.
        const quint64 rows = static_cast<quint64>(m_rowCount);
        const quint64 measurementLength =
            n == 0 ? 5 : 4 * rows * static_cast<quint64>(n + 1) + 7 * static_cast<quint64>(n) + 7 + nameBytes;
        block.begin(BlockOutput::kMeasurement, static_cast<quint32>(measurementLength));
        block.u8(static_cast<quint8>(n));
        for (size_t i = 0; i < m_channels.size(); ++i) {
            block.text(names[i]);
            block.u16(static_cast<quint16>(m_channels[i].Code));
            block.u8(m_channels[i].Option);
        }
        block.u32(static_cast<quint32>(m_rowCount));
        for (qsizetype r = 0; r < m_rowCount && !out.failed(); ++r)
            block.rowValues(rowData(r), n + 1);
        block.end();

        block.begin(BlockOutput::kFlags, 1);
        block.u8(Flags);
        block.end();
    });
}

TMessungInfo::WriteResult TMessungInfo::writeText(const QString &path, QString *reason) const
{
    return writeReplacing(path, reason, [this](Output &out) {
        // Section and key names, date and time follow the interface language.
        const QString timeKey = QCoreApplication::translate("TMessungInfo", "Time");
        const QLocale locale;
        const QDateTime when = FromDateValue(MeasDate);
        const QLatin1String crlf("\r\n");
        QString head;
        head += u'[' + QCoreApplication::translate("TMessungInfo", "Measurement info") + u']' + crlf;
        head += QCoreApplication::translate("TMessungInfo", "Date") + u'='
                + locale.toString(when.date(), QLocale::ShortFormat) + crlf;
        head += timeKey + u'=' + locale.toString(when.time(), vard::TimeOfDayFormat(locale)) + crlf;
        head += QCoreApplication::translate("TMessungInfo", "Labeling") + u'=' + Title + crlf;
        head += QCoreApplication::translate("TMessungInfo", "User sign") + u'=' + UserName + crlf;
        head += QCoreApplication::translate("TMessungInfo", "Info") + u'=' + Description + crlf;
        head += crlf;
        head += u'[' + QCoreApplication::translate("TMessungInfo", "Measurement data") + u']' + crlf;
        const int n = ChannelCount();
        if (n >= 1) {
            head += timeKey + u';';
            for (const TKanalInfo &channel : m_channels)
                head += channel.Name + u';';
            head += QCoreApplication::translate("TMessungInfo", "Genuine value") + u';' + crlf;
        }
        out.append(vard::toCp1252(head));
        // Without a channel there is no column to put a row in.
        if (n == 0)
            return;

        const int width = n + 2;
        // A sign, ten digits and a semicolon per element, and the line end.
        const qsizetype longestLine = 12 * width + 2;
        for (qsizetype r = 0; r < m_rowCount && !out.failed(); ++r) {
            const quint32 *row = rowData(r);
            char *p = out.reserve(longestLine);
            // The time stamp and the genuine-value flag are unsigned; the values between
            // them are readings, which may lie below zero.
            for (int i = 0; i < width; ++i) {
                p = (i == 0 || i == width - 1) ? putDecimal(p, row[i]) : putSignedDecimal(p, row[i]);
                *p++ = ';';
            }
            *p++ = '\r';
            *p++ = '\n';
            out.commit(p);
        }
    });
}

void TMessungInfo::ExportText(const QString &path) const
{
    QString reason;
    const WriteResult result = writeText(path, &reason);
    if (result != WriteResult::Ok)
        throw vard::MeasFileError(path, WriteErrorText(result, path, reason), reason);
}

QString TMessungInfo::WriteErrorText(WriteResult result, const QString &path, const QString &reason)
{
    const QString shown = QDir::toNativeSeparators(path);
    QString message;
    switch (result) {
    case WriteResult::Ok: return QString();
    case WriteResult::CannotAccess:
        message = QCoreApplication::translate("TMessungInfo", "Cannot access file \"%1\" !").arg(shown);
        break;
    case WriteResult::WriteFailed:
        message = QCoreApplication::translate("TMessungInfo", "Error writing to file \"%1\".").arg(shown);
        break;
    }
    // The system's word on it ("No space left on device") tells the operator what to do.
    if (!reason.isEmpty())
        message += u'\n' + reason;
    return message;
}
