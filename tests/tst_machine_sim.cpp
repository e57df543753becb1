// The machine object and the real link thread against the simulated machine over a
// pseudo-terminal, for every machine type: the whole poll cycle, a queued write that is
// read back, samples of the measuring channel, and a machine that falls silent.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "ScriptedMachine.h"
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

    void bringUp(MachineKind kind)
    {
        m_sim = std::make_unique<vardsim::SimulatedMachine>(kind);
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
        QFile f(m_home->filePath("Vard.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Communications]\r\nComNo=1\r\nReadTimeout=500\r\nPort1=" + m_sim->devicePath().toLocal8Bit()
                + "\r\n");
        f.close();
        m_machine = std::make_unique<TMachine>();
        m_machine->SetHost(&m_host);
        QTRY_VERIFY_WITH_TIMEOUT(m_machine->IsConnected(), 3000);
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
};

QTEST_GUILESS_MAIN(TestMachineSim)
#include "tst_machine_sim.moc"
