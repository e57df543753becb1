// Keeping the workstation awake: against a private session bus (a dbus-daemon started
// for the test) with a stand-in for the desktop's screen-saver service, which records
// what it was asked.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QtTest>

#include "app/SleepInhibitor.h"

// The desktop's side of org.freedesktop.ScreenSaver, as far as inhibiting goes.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;
    uint nextCookie = 41;
    QSet<uint> held;

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
        held.insert(++nextCookie);
        return nextCookie;
    }
    void UnInhibit(uint cookie)
    {
        calls << QStringLiteral("UnInhibit %1").arg(cookie);
        held.remove(cookie);
    }
};

class TestInhibit : public QObject {
    Q_OBJECT

    QProcess m_daemon;
    FakeScreenSaver m_service;
    bool m_registered = false;

    void registerService(bool on)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop"));
        if (on && !m_registered) {
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_service,
                                       QDBusConnection::ExportAllSlots));
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        } else if (!on && m_registered) {
            bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
            bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        }
        m_registered = on;
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY(m_daemon.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine(), 10000);
        const QByteArray address = m_daemon.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // Before the first use of the session bus, which reads it once.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void init()
    {
        registerService(true);
        m_service.calls.clear();
    }

    // Held while wanted, and the very cookie handed back when released.
    void holdsAndReleases()
    {
        vard::SleepInhibitor inhibitor;
        QSignalSpy held(&inhibitor, &vard::SleepInhibitor::heldChanged);
        inhibitor.acquire(QStringLiteral("Measuring"));
        inhibitor.acquire(QStringLiteral("Measuring")); // a second start asks nothing more
        // The answer comes through the event loop: acquire itself never waits for it.
        QVERIFY(!inhibitor.isHeld());
        QTRY_VERIFY(inhibitor.isHeld());
        QCOMPARE(m_service.calls, QStringList{"Inhibit vard: Measuring"});
        QCOMPARE(m_service.held.size(), 1);
        const uint cookie = *m_service.held.cbegin();

        inhibitor.release();
        QVERIFY(!inhibitor.isHeld());
        QTRY_VERIFY(m_service.held.isEmpty());
        QCOMPARE(m_service.calls.last(), QStringLiteral("UnInhibit %1").arg(cookie));
        QCOMPARE(held.size(), 2);
        QCOMPARE(held.at(1).at(0).toBool(), false);
    }

    // Stopped before the desktop answered: what it then grants is given back at once.
    void releasedBeforeTheAnswer()
    {
        {
            vard::SleepInhibitor inhibitor;
            inhibitor.acquire(QStringLiteral("Measuring"));
            inhibitor.release();
            QVERIFY(!inhibitor.isHeld());
            QTRY_COMPARE(m_service.calls.size(), 2);
            QVERIFY(!inhibitor.isHeld());
        }
        QVERIFY(m_service.held.isEmpty());
        // Going away while held releases too.
        {
            vard::SleepInhibitor inhibitor;
            inhibitor.acquire(QStringLiteral("Measuring"));
            QTRY_VERIFY(inhibitor.isHeld());
        }
        QTRY_VERIFY(m_service.held.isEmpty());
    }

    // A desktop without the service: nothing held, nothing waits, a later acquire works.
    void withoutTheService()
    {
        registerService(false);
        vard::SleepInhibitor inhibitor;
        inhibitor.acquire(QStringLiteral("Measuring"));
        QTest::qWait(300);
        QVERIFY(!inhibitor.isHeld());
        QVERIFY(inhibitor.isWanted());
        inhibitor.release();
        registerService(true);
        inhibitor.acquire(QStringLiteral("again"));
        QTRY_VERIFY(inhibitor.isHeld());
    }
};

QTEST_GUILESS_MAIN(TestInhibit)
#include "tst_inhibit.moc"
