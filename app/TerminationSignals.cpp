#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vard {

#ifdef Q_OS_UNIX
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1}; // [0] read by the notifier, [1] written by the handler
volatile sig_atomic_t g_pending = 0;
struct sigaction g_previous[sizeof kSignals / sizeof kSignals[0]];

// Only async-signal-safe calls here: write, signal, raise.
extern "C" void onTerminationSignal(int signalNumber)
{
    if (g_pending) {
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    g_pending = 1;
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace
#endif

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return; // no way to hear them: the default handling stays
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    g_pending = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
        ::sigaction(kSignals[i], nullptr, &g_previous[i]);
        // Started with the signal ignored (nohup, a background job): it stays ignored.
        if (g_previous[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
#endif
}

TerminationSignals::~TerminationSignals()
{
#ifdef Q_OS_UNIX
    if (!m_notifier)
        return;
    for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
#endif
}

void TerminationSignals::readPipe()
{
#ifdef Q_OS_UNIX
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        emit received(byte);
#endif
}

} // namespace vard
