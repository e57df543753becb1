// The line messaging against a real AMQP 1.0 broker on the loopback address, with the
// machine object, its real link thread and the simulated machine over a pseudo-terminal:
// what a subscriber on the broker receives, in what order, across a broker outage, and
// what the spool keeps while nobody takes the messages.
//
// The broker comes from the test fixture (VARD_TEST_BROKER_URL and its control script);
// without it the tests skip.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/prctl.h>
#include <unistd.h>

#include "ScriptedMachine.h"
#include "SimulatorPort.h"
#include "app/GlobalUnit.h"
#include "cfx/CfxLink.h"
#include "cfx/CfxPublisher.h"
#include "machine/MachineUnit.h"
#include "sim/SimulatedMachine.h"

using vardsim::MachineKind;

namespace {

QString env(const char *name)
{
    return qEnvironmentVariable(name);
}

// A child that outlives a test killed half-way would hold the test runner's output
// pipe open, and the runner would wait for it.
void diesWithTheTest(QProcess &p)
{
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// A subscriber process on one queue that writes every message it receives as a line.
class Subscriber {
public:
    Subscriber(const QString &queue, const QString &outFile) : m_out(outFile)
    {
        m_proc.setProgram(env("VARD_TEST_PYTHON").isEmpty() ? QStringLiteral("/usr/bin/python3") : env("VARD_TEST_PYTHON"));
        m_proc.setArguments({env("VARD_TEST_SUBSCRIBER"), QStringLiteral("--url"), env("VARD_TEST_BROKER_URL"),
                             QStringLiteral("--address"), queue, QStringLiteral("--out"), outFile,
                             QStringLiteral("--idle"), QStringLiteral("600"), QStringLiteral("--timeout"),
                             QStringLiteral("900")});
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        diesWithTheTest(m_proc);
    }
    ~Subscriber()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.terminate();
            if (!m_proc.waitForFinished(5000))
                m_proc.kill();
            m_proc.waitForFinished(2000);
        }
    }
    bool start()
    {
        m_proc.start();
        if (!m_proc.waitForStarted(10000))
            return false;
        QByteArray seen;
        QElapsedTimer t;
        t.start();
        while (!seen.contains("ready") && t.elapsed() < 60000 && m_proc.state() == QProcess::Running) {
            m_proc.waitForReadyRead(200);
            seen += m_proc.readAllStandardOutput();
        }
        return seen.contains("ready");
    }
    // Every message received so far, parsed; a line that is no JSON object stays in as
    // an empty object, which every check below catches.
    QList<QJsonObject> messages() const
    {
        QList<QJsonObject> list;
        QFile f(m_out);
        if (!f.open(QIODevice::ReadOnly))
            return list;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.trimmed().isEmpty())
                continue;
            list << QJsonDocument::fromJson(line).object();
        }
        return list;
    }
    QList<QJsonObject> named(const QString &name) const
    {
        QList<QJsonObject> list;
        for (const QJsonObject &m : messages())
            if (m.value("MessageName").toString() == name)
                list << m;
        return list;
    }

private:
    QProcess m_proc;
    QString m_out;
};

// Sockets this process holds open.
int openSockets()
{
    int n = 0;
    for (const QString &fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System | QDir::Files)) {
        char target[128] = {};
        const QByteArray path = "/proc/self/fd/" + fd.toLatin1();
        if (::readlink(path.constData(), target, sizeof target - 1) > 0 && qstrncmp(target, "socket:", 7) == 0)
            ++n;
    }
    return n;
}

QJsonObject body(const QJsonObject &m)
{
    return m.value("MessageBody").toObject();
}

// The fault's occurrence id, wherever the message carries it.
QString faultId(const QJsonObject &m)
{
    const QJsonObject b = body(m);
    if (b.contains("FaultOccurrenceId"))
        return b.value("FaultOccurrenceId").toString();
    return b.value("Fault").toObject().value("FaultOccurrenceId").toString();
}

} // namespace

