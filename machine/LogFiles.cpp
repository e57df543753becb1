#include "machine/LogFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#include "app/GlobalUnit.h"
#include "app/TextCodec.h"

namespace vard {

namespace {

// The bytes the window's "Save" writes for this line. The window turns a line break
// inside a line into a line of its own, so the file does the same with CR LF.
QByteArray lineBytes(const QString &line)
{
    QString text = line;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    QByteArray bytes;
    bytes.reserve(text.size() + 2);
    const QStringList parts = text.split(u'\n');
    for (const QString &part : parts) {
        bytes += toCp1252(part);
        bytes += "\r\n";
    }
    return bytes;
}

QString writeError(const QString &path, const QString &reason)
{
    return QCoreApplication::translate("LogFiles", "Error writing to file \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

LogFiles::LogFiles(const QString &folder, qsizetype backlogLimit)
    : m_folder(QDir::cleanPath(folder)), m_backlogLimit(std::max<qsizetype>(backlogLimit, 1))
{
    QDir().mkpath(m_folder);
}

QString LogFiles::fileName(const QDate &day)
{
    // Not QDate::toString: the name must not follow the locale's digits.
    return QString::asprintf("vard-%04d-%02d-%02d.log", day.year(), day.month(), day.day());
}

QString LogFiles::filePath(const QDate &day) const
{
    return m_folder + u'/' + fileName(day);
}

bool LogFiles::append(const QString &line, const QDateTime &when)
{
    if (!m_enabled)
        return false;
    const QDateTime local = when.isValid() ? when.toLocalTime() : QDateTime::currentDateTime();
    Pending pending{local.date(), lineBytes(line)};
    // The waiting lines first: a disk that has recovered takes them all, and the new
    // line then needs no room in a full backlog.
    bool written = writeBacklog();
    if (written) {
        m_backlog.push_back(std::move(pending));
        written = writeBacklog();
    } else {
        keep(std::move(pending));
    }
    if (written) {
        m_failing = false;
        m_problemPending = false;
        return true;
    }
    if (!m_failing) {
        m_failing = true;
        m_problemPending = true;
    }
    return false;
}

void LogFiles::keep(Pending pending)
{
    while (qsizetype(m_backlog.size()) >= m_backlogLimit) {
        m_backlog.pop_front();
        ++m_dropped;
    }
    m_backlog.push_back(std::move(pending));
}

// Writes the waiting lines from the oldest, each flushed before the next; stops at the
// first that fails, which stays first in line. A line cut short by a full disk is cut
// off the file again, so that its retry does not leave a fragment before it.
bool LogFiles::writeBacklog()
{
    while (!m_backlog.empty()) {
        const QDate day = m_backlog.front().day;
        const QString path = filePath(day);
        if (!QFileInfo::exists(m_folder))
            QDir().mkpath(m_folder);
        QFile file(path);
        // Unbuffered: a write the disk refuses shows at once, and nothing of it is left
        // in a buffer that would stop the cut below.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            m_lastError = writeError(path, file.errorString());
            return false;
        }
        while (!m_backlog.empty() && m_backlog.front().day == day) {
            const QByteArray &bytes = m_backlog.front().bytes;
            const qint64 before = file.size();
            errno = 0;
            const bool written = file.write(bytes) == bytes.size() && file.flush();
            if (!written) {
                // A short write leaves QFile without an error of its own; the system's
                // reason for the refused rest is still in errno.
                const int reason = errno;
                m_lastError = writeError(path, file.error() != QFileDevice::NoError
                                                   ? file.errorString()
                                                   : QString::fromLocal8Bit(std::strerror(reason ? reason : EIO)));
                file.resize(before);
                return false;
            }
            m_backlog.pop_front();
        }
        file.close();
        if (file.error() != QFileDevice::NoError) {
            m_lastError = writeError(path, file.errorString());
            return false;
        }
    }
    return true;
}

bool LogFiles::takeNewProblem(QString *message)
{
    if (!m_problemPending)
        return false;
    m_problemPending = false;
    if (message)
        *message = m_lastError;
    return true;
}

int LogFiles::removeOlderThan(int days, const QDate &today)
{
    if (days <= 0 || !today.isValid())
        return 0;
    static const QRegularExpression pattern(QStringLiteral("^vard-([0-9]{4})-([0-9]{2})-([0-9]{2})\\.log$"));
    QDir dir(m_folder);
    int removed = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const QDate day(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        // "vard-2024-02-30.log" is no day file of ours: leave it alone.
        if (!day.isValid() || fileName(day) != name)
            continue;
        if (day.daysTo(today) > days && dir.remove(name))
            ++removed;
    }
    return removed;
}

bool LogFiles::EnabledSetting()
{
    return ReadSettingInt(QStringLiteral("Log"), QStringLiteral("WriteFiles"), 1) != 0;
}

int LogFiles::KeepDaysSetting()
{
    return ReadSettingInt(QStringLiteral("Log"), QStringLiteral("KeepDays"), 90);
}

} // namespace vard
