#include "app/SafeSave.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vard {
namespace {

// A save in progress writes to its temporary file all the time; one untouched for
// this long belongs to a save that was killed.
constexpr qint64 kLeftoverAgeSeconds = 60;

// Where the file system has no unnamed temporary files, QSaveFile names its temporary
// file after the target: the name, a dot and six random letters.
bool isTemporaryOf(const QString &name, qsizetype targetLength)
{
    if (name.size() != targetLength + 7 || name.at(targetLength) != u'.')
        return false;
    for (qsizetype i = targetLength + 1; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

// The target a leftover belongs to, if it is one of the program's own files.
using TargetTest = bool (*)(const QString &target);

bool isSettingsFile(const QString &target)
{
    // The files the program writes into its settings folder ("MaxTemp.ini" is only
    // read).
    return target == QLatin1String("Vard.ini") || target == QLatin1String("Vard.pos")
           || target == QLatin1String("Profiles.vard");
}

bool isMeasurementFile(const QString &target)
{
    const qsizetype dot = target.lastIndexOf(u'.');
    if (dot <= 0)
        return false;
    const QStringView suffix = QStringView(target).mid(dot + 1);
    return suffix == QLatin1String("tavo") || suffix == QLatin1String("mref") || suffix == QLatin1String("txt");
}

int removeIn(const QString &folder, TargetTest isOurs)
{
    int removed = 0;
    const QDateTime staleBefore = QDateTime::currentDateTime().addSecs(-kLeftoverAgeSeconds);
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (name.size() < 8 || entry.isSymLink() || !entry.isFile())
            continue;
        const qsizetype targetLength = name.size() - 7;
        if (!isTemporaryOf(name, targetLength) || !isOurs(name.left(targetLength)))
            continue;
        if (entry.lastModified() > staleBefore)
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

} // namespace

SafeSave::SafeSave(const QString &filePath, Fallback fallback) : m_path(filePath), m_file(filePath)
{
    m_file.setDirectWriteFallback(fallback == Fallback::DirectWrite);
}

SafeSave::~SafeSave()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

bool SafeSave::open()
{
    // Unbuffered: every write reaches the system at once, so its failure is seen here
    // and not lost in a flush that commit() does not check.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fail(m_file.errorString());
        return false;
    }
    return true;
}

bool SafeSave::write(const char *data, qsizetype size)
{
    if (failed() || !m_file.isOpen())
        return false;
    // A write cut short by a full disk takes what fits; the next one says why.
    while (size > 0) {
        const qint64 n = m_file.write(data, size);
        if (n <= 0) {
            fail(m_file.errorString());
            m_file.cancelWriting();
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool SafeSave::commit()
{
    if (!m_file.isOpen())
        return false;
    if (failed()) {
        m_file.cancelWriting();
        return false;
    }
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError) {
        fail(m_file.errorString());
        m_file.cancelWriting();
        return false;
    }
#ifdef Q_OS_UNIX
    // Some file systems (network ones, quotas) report a lack of room only when the data
    // goes to the disk; QSaveFile syncs but ignores the answer.
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
        fail(QString::fromLocal8Bit(std::strerror(errno)));
        m_file.cancelWriting();
        return false;
    }
#endif
    if (!m_file.commit()) {
        fail(m_file.errorString());
        return false;
    }
    return true;
}

void SafeSave::fail(const QString &reason)
{
    if (!failed())
        m_error = reason.isEmpty() ? QCoreApplication::translate("SafeSave", "unknown error") : reason;
}

SaveResult SaveWholeFile(const QString &filePath, const QByteArray &bytes, SafeSave::Fallback fallback)
{
    SafeSave file(filePath, fallback);
    if (!file.open())
        return {SaveResult::CannotCreate, file.errorString()};
    if (!file.write(bytes) || !file.commit())
        return {SaveResult::WriteFailed, file.errorString()};
    return {};
}

int RemoveLeftoverTemporaries(const QString &settingsDir)
{
    const QString data = QDir(settingsDir).filePath(QStringLiteral("Data"));
    return removeIn(settingsDir, isSettingsFile) + removeIn(data, isMeasurementFile);
}

} // namespace vard