class TestCfxBroker : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<vardsim::SimulatedMachine> m_sim;
    std::unique_ptr<TMachine> m_machine;
    ScriptedHost m_host;
    QStringList m_log;

    QString uniqueQueue(const char *what) const
    {
        return QStringLiteral("/queue/vard-test-%1-%2").arg(QLatin1String(what)).arg(QCoreApplication::applicationPid());
    }

    void bringUpMachine(MachineKind kind)
    {
        startSimulatorAsPortOne(m_sim, kind, *m_home);
        if (QTest::currentTestFailed())
            return;
        m_machine = std::make_unique<TMachine>();
        m_machine->SetHost(&m_host);
        connect(m_machine.get(), &TMachine::logLineAdded, this, [this](const QString &line) { m_log << line; });
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->IsConnected() && m_machine->GetMachineType() != 0, 15000);
    }

    // The broker's control script, while the event loop goes on (the publisher's timers
    // keep publishing meanwhile).
    void brokerCtl(const QString &command)
    {
        QProcess ctl;
        diesWithTheTest(ctl);
        ctl.start(QStringLiteral("bash"), {env("VARD_TEST_BROKER_CTL"), command});
        QTRY_VERIFY_WITH_TIMEOUT(ctl.state() == QProcess::NotRunning, 90000);
        QCOMPARE(ctl.exitCode(), 0);
    }

    TCfxSettings settingsFor(const QString &queue, const QString &handle) const
    {
        TCfxSettings s;
        s.BrokerUrl = env("VARD_TEST_BROKER_URL");
        s.Target = queue;
        s.Handle = handle;
        s.HeartbeatSeconds = 1;
        s.ProcessDataSeconds = 1;
        return s;
    }

