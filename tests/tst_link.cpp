// The link thread against the simulated machine over real pseudo-terminals: the scan,
// the handshake, one request and one reply at a time, and every way a line can fail.

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "link/ThreadComUnit.h"
#include "machine/MachineUnit.h"
#include "sim/SimulatedMachine.h"

using vardsim::MachineKind;
using vardsim::SimulatedMachine;

namespace {

// The link thread with its mailbox, stopped and joined on destruction.
struct Link {
    TCom com;
    std::unique_ptr<TThreadCom> thread;

    Link()
    {
        com.HandshakeRequest = "R:S0;C0=ACK;";
        com.HandshakeReply = "A:S0";
        thread = std::make_unique<TThreadCom>(&com);
        thread->start();
    }
    ~Link()
    {
        thread->requestInterruption();
        thread->wait();
    }
    bool connected() const { return com.Connected.load(); }
    int port() const { return com.PortNumber.load(); }

    // One exchange as the machine object makes it; nullopt when the link gave up.
    std::optional<std::string> exchange(const std::string &request, int timeoutMs = 3000)
    {
        if (!com.PostRequest(request))
            return std::nullopt;
        QElapsedTimer t;
        t.start();
        while (com.ReplyExpected.load() && t.elapsed() < timeoutMs)
            QThread::usleep(200);
        return com.TakeReply();
    }

    // The port numbers the scan goes through, each run of equal samples counted once.
    QList<int> watchPorts(int ms) const
    {
        QList<int> seen;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            const int p = port();
            if (seen.isEmpty() || seen.back() != p)
                seen.append(p);
            QThread::usleep(250);
        }
        return seen;
    }
};

