#include "sim/SimulatedMachine.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace vardsim {

namespace {

// Bounds how long stop() and hangUp() wait for the I/O thread.
constexpr int kPollTimeoutMs = 20;
// A request longer than this is no request: it is dropped up to its carriage return.
constexpr qsizetype kMaxLineLength = 4096;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SimulatedMachine::SimulatedMachine(MachineKind kind)
    : m_epoch(std::chrono::steady_clock::now()), m_controller(kind, 0)
{
}

SimulatedMachine::~SimulatedMachine()
{
    stop();
}

qint64 SimulatedMachine::nowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_epoch).count();
}

bool SimulatedMachine::start()
{
    if (isRunning())
        return true;
    closePty(); // an I/O thread that ended on its own still wants joining

    int master = -1;
    int slave = -1;
    char name[128];
    termios raw{};
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = systemError("openpty");
        return false;
    }
    // Close-on-exec: a program started by a test must not hold the pty open, or closing
    // the master would not hang up.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    bool ready = ::tcgetattr(slave, &raw) == 0;
    if (ready) {
        ::cfmakeraw(&raw);
        ready = ::tcsetattr(slave, TCSANOW, &raw) == 0 && ::ptsname_r(master, name, sizeof name) == 0;
    }
    if (!ready) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = systemError("pseudo-terminal set-up");
        ::close(master);
        ::close(slave);
        return false;
    }

    m_masterFd = master;
    m_slaveFd = slave;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_devicePath = QString::fromLocal8Bit(name);
        m_error.clear();
        if (!m_linkPath.isEmpty())
            pointLink(m_linkPath, m_devicePath); // a failure shows in errorString()
    }
    m_stop = false;
    m_running = true;
    m_thread = std::thread(&SimulatedMachine::run, this, master);
    return true;
}

void SimulatedMachine::stop()
{
    closePty();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_linkPath.isEmpty())
        ::unlink(QFile::encodeName(m_linkPath).constData());
    m_linkPath.clear();
}

void SimulatedMachine::hangUp()
{
    closePty();
}

void SimulatedMachine::closePty()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (int *fd : {&m_masterFd, &m_slaveFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_running = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devicePath.clear();
}

bool SimulatedMachine::isRunning() const
{
    return m_running;
}

QString SimulatedMachine::errorString() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

QString SimulatedMachine::devicePath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devicePath;
}

bool SimulatedMachine::publishLink(const QString &linkPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_linkPath = linkPath;
    return m_devicePath.isEmpty() || pointLink(m_linkPath, m_devicePath);
}

// Made beside the link and renamed over it, so whoever opens the link meanwhile finds
// either the old pty or the new one, never nothing.
bool SimulatedMachine::pointLink(const QString &linkPath, const QString &target)
{
    const QByteArray link = QFile::encodeName(linkPath);
    const QByteArray temp = link + ".new";
    ::unlink(temp.constData());
    if (::symlink(QFile::encodeName(target).constData(), temp.constData()) != 0
        || ::rename(temp.constData(), link.constData()) != 0) {
        m_error = systemError("link");
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

void SimulatedMachine::run(int masterFd)
{
    QByteArray line;
    bool overlong = false; // the current line passed kMaxLineLength: wait for its end
    char buffer[512];
    while (!m_stop) {
        pollfd pfd{masterFd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, kPollTimeoutMs);
        withController([this](SimController &c) { c.advanceTo(nowMs()); });
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n && !m_stop; ++i) {
            const char c = buffer[i];
            if (c == '\r') {
                if (!overlong)
                    serve(line, masterFd);
                line.clear();
                overlong = false;
            } else if (c == '\n' || overlong) {
                continue;
            } else if (line.size() == kMaxLineLength) {
                overlong = true;
                line.clear();
            } else {
                line += c;
            }
        }
    }
    m_running = false;
}

void SimulatedMachine::serve(const QByteArray &line, int masterFd)
{
    m_requests.fetch_add(1, std::memory_order_relaxed);
    QByteArray reply;
    int delayMs = 0;
    withController([&](SimController &c) {
        reply = c.handleLine(line, nowMs());
        delayMs = c.faults.replyDelayMs;
        if (!reply.isEmpty()) {
            delayMs += c.faults.lateOnceMs;
            c.faults.lateOnceMs = 0;
        }
    });
    if (!reply.isEmpty()) {
        const qint64 due = nowMs() + delayMs;
        while (!m_stop && nowMs() < due)
            ::usleep(1000 * std::min<qint64>(kPollTimeoutMs, due - nowMs()));
        // Like a real line, what the program has not read stays there, late replies
        // included: the program must cope with it.
        writeAll(masterFd, reply);
    }
}

void SimulatedMachine::writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size() && !m_stop) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd pfd{fd, POLLOUT, 0};
        ::poll(&pfd, 1, kPollTimeoutMs);
    }
}

} // namespace vardsim