private slots:
    void init()
    {
        if (env("VARD_TEST_BROKER_URL").isEmpty() || env("VARD_TEST_SUBSCRIBER").isEmpty())
            QSKIP("no test broker (run through ctest, which starts one)");
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        UseSettingsFolder(m_home->path());
        m_log.clear();
    }

    void cleanup()
    {
        m_machine.reset();
        m_sim.reset();
        m_home.reset();
    }

    // A run against the simulator: the hood opened and closed, a zone error set and
    // cleared, a profile sent. The subscriber gets it all in order, as valid messages.
    void machineRunArrivesInOrder()
    {
        bringUpMachine(MachineKind::QTR4);
        const QString queue = uniqueQueue("run");
        Subscriber sub(queue, m_home->filePath("run.jsonl"));
        QVERIFY(sub.start());
        auto publisher = std::make_unique<TCfxPublisher>(m_machine.get(), settingsFor(queue, "line1.oven1"),
                                                         m_home->filePath("spool"));
        QTRY_COMPARE_WITH_TIMEOUT(publisher->Link()->CurrentState(), TCfxLink::Connected, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!sub.named("CFX.ResourcePerformance.StationStateChanged").isEmpty(), 20000);

        m_sim->withController([](vardsim::SimController &c) { c.faults.hoodOpen = true; });
        QTRY_COMPARE_WITH_TIMEOUT(sub.named("CFX.ResourcePerformance.FaultOccurred").size(), 1, 20000);
        m_sim->withController([](vardsim::SimController &c) { c.faults.hoodOpen = false; });
        QTRY_COMPARE_WITH_TIMEOUT(sub.named("CFX.ResourcePerformance.FaultCleared").size(), 1, 20000);
        m_sim->withController([](vardsim::SimController &c) { c.faults.zoneErrorBits = 1 << 2; });
        QTRY_COMPARE_WITH_TIMEOUT(sub.named("CFX.ResourcePerformance.FaultOccurred").size(), 2, 20000);
        m_sim->withController([](vardsim::SimController &c) { c.faults.zoneErrorBits = 0; });
        QTRY_COMPARE_WITH_TIMEOUT(sub.named("CFX.ResourcePerformance.FaultCleared").size(), 2, 20000);

        // A profile loaded and sent: the machine confirms it, then the message goes.
        m_machine->SetTargetTemp(1, 180);
        emit m_machine->profileLoaded(QStringLiteral("Lead-free 245"));
        m_machine->SendPendingValues();
        const QString profileMessage = vard::cfx::ProfileActivatedName();
        QTRY_COMPARE_WITH_TIMEOUT(sub.named(profileMessage).size(), 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(sub.named("CFX.ResourcePerformance.ProcessDataRecorded").size() >= 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!sub.named("CFX.Heartbeat").isEmpty(), 20000);

        const QList<QJsonObject> all = sub.messages();
        QVERIFY(!all.isEmpty());
        QCOMPARE(all.first().value("MessageName").toString(), QStringLiteral("CFX.EndpointConnected"));
        QSet<QString> ids;
        for (const QJsonObject &m : all) {
            QVERIFY2(!m.isEmpty(), "a line that is no JSON object");
            for (const char *key : {"MessageName", "Version", "TimeStamp", "UniqueID", "Source", "MessageBody"})
                QVERIFY2(m.contains(key), key);
            QCOMPARE(m.value("Source").toString(), QStringLiteral("line1.oven1"));
            // ISO 8601 with an offset or Z.
            const QString ts = m.value("TimeStamp").toString();
            QVERIFY2(QDateTime::fromString(ts, Qt::ISODateWithMs).isValid(), qPrintable(ts));
            QVERIFY2(ts.endsWith('Z') || ts.at(ts.size() - 6) == '+' || ts.at(ts.size() - 6) == '-', qPrintable(ts));
            ids.insert(m.value("UniqueID").toString());
        }
        QCOMPARE(ids.size(), all.size()); // no message twice, none without its own id

        // Each clearing carries the id of its fault, in the order they happened.
        const QList<QJsonObject> occurred = sub.named("CFX.ResourcePerformance.FaultOccurred");
        const QList<QJsonObject> cleared = sub.named("CFX.ResourcePerformance.FaultCleared");
        QCOMPARE(occurred.size(), 2);
        QCOMPARE(cleared.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(!faultId(occurred[i]).isEmpty());
            QCOMPARE(faultId(cleared[i]), faultId(occurred[i]));
        }
        QVERIFY(faultId(occurred[0]) != faultId(occurred[1]));
        const auto indexOf = [&all](const QJsonObject &m) { return all.indexOf(m); };
        QVERIFY(indexOf(occurred[0]) < indexOf(cleared[0]));
        QVERIFY(indexOf(cleared[0]) < indexOf(occurred[1]));
        QVERIFY(indexOf(occurred[1]) < indexOf(cleared[1]));
        QVERIFY(indexOf(cleared[1]) < indexOf(sub.named(profileMessage).first()));

        // The state followed the hood: some change went to the hood's state and back.
        const QList<QJsonObject> states = sub.named("CFX.ResourcePerformance.StationStateChanged");
        QVERIFY2(states.size() >= 3, qPrintable(QString::number(states.size())));

        // Process data: every temperature zone of the machine, with set-point and reading.
        const QJsonObject data = body(sub.named("CFX.ResourcePerformance.ProcessDataRecorded").last());
        const QByteArray text = QJsonDocument(data).toJson(QJsonDocument::Compact);
        QVERIFY2(text.contains("ReflowProcessData"), text.constData());
        QVERIFY2(text.contains("ZoneData"), text.constData());
    }

    // The broker goes away for 20 s while the program goes on publishing: afterwards the
    // subscriber has every message, in order, and the log one line for the outage and
    // one for the return.
    void brokerOutageLosesNothing()
    {
        bringUpMachine(MachineKind::T362_10);
        const QString queue = uniqueQueue("outage");
        Subscriber sub(queue, m_home->filePath("outage.jsonl"));
        QVERIFY(sub.start());
        TCfxSettings s = settingsFor(queue, "line1.oven2");
        s.HeartbeatSeconds = 0;
        s.ProcessDataSeconds = 0;
        auto publisher = std::make_unique<TCfxPublisher>(m_machine.get(), s, m_home->filePath("spool"));
        QTRY_COMPARE_WITH_TIMEOUT(publisher->Link()->CurrentState(), TCfxLink::Connected, 20000);

        // Process data every 100 ms, counted, before, during and after the outage.
        int published = 0;
        QTimer pace;
        pace.setInterval(100);
        connect(&pace, &QTimer::timeout, this, [&] {
            publisher->PublishProcessData();
            ++published;
        });
        pace.start();
        QTRY_VERIFY_WITH_TIMEOUT(published >= 20, 10000);
        brokerCtl(QStringLiteral("pause"));
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(publisher->Link()->CurrentState(), TCfxLink::Lost, 30000);
        QTest::qWait(20000);
        QVERIFY(publisher->Link()->Waiting() > 0);
        brokerCtl(QStringLiteral("resume"));
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(publisher->Link()->CurrentState(), TCfxLink::Connected, 60000);
        QTest::qWait(1000);
        pace.stop();
        const int total = published;
        // Every one of them, after the EndpointConnected and the first state.
        QTRY_VERIFY_WITH_TIMEOUT(sub.named("CFX.ResourcePerformance.ProcessDataRecorded").size() >= total, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(publisher->Link()->Waiting(), qsizetype(0), 30000);

        // In order: the time stamps of the process data never go back, and the ids show
        // each message once; one the broker took just before the outage may come twice.
        QList<QJsonObject> data = sub.named("CFX.ResourcePerformance.ProcessDataRecorded");
        QStringList seen;
        QDateTime last;
        for (const QJsonObject &m : std::as_const(data)) {
            const QString id = m.value("UniqueID").toString();
            if (seen.contains(id))
                continue;
            seen << id;
            const QDateTime at = QDateTime::fromString(m.value("TimeStamp").toString(), Qt::ISODateWithMs);
            QVERIFY2(!last.isValid() || at >= last, qPrintable(m.value("TimeStamp").toString()));
            last = at;
        }
        QCOMPARE(seen.size(), total);
        QCOMPARE(publisher->Link()->DroppedCount(), quint64(0));

        QStringList brokerLines;
        for (const QString &line : std::as_const(m_log))
            if (line.contains(QLatin1String("broker")))
                brokerLines << line;
        // Connected, lost, back: one line each, however many attempts the outage took.
        QCOMPARE(brokerLines.size(), 3);
        QVERIFY2(brokerLines[1].contains(QLatin1String("lost")), qPrintable(brokerLines.join('\n')));
        QVERIFY2(brokerLines[2].contains(QLatin1String("back")), qPrintable(brokerLines.join('\n')));
    }

    // An address the broker refuses: the link says why, keeps trying at growing
    // intervals, and holds one connection at most, not one more per attempt.
    void refusedAddressTellsWhyAndLeaksNothing()
    {
        const int before = openSockets();
        TCfxSettings s = settingsFor(QStringLiteral("/nonsense/vard-test"), "line1.oven4");
        TCfxLink link(s, m_home->filePath("spool"));
        QSignalSpy states(&link, &TCfxLink::stateChanged);
        link.Post("{\"n\":1}");
        QTRY_COMPARE_WITH_TIMEOUT(link.CurrentState(), TCfxLink::Lost, 10000);
        QVERIFY2(!link.StateText().isEmpty() && link.StateText() != QLatin1String("connection closed"),
                 qPrintable(link.StateText()));
        // 1 + 2 + 4 s of back-off: three attempts or four.
        QTest::qWait(8000);
        int attempts = 0;
        for (const QList<QVariant> &args : std::as_const(states))
            attempts += args.at(0).value<TCfxLink::State>() == TCfxLink::Connecting;
        QVERIFY2(attempts >= 2 && attempts <= 6, qPrintable(QString::number(attempts)));
        QVERIFY2(openSockets() <= before + 1, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(openSockets())));
        QCOMPARE(link.Waiting(), qsizetype(1)); // kept, not given up
    }

    // Nobody takes the messages (no broker at that address): the spool on disk stays
    // within its bound, dropping the oldest; once a broker is there, exactly what the
    // spool kept goes out, oldest first.
    void spoolBoundHoldsAndDrainsLater()
    {
        const QString queue = uniqueQueue("spool");
        const QString spool = m_home->filePath("spool");
        TCfxSettings s = settingsFor(queue, "line1.oven3");
        s.BrokerUrl = QStringLiteral("amqp://127.0.0.1:1"); // nothing listens there
        s.SpoolLimitKB = 64;
        const int count = 200;
        QByteArray filler(900, 'x');
        {
            TCfxLink link(s, spool);
            QSignalSpy dropped(&link, &TCfxLink::dropped);
            for (int i = 1; i <= count; ++i)
                link.Post(QStringLiteral("{\"n\":%1,\"pad\":\"%2\"}").arg(i).arg(QLatin1String(filler)).toUtf8());
            QTRY_VERIFY_WITH_TIMEOUT(link.Waiting() > 0 && link.DroppedCount() > 0, 10000);
            QTRY_COMPARE_WITH_TIMEOUT(link.DroppedCount() + quint64(link.Waiting()), quint64(count), 10000);
            QVERIFY(link.Waiting() < count);
        }
        // The bound holds on disk as well.
        qint64 onDisk = 0;
        const QFileInfoList files = QDir(spool).entryInfoList({"*.msg"}, QDir::Files, QDir::Name);
        for (const QFileInfo &f : files)
            onDisk += f.size();
        QVERIFY2(onDisk <= 64 * 1024, qPrintable(QString::number(onDisk)));
        const int kept = int(files.size());
        QVERIFY(kept > 10);

        Subscriber sub(queue, m_home->filePath("spool.jsonl"));
        QVERIFY(sub.start());
        s.BrokerUrl = env("VARD_TEST_BROKER_URL");
        TCfxLink link(s, spool);
        QTRY_COMPARE_WITH_TIMEOUT(sub.messages().size(), kept, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(link.Waiting(), qsizetype(0), 10000);
        const QList<QJsonObject> got = sub.messages();
        // The newest `kept`, oldest first.
        for (int i = 0; i < kept; ++i)
            QCOMPARE(got[i].value("n").toInt(), count - kept + 1 + i);
        QVERIFY(QDir(spool).entryList({"*.msg"}, QDir::Files).isEmpty());
    }

    // Two programs, each with its simulated machine and its own handle, publish to one
    // broker: a subscriber tells them apart by their source and sees each one's state
    // and process data. Both end in order on a termination signal.
    void twoProgramsOnOneBroker()
    {
#if defined(__SANITIZE_THREAD__)
        // The whole program under ThreadSanitizer reports the toolkit's own image
        // workers, whose locking it cannot see; the link's threads are checked above.
        QSKIP("the whole program is not run under ThreadSanitizer");
#endif
        const QString queue = uniqueQueue("two");
        Subscriber sub(queue, m_home->filePath("two.jsonl"));
        QVERIFY(sub.start());
        struct Program {
            QTemporaryDir home;
            QProcess process;
            ~Program()
            {
                if (process.state() != QProcess::NotRunning) {
                    process.kill();
                    process.waitForFinished(5000);
                }
            }
        };
        const QStringList types = {QStringLiteral("4QTR"), QStringLiteral("362.10")};
        const QStringList handles = {QStringLiteral("line2.oven-a"), QStringLiteral("line2.oven-b")};
        std::vector<std::unique_ptr<Program>> programs;
        for (int i = 0; i < 2; ++i) {
            auto p = std::make_unique<Program>();
            QVERIFY(p->home.isValid());
            QFile ini(p->home.filePath("Vard.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[CFX]\r\nProcessDataSeconds=1\r\nHeartbeatSeconds=2\r\n");
            ini.close();
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert("VARD_HOME", p->home.path());
            e.insert("QT_QPA_PLATFORM", "offscreen");
            p->process.setProcessEnvironment(e);
            p->process.setProcessChannelMode(QProcess::ForwardedChannels);
            diesWithTheTest(p->process);
            p->process.start(QStringLiteral(VARD_PROGRAM),
                             {QStringLiteral("--simulate"), types[i], QStringLiteral("--cfx-broker"),
                              env("VARD_TEST_BROKER_URL"), QStringLiteral("--cfx-target"), queue,
                              QStringLiteral("--cfx-handle"), handles[i]});
            QVERIFY(p->process.waitForStarted(10000));
            programs.push_back(std::move(p));
        }
        const auto from = [&sub](const QString &name, const QString &handle) {
            int n = 0;
            for (const QJsonObject &m : sub.named(name))
                n += m.value("Source").toString() == handle;
            return n;
        };
        for (const QString &handle : handles) {
            QTRY_COMPARE_WITH_TIMEOUT(from("CFX.EndpointConnected", handle), 1, 30000);
            QTRY_VERIFY_WITH_TIMEOUT(from("CFX.ResourcePerformance.StationStateChanged", handle) >= 1, 30000);
            QTRY_VERIFY_WITH_TIMEOUT(from("CFX.ResourcePerformance.ProcessDataRecorded", handle) >= 2, 30000);
            QTRY_VERIFY_WITH_TIMEOUT(from("CFX.Heartbeat", handle) >= 1, 30000);
        }
        // Each machine's own zones: the conveyor oven has six with a temperature, the
        // batch oven three.
        for (int i = 0; i < 2; ++i) {
            QJsonObject last;
            for (const QJsonObject &m : sub.named("CFX.ResourcePerformance.ProcessDataRecorded"))
                if (m.value("Source").toString() == handles[i])
                    last = m;
            const QJsonArray zones = body(last).value("ProcessData").toObject().value("ZoneData").toArray();
            QCOMPARE(zones.size(), i == 0 ? 6 : 3);
        }
        for (auto &p : programs) {
            ::kill(pid_t(p->process.processId()), SIGTERM);
            QVERIFY(p->process.waitForFinished(20000));
            QCOMPARE(p->process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->process.exitCode(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestCfxBroker)
#include "tst_cfx_broker.moc"
