#include "measure/MeasJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>
#include <cerrno>
#include <cstring>

#include "app/SafeSave.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

namespace vard {
namespace {

constexpr char kJournalMagic[] = "VardJrnl";
constexpr char kTextsMagic[] = "VardJtxt";
constexpr qsizetype kMagicSize = 8;
constexpr quint32 kVersion = 1;
// Magic, version and body length come before the body.
constexpr qsizetype kLeadSize = kMagicSize + 8;
// Texts beyond this are not an operator's but garbage; it also bounds what a damaged
// length field makes restore() read.
constexpr quint32 kMaxBody = 16u << 20;
constexpr int kMaxChannels = 255;
// Queued rows beyond this go out without waiting for the caller's flush.
constexpr qsizetype kAutoFlushBytes = 64 * 1024;
constexpr qsizetype kReadChunk = 1 << 20;

constexpr std::array<quint32, 256> makeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<quint32, 256> kCrcTable = makeCrcTable();

quint32 crc32(const char *data, qsizetype size)
{
    quint32 c = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        c = kCrcTable[(c ^ static_cast<unsigned char>(data[i])) & 0xFFu] ^ (c >> 8);
    return ~c;
}

void putU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

void putU64(QByteArray &out, quint64 v)
{
    char b[8];
    qToLittleEndian<quint64>(v, b);
    out.append(b, 8);
}

void putText(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    putU32(out, static_cast<quint32>(utf8.size()));
    out.append(utf8);
}

// Magic, version, body length, body, CRC-32.
QByteArray frame(const char *magic, const QByteArray &body)
{
    QByteArray out(magic, kMagicSize);
    putU32(out, kVersion);
    putU32(out, static_cast<quint32>(body.size()));
    out.append(body);
    putU32(out, crc32(out.constData(), out.size()));
    return out;
}

QByteArray textsBody(const TMessungInfo &m)
{
    QByteArray body;
    putText(body, m.Title);
    putText(body, m.UserName);
    putText(body, m.Description);
    return body;
}

QByteArray journalHeader(const TMessungInfo &m, quint64 id)
{
    QByteArray body;
    putU64(body, id);
    quint64 date;
    static_assert(sizeof date == sizeof m.MeasDate);
    std::memcpy(&date, &m.MeasDate, sizeof date);
    putU64(body, date);
    putU32(body, static_cast<quint32>(m.ChannelCount()));
    body.append(textsBody(m));
    return frame(kJournalMagic, body);
}

QByteArray textsFile(const TMessungInfo &m, quint64 id)
{
    QByteArray body;
    putU64(body, id);
    body.append(textsBody(m));
    return frame(kTextsMagic, body);
}

// Reads a body field by field; every read past its end fails and keeps failing.
class BodyReader {
public:
    explicit BodyReader(const QByteArray &body) : m_data(body.constData()), m_left(body.size()) {}

    bool u32(quint32 &v)
    {
        if (m_left < 4)
            return fail();
        v = qFromLittleEndian<quint32>(m_data);
        skip(4);
        return true;
    }
    bool u64(quint64 &v)
    {
        if (m_left < 8)
            return fail();
        v = qFromLittleEndian<quint64>(m_data);
        skip(8);
        return true;
    }
    bool text(QString &v)
    {
        quint32 n = 0;
        if (!u32(n) || n > static_cast<quint64>(m_left))
            return fail();
        v = QString::fromUtf8(m_data, static_cast<qsizetype>(n));
        skip(n);
        return true;
    }
    bool atEnd() const { return m_ok && m_left == 0; }

private:
    bool fail()
    {
        m_ok = false;
        m_left = 0;
        return false;
    }
    void skip(qsizetype n)
    {
        m_data += n;
        m_left -= n;
    }

    const char *m_data;
    qsizetype m_left;
    bool m_ok = true;
};

enum class FrameResult { Ok, Foreign, Unsupported, CutOff, Damaged, ReadFailed };

// Reads one framed block from the start of the file; the file is left just behind it.
FrameResult readFrame(QFile &file, const char *magic, QByteArray *body)
{
    const QByteArray lead = file.read(kLeadSize);
    if (file.error() != QFileDevice::NoError)
        return FrameResult::ReadFailed;
    if (std::memcmp(lead.constData(), magic, static_cast<size_t>(std::min(lead.size(), kMagicSize))) != 0)
        return FrameResult::Foreign;
    if (lead.size() < kLeadSize)
        return FrameResult::CutOff;
    if (qFromLittleEndian<quint32>(lead.constData() + kMagicSize) != kVersion)
        return FrameResult::Unsupported;
    const quint32 length = qFromLittleEndian<quint32>(lead.constData() + kMagicSize + 4);
    if (length > kMaxBody)
        return FrameResult::Damaged;
    const QByteArray rest = file.read(qint64(length) + 4);
    if (file.error() != QFileDevice::NoError)
        return FrameResult::ReadFailed;
    if (rest.size() < qsizetype(length) + 4)
        return FrameResult::CutOff;
    // The CRC runs over lead and body as one stretch.
    const QByteArray covered = lead + rest.left(length);
    if (qFromLittleEndian<quint32>(rest.constData() + length) != crc32(covered.constData(), covered.size()))
        return FrameResult::Damaged;
    *body = rest.left(length);
    return FrameResult::Ok;
}

struct Texts {
    QString title;
    QString user;
    QString description;
};

bool readTexts(BodyReader &r, Texts &t) { return r.text(t.title) && r.text(t.user) && r.text(t.description); }

// The newer texts from the side file, when it belongs to the journal with this id.
bool readSideTexts(const QString &path, quint64 id, Texts &t)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray body;
    if (readFrame(file, kTextsMagic, &body) != FrameResult::Ok)
        return false;
    BodyReader r(body);
    quint64 fileId = 0;
    Texts read;
    if (!r.u64(fileId) || fileId != id || !readTexts(r, read) || !r.atEnd())
        return false;
    t = read;
    return true;
}

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// A file created or renamed into the folder survives a power cut only once the folder
// itself is on the disk.
bool syncFolder(const QString &folder, QString *error)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true; // nothing to sync through; the file's own sync already ran
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    const int code = errno;
    ::close(fd);
    if (!ok && error)
        *error = systemError(code);
    return ok;
#else
    Q_UNUSED(folder);
    Q_UNUSED(error);
    return true;
#endif
}

