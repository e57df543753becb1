#include "cfx/CfxSpool.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kIdDigits = 20; // quint64's largest value has 20 decimal digits
const QString kSuffix = QStringLiteral(".msg");
const QString kTempSuffix = QStringLiteral(".tmp");

fs::path NativePath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString Words(const std::error_code &ec)
{
    return QString::fromLocal8Bit(ec.message());
}

// The id in a name this spool gave a file ("00000000000000000042.msg", with `suffix`
// after it for a file still being written), or 0 for any other name.
quint64 IdOfName(const QString &name, const QString &suffix)
{
    if (name.size() != kIdDigits + suffix.size() || !name.endsWith(suffix))
        return 0;
    for (int i = 0; i < kIdDigits; ++i) {
        if (name[i] < u'0' || name[i] > u'9')
            return 0;
    }
    bool ok = false;
    const quint64 id = QStringView(name).left(kIdDigits).toULongLong(&ok);
    return ok ? id : 0;
}

} // namespace

TCfxSpool::TCfxSpool(const QString &folder, qint64 maxBytes)
    : m_folder(folder)
    , m_maxBytes(std::max<qint64>(maxBytes, 1))
{
}

QString TCfxSpool::FileName(quint64 id)
{
    return QStringLiteral("%1").arg(id, kIdDigits, 10, QLatin1Char('0')) + kSuffix;
}

QString TCfxSpool::PathOf(quint64 id) const
{
    return m_folder + QLatin1Char('/') + FileName(id);
}

bool TCfxSpool::Open(QString *error)
{
    m_entries.clear();
    m_bytes = 0;
    m_writeFailing = false;

    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };

    // QDir::mkpath would say no more than "no"; the operator wants to know why (a file
    // in the way, no permission).
    const fs::path folder = NativePath(m_folder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        return fail(tr("Cannot create the message spool folder %1: %2")
                        .arg(QDir::toNativeSeparators(m_folder), ec ? Words(ec) : tr("Not a directory")));
    }

    std::vector<quint64> ids;
    quint64 highest = 0;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc))
            continue;
        const QString name = QFile::decodeName(it->path().filename().string().c_str());
        if (const quint64 id = IdOfName(name, kSuffix)) {
            ids.push_back(id);
            highest = std::max(highest, id);
        } else if (const quint64 tempId = IdOfName(name, kSuffix + kTempSuffix)) {
            // A write cut off by a crash: its message never got its real name.
            QFile::remove(m_folder + QLatin1Char('/') + name);
            highest = std::max(highest, tempId);
        }
    }
    if (ec) {
        return fail(tr("Cannot read the message spool folder %1: %2")
                        .arg(QDir::toNativeSeparators(m_folder), Words(ec)));
    }

    // Ids continue after every name seen, so a message never takes the name of one an
    // earlier run wrote, even of one skipped here.
    m_nextId = std::max(m_nextId, highest + 1);

    std::sort(ids.begin(), ids.end());
    for (const quint64 id : ids) {
        QFile f(PathOf(id));
        QByteArray payload;
        if (f.open(QIODevice::ReadOnly))
            payload = f.readAll();
        // Empty is what a power cut can leave of a file renamed before its bytes reached
        // the disk; nothing of the message is left to send.
        if (payload.isEmpty() || f.error() != QFileDevice::NoError) {
            f.close();
            QFile::remove(f.fileName());
            continue;
        }
        m_bytes += payload.size();
        m_entries.push_back({id, std::move(payload), true});
    }

    // A smaller bound than the earlier run had: keep the newest, as Append would have.
    while (m_entries.size() > 1 && m_bytes > m_maxBytes) {
        Forget(m_entries.front());
        m_entries.pop_front();
        ++m_droppedTotal;
    }
    return true;
}

bool TCfxSpool::WriteFile(quint64 id, const QByteArray &payload, QString *error) const
{
    const QString path = PathOf(id);
    const QString temp = path + kTempSuffix;
    // Not through SafeSave: its commit (and the QSaveFile under it) flushes every file to
    // the disk, which every message passing through here would pay for.
    // Unbuffered: every write reaches the system at once and its failure is seen here,
    // not lost in a flush at close.
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = tr("Cannot write the message spool file %1: %2").arg(QDir::toNativeSeparators(temp), f.errorString());
        return false;
    }
    // A write cut short (the disk filled up, a file-size limit) returns what it got out
    // without a reason; the next one fails with the system's word for it.
    qint64 written = 0;
    while (written < payload.size()) {
        const qint64 n = f.write(payload.constData() + written, payload.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written != payload.size()) {
        *error = tr("Cannot write the message spool file %1: %2").arg(QDir::toNativeSeparators(temp), f.errorString());
        f.close();
        QFile::remove(temp);
        return false;
    }
    f.close();
    // No fsync: it would cost a disk flush per message; what a power cut can leave
    // (an empty file under the real name) is skipped on Open.
    std::error_code ec;
    fs::rename(NativePath(temp), NativePath(path), ec);
    if (ec) {
        *error = tr("Cannot write the message spool file %1: %2").arg(QDir::toNativeSeparators(path), Words(ec));
        QFile::remove(temp);
        return false;
    }
    return true;
}

void TCfxSpool::Forget(const Entry &entry)
{
    m_bytes -= entry.payload.size();
    if (entry.onDisk)
        QFile::remove(PathOf(entry.id));
}

TCfxSpool::AppendResult TCfxSpool::Append(const QByteArray &message)
{
    AppendResult result;
    result.id = m_nextId++;

    // The room is made before the file is written: on a nearly full disk the dropped
    // files give it the space.
    while (!m_entries.empty() && m_bytes + message.size() > m_maxBytes) {
        Forget(m_entries.front());
        m_entries.pop_front();
        ++result.dropped;
    }
    m_droppedTotal += static_cast<quint64>(result.dropped);

    QString why;
    result.stored = WriteFile(result.id, message, &why);
    if (!result.stored && !m_writeFailing)
        result.error = why;
    m_writeFailing = !result.stored;

    m_bytes += message.size();
    m_entries.push_back({result.id, message, result.stored});
    return result;
}

qsizetype TCfxSpool::IndexOf(quint64 id) const
{
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                     [](const Entry &e, quint64 wanted) { return e.id < wanted; });
    if (it == m_entries.end() || it->id != id)
        return -1;
    return static_cast<qsizetype>(it - m_entries.begin());
}

bool TCfxSpool::Remove(quint64 id)
{
    const qsizetype i = IndexOf(id);
    if (i < 0)
        return false;
    Forget(m_entries[static_cast<size_t>(i)]);
    if (i == 0)
        m_entries.pop_front();
    else
        m_entries.erase(m_entries.begin() + i);
    return true;
}
