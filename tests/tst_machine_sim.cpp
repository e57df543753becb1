// The machine object and the real link thread against the simulated machine over a
// pseudo-terminal, for every machine type: the whole poll cycle, a queued write that is
// read back, samples of the measuring channel, and a machine that falls silent.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "ScriptedMachine.h"
#include "SimulatorPort.h"
#include "sim/SimulatedMachine.h"

using vardsim::MachineKind;

Q_DECLARE_METATYPE(MachineKind)

using Host = ScriptedHost;

class TestMachineSim : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<vardsim::SimulatedMachine> m_sim;
    std::unique_ptr<TMachine> m_machine;
    Host m_host;

    void bringUp(MachineKind kind, const QByteArray &ports = "ComNo=1\r\n")
    {
        startSimulatorAsPortOne(m_sim, kind, *m_home, ports);
        if (QTest::currentTestFailed())
            return;
        m_machine = std::make_unique<TMachine>();
        m_machine->SetHost(&m_host);
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->IsConnected(), 3000);
    }

    // Requests and replies as the trace shows them, each request with the reply that
    // was taken for it.
    static QList<QPair<QString, QString>> exchanges(const QStringList &trace)
    {
        QList<QPair<QString, QString>> pairs;
        QString request;
        for (const QString &line : trace) {
            if (line.startsWith("R:") || line.startsWith("W:"))
                request = line;
            else if (line.startsWith("A:") && !request.isEmpty())
                pairs.append({request, line});
        }
        return pairs;
    }

    // The reply a request must begin with: its first item named back, or a write's result.
    static bool answers(const QString &request, const QString &reply)
    {
        if (request.startsWith("W:"))
            return reply.startsWith("A:ERR=");
        const QString item = request.mid(2).section(';', 0, 0);
        return reply.startsWith("A:" + item + "=");
    }

    // Steps the cycle as fast as the machine answers (the refresh timer may add a step
    // of its own now and then, as it would) until the condition holds.
    bool driveUntil(const std::function<bool()> &done, int maxSteps = 60)
    {
        for (int i = 0; i < maxSteps; ++i) {
            if (done())
                return true;
            QElapsedTimer t;
            t.start();
            while (m_machine->Com().ReplyExpected.load() && t.elapsed() < 3000)
                QTest::qWait(2);
            m_machine->RefreshTick();
        }
        return done();
    }

    int simValue(const std::function<int(vardsim::SimController &)> &f)
    {
        return m_sim->withController([&](vardsim::SimController &c) { return f(c); });
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        m_host = Host{};
    }

    void cleanup()
    {
        m_machine.reset();
        m_sim.reset();
        qunsetenv("VARD_HOME");
    }

    void fullCycle_data()
    {
        QTest::addColumn<MachineKind>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("speedZone");
        QTest::addRow("4QTR") << MachineKind::QTR4 << 1 << 7;
        QTest::addRow("362.04") << MachineKind::T362_04 << 2 << 2;
        QTest::addRow("362.07") << MachineKind::T362_07 << 3 << 2;
        QTest::addRow("362.10") << MachineKind::T362_10 << 4 << 3;
    }

    // Connect, identify, read the settings, keep reading values; then a queued write
    // reaches the machine and the new targets come back from it.
    void fullCycle()
    {
        QFETCH(MachineKind, kind);
        QFETCH(int, type);
        QFETCH(int, speedZone);
        bringUp(kind);
        QVERIFY(driveUntil([&] { return m_machine->PollState() == psReadValues; }));
        QCOMPARE(m_machine->GetMachineType(), type);
        QVERIFY(m_machine->GetMachineName().startsWith(vardsim::machineKindName(kind) + " "));
        QCOMPARE(m_machine->GetTargetTemp(1), qint16(simValue([](auto &c) { return c.targetTemp(1); })));
        QCOMPARE(m_machine->GetTargetSpeed(1), qint16(simValue([](auto &c) { return c.targetSpeed(1); })));

        const int before = m_sim->requestCount();
        QVERIFY(driveUntil([&] { return m_machine->GetActualTemp(1) != 0 && m_sim->requestCount() >= before + 4; }));
        QVERIFY(qAbs(m_machine->GetActualTemp(1) - simValue([](auto &c) { return c.actualTemp(1); })) <= 10);
        QCOMPARE(m_machine->GetActualSpeed(1), qint16(simValue([](auto &c) { return c.actualSpeed(1); })));

        m_host.zone = speedZone;
        QCOMPARE(m_machine->GetZone(speedZone)->SpeedChannel, 1);
        m_host.zone = 0;
        m_machine->SetTargetTemp(1, 200);
        m_machine->SetTargetSpeed(1, 42);
        m_machine->SetHeater(1, 0);
        m_machine->SendPendingValues();
        QVERIFY(driveUntil([&] { return !m_machine->HasPendingValues() && m_machine->PollState() == psReadValues; }));
        QCOMPARE(m_sim->withController([](auto &c) { return c.acceptedWrites(); }),
                 QList<QByteArray>{"W:T1=200;V1=42;H1=0;"});
        QCOMPARE(simValue([](auto &c) { return c.targetTemp(1); }), 200);
        QCOMPARE(simValue([](auto &c) { return c.heater(); }), 0);
        QCOMPARE(m_machine->GetTargetTemp(1), qint16(200)); // read back from the machine
        QCOMPARE(m_machine->GetTargetSpeed(1), qint16(42));
    }

    // A machine that stops in the middle of a reply: the link is lost after the read
    // time-out, the cycle goes back to the start, and the machine is found again when it
    // answers once more.
    void silencedMidReply()
    {
        bringUp(MachineKind::T362_10);
        QVERIFY(driveUntil([&] { return m_machine->PollState() == psReadValues; }));
        m_machine->SetTargetSpeed(1, 30);
        m_sim->withController([](vardsim::SimController &c) { c.faults.silentMidLine = true; });
        QVERIFY(driveUntil([&] { return !m_machine->IsConnected(); }));
        m_machine->RefreshTick();
        QCOMPARE(m_machine->PollState(), psStart);
        QVERIFY(!m_machine->HasPendingValues());
        QCOMPARE(m_machine->GetMachineName(), QString());
        m_sim->withController([](vardsim::SimController &c) {
            c.faults.silentMidLine = false;
            c.faults.silent = false;
        });
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->IsConnected(), 5000);
        QVERIFY(driveUntil([&] { return m_machine->PollState() == psReadValues; }));
        QVERIFY(m_machine->GetMachineName().startsWith("362.10 "));
    }

    // Samples of the measuring channel arrive on the real timers, and each is announced
    // with its row.
    void measuringOnRealTimers()
    {
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        m_host.measurement = &measurement;
        bringUp(MachineKind::T362_07);
        QVERIFY(driveUntil([&] { return m_machine->PollState() == psReadValues; }));
        QSignalSpy recorded(m_machine.get(), &TMachine::sampleRecorded);
        m_host.start = TickCount();
        m_machine->SetMeasureInterval(500);
        m_machine->SetMeasuring(true);
        QTRY_VERIFY_WITH_TIMEOUT(measurement.RowCount() >= 4, 6000);
        m_machine->SetMeasuring(false);
        QCOMPARE(recorded.count(), int(measurement.RowCount()));
        for (qsizetype i = 1; i < measurement.RowCount(); ++i)
            QVERIFY(measurement.GetTime(i) > measurement.GetTime(i - 1));
        const int probe = simValue([](auto &c) { return c.measuringValue(); });
        QVERIFY(qAbs(int(measurement.GetValue(measurement.RowCount() - 1, 0)) - probe * 10) <= 100);
        QCOMPARE(m_machine->PollState(), psReadValues); // back where the samples found it
    }

    void measuringAtEveryInterval_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("delay"); // how long the machine takes for each reply
        QTest::addRow("0.5 s") << 500 << 0;
        QTest::addRow("1 s") << 1000 << 0;
        QTest::addRow("2 s") << 2000 << 0;
        QTest::addRow("5 s") << 5000 << 0;
        QTest::addRow("0.5 s, slow machine") << 500 << 150;
        QTest::addRow("1 s, slow machine") << 1000 << 400;
    }

    // The real timers, the real link thread and the simulator: at every interval the
    // samples keep coming, the regular cycle goes on reading values beside them, a
    // queued write goes out while measuring, and every reply is taken by the step
    // that asked for it.
    void measuringAtEveryInterval()
    {
        QFETCH(int, interval);
        QFETCH(int, delay);
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        m_host.measurement = &measurement;
        bringUp(MachineKind::T362_10);
        m_sim->withController([&](vardsim::SimController &c) { c.faults.replyDelayMs = delay; });
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->PollState() == psReadValues, 15000);
        QStringList trace;
        m_machine->SetTracing(true);
        connect(m_machine.get(), &TMachine::traceLineAdded, this, [&](const QString &line) { trace << line; });

        const int samples = 10;
        const int duration = samples * interval + interval / 2;
        m_host.start = TickCount();
        m_machine->SetMeasureInterval(interval);
        m_machine->SetMeasuring(true);
        QTest::qWait(duration / 2);
        m_host.zone = 3;
        m_machine->SetTargetSpeed(1, 33);
        m_machine->SendPendingValues();
        QTest::qWait(duration - duration / 2);
        m_machine->SetMeasuring(false);
        QTRY_VERIFY_WITH_TIMEOUT(!m_machine->MeasureExchangeRunning(), 3000);

        QVERIFY2(measurement.RowCount() >= samples * 8 / 10, qPrintable(QString::number(measurement.RowCount())));
        QVERIFY(measurement.RowCount() <= samples + 1);
        for (qsizetype i = 1; i < measurement.RowCount(); ++i)
            QVERIFY(measurement.GetTime(i) > measurement.GetTime(i - 1));
        const auto pairs = exchanges(trace);
        int valuesReplies = 0;
        for (const auto &[request, reply] : pairs) {
            QVERIFY2(answers(request, reply), qPrintable(request + " -> " + reply));
            valuesReplies += request.startsWith("R:T1;") ? 1 : 0;
        }
        // A values reply at least every three refresh periods, with a wide margin.
        const int expectedValues = duration / (3 * m_machine->RefreshInterval());
        QVERIFY2(valuesReplies >= std::max(1, expectedValues / 2), qPrintable(QString::number(valuesReplies)));
        QTRY_COMPARE_WITH_TIMEOUT(m_sim->withController([](auto &c) { return c.acceptedWrites(); }),
                                  QList<QByteArray>{"W:V1=33;"}, 3 * interval + 5000);
    }

    void hangUpAndFoundAgain_data()
    {
        QTest::addColumn<bool>("screenRefresh"); // the window's refresh also watches the link
        QTest::addRow("poll cycle alone") << false;
        QTest::addRow("with the screen refresh") << true;
    }

    // The machine hangs up and is found again on the same port within one refresh
    // period: the loss is logged once, the queued command is dropped, and the machine is
    // identified anew.
    void hangUpAndFoundAgain()
    {
        QFETCH(bool, screenRefresh);
        bringUp(MachineKind::QTR4);
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->PollState() == psReadValues, 15000);
        QStringList log;
        connect(m_machine.get(), &TMachine::logLineAdded, this, [&](const QString &line) { log << line; });
        QStringList trace;
        m_machine->SetTracing(true);
        connect(m_machine.get(), &TMachine::traceLineAdded, this, [&](const QString &line) { trace << line; });
        QTimer screen; // what the main window's refresh does with the link
        screen.setInterval(20);
        connect(&screen, &QTimer::timeout, this, [&] {
            if (m_machine->LinkLost())
                m_machine->SetMachineType(0);
        });
        if (screenRefresh)
            screen.start();

        m_host.zone = 7;
        m_machine->SetTargetSpeed(1, 44);
        m_machine->SendPendingValues();
        m_sim->hangUp();
        QVERIFY(m_sim->start());
        QTRY_VERIFY_WITH_TIMEOUT(log.size() >= 2, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->PollState() == psReadValues, 15000);
        QCOMPARE(log, (QStringList{"Connection lost", "Connected with " + m_machine->GetMachineName()}));
        QCOMPARE(m_machine->GetMachineType(), 1);
        QVERIFY(!m_machine->HasPendingValues());
        QCOMPARE(m_sim->withController([](auto &c) { return c.acceptedWrites(); }), QList<QByteArray>{});
        QVERIFY(trace.filter(QRegularExpression("^R:S0;")).size() >= 1);
        for (const auto &[request, reply] : exchanges(trace))
            QVERIFY2(answers(request, reply), qPrintable(request + " -> " + reply));
    }

    // Another machine answers after the loss, on another port: it is identified as what
    // it is, and the command queued for the first one never reaches it.
    void anotherMachineAfterTheLoss()
    {
        vardsim::SimulatedMachine other(MachineKind::T362_10);
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        bringUp(MachineKind::QTR4, "ComNo=2\r\nPort2=" + other.devicePath().toLocal8Bit() + "\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->PollState() == psReadValues, 15000);
        QCOMPARE(m_machine->GetMachineType(), 1);
        QStringList log;
        connect(m_machine.get(), &TMachine::logLineAdded, this, [&](const QString &line) { log << line; });
        m_host.zone = 7;
        m_machine->SetTargetSpeed(1, 44);
        m_machine->SendPendingValues();
        m_sim->stop(); // unplugged for good
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->GetMachineType() == 4, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->PollState() == psReadValues, 15000);
        QVERIFY(m_machine->GetMachineName().startsWith("362.10 "));
        QCOMPARE(log, (QStringList{"Connection lost", "Connected with " + m_machine->GetMachineName()}));
        QCOMPARE(other.withController([](auto &c) { return c.acceptedWrites(); }), QList<QByteArray>{});
        QVERIFY(!m_machine->HasPendingValues());
    }
};

QTEST_GUILESS_MAIN(TestMachineSim)
#include "tst_machine_sim.moc"