void setError(QString *error, const QString &reason)
{
    if (error)
        *error = reason.isEmpty() ? MeasJournal::tr("unknown error") : reason;
}

} // namespace

MeasJournal::MeasJournal(const QString &folder) : m_folder(folder), m_file(journalPath(folder)) {}

MeasJournal::~MeasJournal()
{
    if (isOpen()) {
        flush();
        m_file.close();
    }
}

QString MeasJournal::journalPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("measurement.journal"));
}

QString MeasJournal::textsPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("measurement.journal.texts"));
}

bool MeasJournal::exists(const QString &folder) { return QFileInfo(journalPath(folder)).isFile(); }

bool MeasJournal::begin(const TMessungInfo &m, QString *error)
{
    if (m_file.isOpen())
        m_file.close();
    m_queue.clear();
    m_failing = false;
    m_needsCutBack = false;
    m_safeSize = 0;
    m_rowWidth = m.ChannelCount() + 2;
    m_id = QRandomGenerator::system()->generate64();

    // When this fails, opening the file says why.
    QDir().mkpath(m_folder);
    // The old side file could not be mistaken for this journal's anyway (another id);
    // removing it only keeps the folder tidy.
    QFile::remove(textsPath(m_folder));

    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        setError(error, m_file.errorString());
        return false;
    }
    QByteArray out = journalHeader(m, m_id);
    const qsizetype rowBytes = qsizetype(m_rowWidth) * 4;
    char value[4];
    for (qsizetype row = 0; row < m.RowCount(); ++row) {
        qToLittleEndian<quint32>(m.GetTime(row), value);
        out.append(value, 4);
        for (int ch = 0; ch < m.ChannelCount(); ++ch) {
            qToLittleEndian<quint32>(m.GetValue(row, ch), value);
            out.append(value, 4);
        }
        qToLittleEndian<quint32>(m.GetFlag(row), value);
        out.append(value, 4);
        if (out.size() + rowBytes > kAutoFlushBytes || row + 1 == m.RowCount()) {
            if (!writeAll(out.constData(), out.size(), error)) {
                discardFile();
                return false;
            }
            out.resize(0);
        }
    }
    if ((!out.isEmpty() && !writeAll(out.constData(), out.size(), error)) || !syncFile(error)
        || !syncFolder(m_folder, error)) {
        discardFile();
        return false;
    }
    m_safeSize = m_file.size();
    return true;
}

bool MeasJournal::append(const TDataRow &row)
{
    if (!isOpen() || row.size() != static_cast<size_t>(m_rowWidth))
        return false;
    const qsizetype at = m_queue.size();
    m_queue.resize(at + qsizetype(row.size()) * 4);
    char *p = m_queue.data() + at;
    for (quint32 v : row) {
        qToLittleEndian<quint32>(v, p);
        p += 4;
    }
    if (m_queue.size() >= kAutoFlushBytes && !m_failing)
        flush();
    return true;
}

bool MeasJournal::flush(QString *error)
{
    if (!isOpen()) {
        setError(error, tr("the measurement journal is not open"));
        return false;
    }
    if (m_needsCutBack && !cutBack()) {
        m_failing = true;
        setError(error, m_file.errorString());
        return false;
    }
    if (m_queue.isEmpty())
        return true;
    qsizetype written = 0;
    if (!writeAll(m_queue.constData(), m_queue.size(), error, &written)) {
        // On a full disk the rows that did fit may be the last ones ever to: they stay
        // when they can be made safe. A part row is taken back, so that the file ends
        // on a whole row and the next flush goes on from there.
        m_failing = true;
        m_needsCutBack = true;
        const qsizetype kept = written - written % (qsizetype(m_rowWidth) * 4);
        if (kept > 0) {
            m_safeSize += kept;
            if (cutBack() && syncFile(nullptr)) {
                m_queue.remove(0, kept);
                return false;
            }
            m_safeSize -= kept;
            m_needsCutBack = true;
        }
        cutBack();
        return false;
    }
    if (!syncFile(error)) {
        // Where the rows went is unknown now; the next flush writes them again.
        m_failing = true;
        m_needsCutBack = true;
        cutBack();
        return false;
    }
    m_safeSize += m_queue.size();
    m_queue.resize(0);
    m_failing = false;
    return true;
}

