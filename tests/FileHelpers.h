#pragma once
// Whole files as bytes, for tests that compare what the program wrote, and the two
// ways a test makes a save fail as root would see it: a file-size limit that stands
// for a full disk, and file permissions held against a child that is no longer root.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The file's bytes; a marker that no fixture holds when it cannot be read.
inline QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Writes the bytes, failing the calling test when that is not possible.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Holds this process to a file size: a write past it fails as on a full disk (EFBIG
// instead of SIGXFSZ), and root is held to it too, unlike to file permissions.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

// A folder its owner may write and others may only enter and read.
inline constexpr QFileDevice::Permissions kOpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                      | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                      | QFile::ExeOther;

// Makes `folder` one that nobody but root may write, with the folders `above` it open
// for others to pass (withPermissionsInForce's child is "nobody"). Undone by
// QFile::setPermissions(folder, kOpenFolder).
inline bool lockFolder(const QString &folder, const QStringList &above)
{
    for (const QString &dir : above) {
        if (!QFile::setPermissions(dir, kOpenFolder))
            return false;
    }
    return QFile::setPermissions(folder, kOpenFolder & ~QFile::WriteOwner);
}

// Runs `check` with file permissions in force: directly for an ordinary user, and for
// root, whom permissions do not hold, in a child process that has become "nobody"
// (the folders it uses must be open to others). The child reports only through its
// exit code, so `check` prints what it found wrong. True when the check held.
inline bool withPermissionsInForce(const std::function<bool()> &check)
{
    if (geteuid() != 0)
        return check();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        constexpr uid_t kNobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
            std::fputs("cannot give up root for the permission check\n", stderr);
            _exit(3);
        }
        const bool held = check();
        std::fflush(nullptr);
        _exit(held ? 0 : 1);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