std::string withCheck(const std::string &text)
{
    int sum = 0;
    for (unsigned char c : text)
        sum += c;
    return text + "C1=" + std::to_string(sum % 256) + ";";
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    // "Vard.ini" with short time-outs and ports 1..comNo pointing at the given devices
    // (a missing device where none is given).
    void configure(int comNo, const QMap<int, QString> &devices, int readTimeout = 300)
    {
        QFile f(m_home->filePath("Vard.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray ini = "[Communications]\r\nComNo=" + QByteArray::number(comNo) + "\r\nReadTimeout="
                         + QByteArray::number(readTimeout) + "\r\nWriteTimeout=300\r\n";
        for (int n = 1; n <= std::max(comNo, 1); ++n) {
            const QString dev = devices.value(n, m_home->filePath(QStringLiteral("missing%1").arg(n)));
            ini += "Port" + QByteArray::number(n) + "=" + dev.toLocal8Bit() + "\r\n";
        }
        f.write(ini);
    }

    static void startSim(SimulatedMachine &sim)
    {
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }

    void cleanup() { qunsetenv("VARD_HOME"); }

    void scanOrder_data()
    {
        QTest::addColumn<int>("comNo");
        QTest::addColumn<QList<int>>("cycle");
        QTest::addRow("three ports") << 3 << QList<int>{1, 2, 3};
        QTest::addRow("ComNo 0 tries port 1 only") << 0 << QList<int>{1};
        QTest::addRow("negative ComNo tries port 1 only") << -4 << QList<int>{1};
    }

    void scanOrder()
    {
        QFETCH(int, comNo);
        QFETCH(QList<int>, cycle);
        configure(comNo, {});
        Link link;
        // The attempts as the link itself records them, so none is missed however the
        // threads are scheduled: the first is port 1, and they go round in order.
        const auto portsOf = [this](const QList<PortEvent> &events) {
            QList<int> ports;
            for (const PortEvent &e : events) {
                if (!e.device.startsWith(m_home->filePath("missing")) || e.outcome != PortOutcome::Missing)
                    return QList<int>{-1};
                ports << e.device.mid(m_home->filePath("missing").size()).toInt();
            }
            return ports;
        };
        QList<PortEvent> first;
        QTRY_VERIFY_WITH_TIMEOUT(!(first += link.com.TakePortEvents()).isEmpty(), 5000);
        QCOMPARE(portsOf(first).front(), 1);
        QTest::qWait(300);
        // A long wait may have dropped the oldest records; the order holds from there on.
        const QList<int> seen = portsOf(first + link.com.TakePortEvents());
        QVERIFY2(seen.size() > cycle.size(), qPrintable(QString::number(seen.size())));
        const qsizetype start = cycle.indexOf(seen.back());
        QVERIFY(start >= 0);
        for (qsizetype i = seen.size() - 1, k = 0; i >= std::max<qsizetype>(0, seen.size() - 200); --i, ++k) {
            const qsizetype expected = ((start - k) % cycle.size() + cycle.size()) % cycle.size();
            QCOMPARE(seen[i], cycle[expected]);
        }
        QVERIFY(!link.connected());
    }

    // The machine on the third port is found after the first two have been tried; after
    // a loss the scan starts again at port 1, and the machine is found again once it is
    // back at the same place.
    void findsMachineAndScansAgainAfterLoss()
    {
        SimulatedMachine sim(MachineKind::T362_10);
        startSim(sim);
        const QString fixed = m_home->filePath("machine");
        QVERIFY(sim.publishLink(fixed));
        configure(3, {{3, fixed}});
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        QCOMPARE(link.port(), 3);
        QCOMPARE(sim.requestCount(), 1); // the handshake, once

        const auto reply = link.exchange(withCheck("R:S0;"));
        QVERIFY(reply.has_value());
        QVERIFY2(QByteArray::fromStdString(*reply).startsWith("A:S0=362.10 "), reply->c_str());

        // An idle link only notices the hang-up at its next exchange.
        sim.hangUp();
        // Its pty number may go to another test's simulator at once; the port is gone.
        QVERIFY(QFile::remove(fixed));
        link.com.TakePortEvents();
        QVERIFY(link.com.PostRequest(withCheck("R:S0;")));
        QTRY_VERIFY_WITH_TIMEOUT(!link.connected(), 3000);
        QTest::qWait(300);
        // The attempts after the loss, as the link made them: port 1 first.
        const QList<PortEvent> after = link.com.TakePortEvents();
        QVERIFY(!after.isEmpty());
        QCOMPARE(after.front().device, m_home->filePath("missing1"));
        QCOMPARE(after.front().outcome, PortOutcome::Missing);

        startSim(sim);
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        QCOMPARE(link.port(), 3);
    }

    void handshake_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("exactly A:S0") << QByteArray("A:S0") << true;
        QTest::addRow("A:S0 and anything") << QByteArray("A:S0=junk;C0=ACK;") << true;
        QTest::addRow("lower case") << QByteArray("a:s0=4QTR;") << false;
        QTest::addRow("empty line") << QByteArray("") << false;
        QTest::addRow("too short") << QByteArray("A:S") << false;
        QTest::addRow("leading blank") << QByteArray(" A:S0") << false;
    }

    void handshake()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        SimulatedMachine sim;
        sim.withController([&](vardsim::SimController &c) { c.faults.handshakeReply = reply; });
        startSim(sim);
        configure(1, {{1, sim.devicePath()}});
        Link link;
        if (accepted) {
            QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(sim.requestCount() >= 3, 3000);
            QVERIFY(!link.connected());
        }
    }

    // A request that already ends in a carriage return gets no second one: the machine
    // sees one line, not a line and an empty one.
    void noSecondCarriageReturn()
    {
        SimulatedMachine sim(MachineKind::QTR4);
        startSim(sim);
        configure(1, {{1, sim.devicePath()}});
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        const int before = sim.requestCount();
        const auto first = link.exchange(withCheck("R:S0;") + "\r");
        QVERIFY(first && first->rfind("A:S0=4QTR ", 0) == 0);
        const auto second = link.exchange(withCheck("R:SV;"));
        QVERIFY(second.has_value());
        QVERIFY2(second->rfind("A:SV=", 0) == 0, second->c_str());
        QCOMPARE(sim.requestCount(), before + 2);
    }

    // A machine that stops in the middle of a reply is noticed after the read time-out:
    // the half line is dropped, the link is lost and the scan starts again at port 1.
    void silentInTheMiddleOfALine()
    {
        SimulatedMachine sim;
        startSim(sim);
        configure(2, {{2, sim.devicePath()}}, 400);
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        QCOMPARE(link.port(), 2);
        sim.withController([](vardsim::SimController &c) { c.faults.silentMidLine = true; });
        QElapsedTimer t;
        t.start();
        QVERIFY(link.com.PostRequest(withCheck("R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;")));
        QTRY_VERIFY_WITH_TIMEOUT(!link.connected(), 3000);
        QVERIFY2(t.elapsed() >= 350, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(link.com.Text(), std::string());
        QVERIFY(!link.com.ReplyExpected.load());
        QVERIFY(!link.com.TakeReply().has_value());
        const QList<int> ports = link.watchPorts(1000); // port 2 now takes a whole time-out per try
        QVERIFY(ports.contains(1));
    }

    // A line that never ends is cut at 4096 bytes: the read fails at once instead of
    // growing without bound or waiting for the time-out.
    void endlessLineIsCut()
    {
        SimulatedMachine sim;
        startSim(sim);
        configure(1, {{1, sim.devicePath()}}, 20000);
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        sim.withController([](vardsim::SimController &c) {
            c.faults.floodNoCR = true;
            c.faults.floodBytes = 4097;
        });
        QVERIFY(link.com.PostRequest(withCheck("R:S0;")));
        QTRY_VERIFY_WITH_TIMEOUT(!link.connected(), 5000); // far below the 20 s time-out
    }

    void portHeldByAnotherProgramIsSkipped()
    {
        SimulatedMachine busy, free;
        startSim(busy);
        startSim(free);
        QSerialPort holder(busy.devicePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        configure(2, {{1, busy.devicePath()}, {2, free.devicePath()}});
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        QCOMPARE(link.port(), 2);
        QCOMPARE(busy.requestCount(), 0);
    }

    // With no Port<n> key the port numbers are the system's devices, the stable by-id
    // names first: a machine on such a name is port 1.
    void byIdNameFoundWithoutPortKey()
    {
        SimulatedMachine sim(MachineKind::T362_07);
        startSim(sim);
        QTemporaryDir byId;
        const QString stable = byId.filePath("usb-Maker_USB_Serial_A1B2-if00-port0");
        QVERIFY(QFile::link(sim.devicePath(), stable));
        QVERIFY(QFile::link(byId.filePath("gone"), byId.filePath("usb-Unplugged-if00-port0")));
        qputenv("VARD_SERIAL_BY_ID", byId.path().toLocal8Bit());
        QFile ini(m_home->filePath("Vard.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Communications]\r\nComNo=3\r\nReadTimeout=300\r\nWriteTimeout=300\r\n");
        ini.close();
        {
            Link link;
            QCOMPARE(link.thread->DeviceName(1), stable);
            QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
            QCOMPARE(link.port(), 1);
            QCOMPARE(link.com.TakePortEvents().back(), (PortEvent{stable, PortOutcome::Connected, {}}));
        }
        qunsetenv("VARD_SERIAL_BY_ID");
    }

    // The scan list and the order within it, from made-up devices.
    void orderOfSystemPorts()
    {
        QTemporaryDir dev, byId;
        for (const char *name : {"ttyS0", "ttyS10", "ttyS2", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyAMA0"}) {
            QFile f(dev.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(dev.filePath("ttyUSB10"), byId.filePath("usb-B-port0")));
        QVERIFY(QFile::link(dev.filePath("ttyACM0"), byId.filePath("usb-A-port0")));
        QList<SerialPortEntry> known;
        for (const char *name : {"ttyS0", "ttyS10", "ttyS2", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyAMA0"})
            known.append({dev.filePath(name), QStringLiteral("d-%1").arg(name), {}, {}});
        QStringList order;
        const auto ordered = OrderSerialPorts(byId.path(), known);
        for (const SerialPortEntry &e : ordered)
            order << QFileInfo(e.device).fileName();
        QCOMPARE(order, QStringList({"usb-A-port0", "usb-B-port0", "ttyUSB2", "ttyS0", "ttyS2", "ttyS10", "ttyAMA0"}));
        QCOMPARE(ordered[1].description, QString("d-ttyUSB10")); // the details of what it points at
    }

    // A port that is there but cannot be opened is told: in the tool tip text while it
    // lasts, and once in the machine log, not at every scan.
    void unusablePortIsToldOnce_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("remedy");
        QTest::newRow("held by another program") << true << "in use by another program" << "Another program holds";
        QTest::newRow("no permission") << false << "permission denied" << "\"dialout\"";
    }

    void unusablePortIsToldOnce()
    {
        QFETCH(bool, busy);
        QFETCH(QString, reason);
        QFETCH(QString, remedy);
        SimulatedMachine sim;
        startSim(sim);
        const QString device = sim.devicePath();
        configure(1, {{1, device}});
        QSerialPort holder(device);
        bool dropped = false;
        if (busy) {
            QVERIFY(holder.open(QIODevice::ReadWrite));
        } else if (geteuid() != 0) {
            QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0), 0);
        } else {
            // Root opens any device: the scan runs as an ordinary user for this test,
            // reading a settings folder that user may read.
            QCOMPARE(::chmod(QFile::encodeName(m_home->path()).constData(), 0755), 0);
            QCOMPARE(::chmod(QFile::encodeName(m_home->filePath("Vard.ini")).constData(), 0644), 0);
            QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0600), 0);
            dropped = true;
        }
        QStringList log;
        if (dropped) // before the link thread's first attempt
            QCOMPARE(::seteuid(65534), 0);
        {
            TMachine machine;
            connect(&machine, &TMachine::logLineAdded, this, [&](const QString &line) { log << line; });
            // Several scan rounds and refresh ticks.
            QTest::qWait(3500);
            if (dropped)
                QCOMPARE(::seteuid(0), 0);
            QCOMPARE(machine.PortStatusText(), device + ": " + reason);
            QVERIFY2(log.size() == 1, qPrintable(log.join(" | ")));
            QVERIFY2(log[0].startsWith("Cannot open " + device + ": " + reason + "."), qPrintable(log[0]));
            QVERIFY2(log[0].contains(remedy), qPrintable(log[0]));
            QVERIFY(!machine.IsConnected());
            // Once the port is free the scan finds the machine, and the tip names it.
            if (busy)
                holder.close();
            else
                QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0600), 0);
            QTRY_VERIFY_WITH_TIMEOUT(machine.IsConnected(), 5000);
            QCOMPARE(machine.PortStatusText(), "Connected on " + device);
        }
    }

    // Shutdown does not sit out a silent machine's read time-out.
    void threadEndsPromptly()
    {
        SimulatedMachine sim;
        startSim(sim);
        configure(1, {{1, sim.devicePath()}}, 30000);
        auto machine = std::make_unique<TMachine>();
        QTRY_VERIFY_WITH_TIMEOUT(machine->IsConnected(), 3000);
        sim.withController([](vardsim::SimController &c) { c.faults.silent = true; });
        QVERIFY(machine->Com().PostRequest(withCheck("R:S0;")));
        QTest::qWait(100); // the thread is now waiting for the reply
        QElapsedTimer t;
        t.start();
        machine.reset();
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    }

    // Many hand-overs in a row, each reply the answer to its own request; run under the
    // thread sanitizer too.
    void manyHandOvers()
    {
        SimulatedMachine sim(MachineKind::T362_04);
        startSim(sim);
        configure(1, {{1, sim.devicePath()}});
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        for (int i = 0; i < 200; ++i) {
            const bool identify = i % 2 == 0;
            const auto reply = link.exchange(withCheck(identify ? "R:S0;" : "R:SV;"));
            QVERIFY2(reply.has_value(), qPrintable(QString::number(i)));
            QVERIFY2(reply->rfind(identify ? "A:S0=362.04 " : "A:SV=", 0) == 0, reply->c_str());
        }
        QVERIFY(link.connected());
    }

    void strayInput_data()
    {
        QTest::addColumn<int>("extra");  // copies of the next reply the machine sends unasked
        QTest::addColumn<int>("lateMs"); // the handshake's reply comes this much after the read time-out
        QTest::addRow("one extra line") << 1 << 0;
        QTest::addRow("three extra lines") << 3 << 0;
        QTest::addRow("handshake answered late") << 0 << 200;
    }

    // A line nobody waits for is thrown away before the next request goes out, so every
    // later reply is still the answer to its own request, and the trace learns of it.
    void strayInput()
    {
        QFETCH(int, extra);
        QFETCH(int, lateMs);
        const int readTimeout = 400;
        SimulatedMachine sim(MachineKind::T362_04);
        sim.withController([&](vardsim::SimController &c) { c.faults.lateOnceMs = lateMs ? readTimeout + lateMs : 0; });
        startSim(sim);
        configure(1, {{1, sim.devicePath()}}, readTimeout);
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 5000);
        if (extra) {
            sim.withController([&](vardsim::SimController &c) { c.faults.extraLines = extra; });
            QVERIFY(link.exchange(withCheck("R:SV;")).has_value());
        }
        QTest::qWait(lateMs ? lateMs + 100 : 100); // the stray lines are on the line by now
        for (int i = 0; i < 6; ++i) {
            const bool identify = i % 2 == 0;
            const auto reply = link.exchange(withCheck(identify ? "R:S0;" : "R:ST;"));
            QVERIFY2(reply.has_value(), qPrintable(QString::number(i)));
            QVERIFY2(reply->rfind(identify ? "A:S0=362.04 " : "A:ST=", 0) == 0, reply->c_str());
        }
        const std::string discarded = link.com.TakeDiscarded();
        QVERIFY2(discarded.find(extra ? "A:SV=" : "A:S0=") != std::string::npos, discarded.c_str());
    }

    // A read time-out below 1 means no time-out: a slow machine is waited for, and a
    // quit still ends the wait at once.
    void readTimeoutZeroWaitsWithoutLimit()
    {
        SimulatedMachine sim(MachineKind::T362_07);
        sim.withController([](vardsim::SimController &c) { c.faults.replyDelayMs = 300; });
        startSim(sim);
        configure(1, {{1, sim.devicePath()}}, 0);
        auto link = std::make_unique<Link>();
        QTRY_VERIFY_WITH_TIMEOUT(link->connected(), 5000);
        const auto reply = link->exchange(withCheck("R:S0;"));
        QVERIFY(reply && reply->rfind("A:S0=362.07 ", 0) == 0);
        sim.withController([](vardsim::SimController &c) { c.faults.silent = true; });
        QVERIFY(link->com.PostRequest(withCheck("R:S0;")));
        QTest::qWait(200);
        QVERIFY(link->connected()); // still waiting
        QElapsedTimer t;
        t.start();
        link.reset();
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    }

    void flowControlKept_data()
    {
        QTest::addColumn<bool>("hardware");
        QTest::addRow("hardware (RTS/CTS)") << true;
        QTest::addRow("software (XON/XOFF)") << false;
    }

    // Opening the port changes the line settings it was given and nothing else: the
    // flow control stays as the port had it.
    void flowControlKept()
    {
        QFETCH(bool, hardware);
        SimulatedMachine sim;
        startSim(sim);
        const QByteArray device = QFile::encodeName(sim.devicePath());
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        termios tio{};
        QCOMPARE(::tcgetattr(fd, &tio), 0);
        if (hardware)
            tio.c_cflag |= CRTSCTS;
        else
            tio.c_iflag |= IXON | IXOFF;
        QCOMPARE(::tcsetattr(fd, TCSANOW, &tio), 0);
        {
            configure(1, {{1, sim.devicePath()}});
            Link link;
            QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
            termios now{};
            QCOMPARE(::tcgetattr(fd, &now), 0);
            if (hardware)
                QVERIFY(now.c_cflag & CRTSCTS);
            else
                QCOMPARE(now.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
            QVERIFY(link.exchange(withCheck("R:S0;")).has_value());
        }
        ::close(fd);
    }

    // Each successful handshake counts: a link lost and found again between two looks
    // at the mailbox still shows as another connection.
    void connectionCountedPerHandshake()
    {
        SimulatedMachine sim(MachineKind::QTR4);
        startSim(sim);
        const QString fixed = m_home->filePath("machine");
        QVERIFY(sim.publishLink(fixed));
        configure(1, {{1, fixed}});
        Link link;
        QTRY_VERIFY_WITH_TIMEOUT(link.connected(), 3000);
        const quint32 first = link.com.ConnectionCount();
        QVERIFY(first >= 1);
        sim.hangUp();
        startSim(sim);
        QVERIFY(link.com.PostRequest(withCheck("R:S0;"))); // written to the old pty: fails
        QTRY_VERIFY_WITH_TIMEOUT(link.com.ConnectionCount() == first + 1 && link.connected(), 5000);
        QVERIFY(!link.com.PostRequest(withCheck("R:S0;"), first));
        QVERIFY(!link.com.TakeReply(first).has_value());
        QVERIFY(link.exchange(withCheck("R:S0;")).has_value());
    }

    // The mailbox refuses a second request while one is under way, and any request
    // while the link is down.
    void mailboxRefusesWhenBusyOrDown()
    {
        TCom com;
        QVERIFY(!com.PostRequest("R:S0;"));
        com.Connected = true;
        QVERIFY(com.PostRequest("R:S0;"));
        QVERIFY(!com.PostRequest("R:SV;"));
        QVERIFY(!com.TakeReply().has_value());
        QCOMPARE(com.PendingRequest().value_or(""), std::string("R:S0;"));
        com.DeliverReply("A:S0=X;");
        QCOMPARE(com.TakeReply().value_or(""), std::string("A:S0=X;"));
        com.Reset();
        QVERIFY(!com.TakeReply().has_value());
        QCOMPARE(com.Text(), std::string());
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