bool MeasJournal::updateTexts(const TMessungInfo &m, QString *error)
{
    if (!isOpen()) {
        setError(error, tr("the measurement journal is not open"));
        return false;
    }
    const SaveResult saved = SaveWholeFile(textsPath(m_folder), textsFile(m, m_id), SafeSave::Fallback::None);
    if (!saved) {
        setError(error, saved.reason);
        return false;
    }
    return syncFolder(m_folder, error);
}

void MeasJournal::remove()
{
    if (m_file.isOpen())
        m_file.close();
    m_queue.clear();
    m_failing = false;
    m_needsCutBack = false;
    QFile::remove(journalPath(m_folder));
    QFile::remove(textsPath(m_folder));
}

bool MeasJournal::writeAll(const char *data, qsizetype size, QString *error, qsizetype *written)
{
    // A write cut short by a full disk takes what fits; the next one says why.
    qsizetype done = 0;
    bool ok = true;
    while (done < size) {
        const qint64 n = m_file.write(data + done, size - done);
        if (n <= 0) {
            setError(error, m_file.errorString());
            ok = false;
            break;
        }
        done += n;
    }
    if (written)
        *written = done;
    return ok;
}

bool MeasJournal::syncFile(QString *error)
{
    if (!m_file.flush()) {
        setError(error, m_file.errorString());
        return false;
    }
#if defined(Q_OS_UNIX)
    // Some file systems (network ones, quotas) report a lack of room only here.
    if (::fdatasync(m_file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
        setError(error, systemError(errno));
        return false;
    }
#elif defined(Q_OS_WIN)
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(m_file.handle())))) {
        setError(error, tr("the data could not be written to the disk"));
        return false;
    }
#endif
    return true;
}

bool MeasJournal::cutBack()
{
    if (!m_file.resize(m_safeSize) || !m_file.seek(m_safeSize))
        return false;
    m_needsCutBack = false;
    return true;
}

void MeasJournal::discardFile()
{
    m_file.close();
    QFile::remove(m_file.fileName());
}

bool MeasJournal::restore(const QString &folder, TMessungInfo &m, QString *error)
{
    QFile file(journalPath(folder));
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    QByteArray body;
    switch (readFrame(file, kJournalMagic, &body)) {
    case FrameResult::Ok: break;
    case FrameResult::Foreign: setError(error, tr("the file is not a measurement journal")); return false;
    case FrameResult::Unsupported:
        setError(error, tr("the measurement journal was written by another version of the program"));
        return false;
    case FrameResult::CutOff: setError(error, tr("the measurement journal ends inside its header")); return false;
    case FrameResult::Damaged: setError(error, tr("the header of the measurement journal is damaged")); return false;
    case FrameResult::ReadFailed: setError(error, file.errorString()); return false;
    }

    BodyReader r(body);
    quint64 id = 0;
    quint64 dateBits = 0;
    quint32 channels = 0;
    Texts texts;
    if (!r.u64(id) || !r.u64(dateBits) || !r.u32(channels) || channels > kMaxChannels || !readTexts(r, texts)
        || !r.atEnd()) {
        setError(error, tr("the header of the measurement journal is damaged"));
        return false;
    }
    readSideTexts(textsPath(folder), id, texts);

    double date;
    std::memcpy(&date, &dateBits, sizeof date);
    m.ClearRows();
    m.SetChannelCount(static_cast<int>(channels));
    m.MeasDate = date;
    m.SetInfo(1, texts.title);
    m.SetInfo(2, texts.user);
    m.SetInfo(3, texts.description);

    const qsizetype width = qsizetype(channels) + 2;
    const qsizetype rowBytes = width * 4;
    const qsizetype chunkRows = std::max<qsizetype>(1, kReadChunk / rowBytes);
    TDataRow row(static_cast<size_t>(width));
    for (;;) {
        const QByteArray chunk = file.read(chunkRows * rowBytes);
        if (file.error() != QFileDevice::NoError) {
            setError(error, file.errorString());
            return false;
        }
        const qsizetype whole = chunk.size() / rowBytes;
        const char *p = chunk.constData();
        for (qsizetype i = 0; i < whole; ++i) {
            for (qsizetype k = 0; k < width; ++k, p += 4)
                row[static_cast<size_t>(k)] = qFromLittleEndian<quint32>(p);
            m.AddRow(row);
        }
        // A short chunk is the end of the file, its odd bytes a row the crash cut off.
        if (chunk.size() < chunkRows * rowBytes)
            break;
    }
    return true;
}

} // namespace vard
