#include "app/SleepInhibitor.h"

#include <QCoreApplication>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(VARD_HAVE_DBUS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace vard {

#if defined(VARD_HAVE_DBUS) && !defined(Q_OS_WIN)
namespace {

struct BusInterface {
    const char *service;
    const char *path;
    const char *interface;
};

// The screen saver's inhibit keeps the screen on and (on the common desktops) the
// workstation from idling into sleep; the power-management one is there for desktops
// that keep the two apart.
constexpr BusInterface kInterfaces[2] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"},
    {"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
     "org.freedesktop.PowerManagement.Inhibit"},
};

QDBusMessage call(int which, const char *method)
{
    const BusInterface &i = kInterfaces[which];
    return QDBusMessage::createMethodCall(QString::fromLatin1(i.service), QString::fromLatin1(i.path),
                                          QString::fromLatin1(i.interface), QString::fromLatin1(method));
}

constexpr int kTimeoutMs = 5000;

} // namespace
#endif

SleepInhibitor::SleepInhibitor(QObject *parent) : QObject(parent) {}

SleepInhibitor::~SleepInhibitor() { release(); }

void SleepInhibitor::acquire(const QString &reason)
{
    if (m_wanted)
        return;
    m_wanted = true;
    ++m_generation;
#if defined(Q_OS_WIN)
    Q_UNUSED(reason);
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) != 0) {
        m_confirmed = 1;
        emit heldChanged(true);
    }
#elif defined(VARD_HAVE_DBUS)
    for (int which = 0; which < 2; ++which)
        callInhibit(which, reason);
#else
    Q_UNUSED(reason);
#endif
}

void SleepInhibitor::release()
{
    if (!m_wanted)
        return;
    m_wanted = false;
    ++m_generation;
    const bool wasHeld = m_confirmed > 0;
#if defined(Q_OS_WIN)
    SetThreadExecutionState(ES_CONTINUOUS);
#elif defined(VARD_HAVE_DBUS)
    for (int which = 0; which < 2; ++which) {
        if (m_cookies[which] != 0)
            callUnInhibit(which, m_cookies[which]);
        m_cookies[which] = 0;
    }
#endif
    m_confirmed = 0;
    if (wasHeld)
        emit heldChanged(false);
}

void SleepInhibitor::callInhibit(int which, const QString &reason)
{
#if defined(VARD_HAVE_DBUS) && !defined(Q_OS_WIN)
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no desktop session (a service, a plain console): nothing to hold
    QDBusMessage message = call(which, "Inhibit");
    message << QStringLiteral("vard") << reason;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kTimeoutMs), this);
    const quint64 generation = m_generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, which, generation] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            return; // that desktop lacks this interface; the other may do
        const uint cookie = reply.value();
        if (generation != m_generation || !m_wanted) {
            callUnInhibit(which, cookie); // released before the answer came
            return;
        }
        m_cookies[which] = cookie;
        if (++m_confirmed == 1)
            emit heldChanged(true);
    });
#else
    Q_UNUSED(which);
    Q_UNUSED(reason);
#endif
}

void SleepInhibitor::callUnInhibit(int which, uint cookie)
{
#if defined(VARD_HAVE_DBUS) && !defined(Q_OS_WIN)
    QDBusMessage message = call(which, "UnInhibit");
    message << cookie;
    // Nobody waits for this answer; the desktop also ends the inhibition when the
    // program leaves the bus.
    QDBusConnection::sessionBus().asyncCall(message, kTimeoutMs);
#else
    Q_UNUSED(which);
    Q_UNUSED(cookie);
#endif
}

} // namespace vard
