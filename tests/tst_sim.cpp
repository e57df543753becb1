// The simulated machine controller: its protocol, its physics and its faults, first as
// pure logic, then over a real pseudo-terminal.

#include <QtTest>

#include "sim/SimController.h"
#include "sim/SimulatedMachine.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace vardsim;

Q_DECLARE_METATYPE(vardsim::MachineKind)

namespace {

// Written out here rather than taken from the code under test.
int sumOf(const QByteArray &text)
{
    int sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum % 256;
}

QByteArray withCheckField(const QByteArray &text)
{
    return text + "C1=" + QByteArray::number(sumOf(text)) + ';';
}

// The text before the check field of a reply line, or a marker saying what is wrong
// with its framing, so that comparing payloads also catches a broken frame.
QByteArray payloadOf(const QByteArray &reply)
{
    if (!reply.endsWith('\r'))
        return "<no carriage return>";
    const qsizetype at = reply.lastIndexOf("C1=");
    if (at < 0)
        return "<no check field>";
    const QByteArray text = reply.left(at);
    if (reply.mid(at) != "C1=" + QByteArray::number(sumOf(text)) + ";\r")
        return "<wrong check field>";
    return text;
}

QByteArray ask(SimController &c, const QByteArray &request, qint64 nowMs = 0)
{
    return payloadOf(c.handleLine(withCheckField(request), nowMs));
}

// Field names of a payload "A:N1=v;N2=v;..." in order; empty when a value is not a number.
QStringList namesOfNumericFields(const QByteArray &payload)
{
    QStringList names;
    for (const QByteArray &field : payload.mid(2).split(';')) {
        if (field.isEmpty())
            continue;
        const qsizetype eq = field.indexOf('=');
        bool ok = false;
        field.mid(eq + 1).toInt(&ok);
        if (eq < 1 || !ok)
            return {};
        names << QString::fromLatin1(field.left(eq));
    }
    return names;
}

bool isPrintable(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

void makeZonesReady(SimController &c)
{
    for (int ch = 1; ch <= 5; ++ch)
        c.setActualTemp(ch, c.targetTemp(ch));
}

const QList<std::pair<const char *, MachineKind>> kKinds = {
    {"4QTR", MachineKind::QTR4},
    {"362.04", MachineKind::T362_04},
    {"362.07", MachineKind::T362_07},
    {"362.10", MachineKind::T362_10},
};

// The program's side of the pty, opened as the program opens a serial port.
class Terminal {
    Q_DISABLE_COPY_MOVE(Terminal)
public:
    explicit Terminal(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Terminal()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    bool send(const QByteArray &bytes) { return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size(); }

    enum class End { CarriageReturn, TimedOut, HungUp };
    struct Read { QByteArray bytes; End end; };

    // Bytes up to and including a carriage return, or what came before the time-out or
    // the hang-up (end of file or EIO, as a serial port reports a lost line).
    Read readLine(int timeoutMs = 2000)
    {
        QByteArray bytes;
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, int(deadline.remainingTime())) <= 0)
                continue;
            char c;
            const ssize_t n = ::read(m_fd, &c, 1);
            if (n == 0 || (n < 0 && errno == EIO))
                return {bytes, End::HungUp};
            if (n < 0)
                continue;
            bytes += c;
            if (c == '\r')
                return {bytes, End::CarriageReturn};
        }
        return {bytes, End::TimedOut};
    }

private:
    int m_fd;
};

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void machineKindNames();
    void identification_data();
    void identification();
    void settingsRead_data();
    void settingsRead();
    void readAnswersItemByItem_data();
    void readAnswersItemByItem();
    void refusedRequestChangesNothing_data();
    void refusedRequestChangesNothing();
    void writeThenReadBack();
    void stateBitClearsInsideBand_data();
    void stateBitClearsInsideBand();
    void transferStateBitFollowsSpeed_data();
    void transferStateBitFollowsSpeed();
    void infraredLevelFollowsHeater();
    void zonesWarmUpAndCoolDown_data();
    void zonesWarmUpAndCoolDown();
    void dependentChannels();
    void errorByte_data();
    void errorByte();
    void silentAndRefusingMachines();
    void silentMidLine();
    void badChecksum();
    void flood();
    void garbage();
    void handshakeOverride();

    void ptyRoundTrip();
    void ptyHangUpAndRestart();
    void ptySilentMidLine();
};

void TestSim::checksum_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("sum");
    QTest::addRow("empty") << QByteArray() << 0;
    QTest::addRow("identification request") << QByteArray("R:S0;") << 74;
    QTest::addRow("settings request") << QByteArray("R:ST;SF;SV;M1;") << 223;
    QTest::addRow("bytes above 127 count unsigned") << QByteArray("\xB0") << 176;
    QTest::addRow("exactly 256") << QByteArray("\x80\x80") << 0;
}

void TestSim::checksum()
{
    QFETCH(QByteArray, text);
    QFETCH(int, sum);
    QCOMPARE(SimController::checksum(text), sum);
}

void TestSim::machineKindNames()
{
    for (const auto &[word, kind] : kKinds) {
        QCOMPARE(machineKindName(kind), QLatin1String(word));
        QVERIFY(machineKindFromName(QLatin1String(word)) == kind);
        QVERIFY(machineKindFromName(QString::fromLatin1(word).toLower()) == kind);
    }
    QVERIFY(!machineKindFromName("362"));
    QVERIFY(!machineKindFromName("4QTR SIM"));
    QVERIFY(!machineKindFromName(""));
}

void TestSim::identification_data()
{
    QTest::addColumn<MachineKind>("kind");
    QTest::addColumn<QString>("word");
    for (const auto &[word, kind] : kKinds)
        QTest::addRow("%s", word) << kind << QString::fromLatin1(word);
}

// The program picks the machine type from the first word of the identification.
void TestSim::identification()
{
    QFETCH(MachineKind, kind);
    QFETCH(QString, word);
    SimController c(kind);

    const QString id = c.identification();
    QCOMPARE(id.section(QLatin1Char(' '), 0, 0), word);
    QVERIFY(id.contains(QLatin1Char(' ')));
    QVERIFY(!id.contains(QLatin1Char(';')));

    const QByteArray expected = "A:S0=" + id.toLatin1() + ';';
    QCOMPARE(ask(c, "R:S0;"), expected);
    // The handshake carries no check field of its own, but its reply does.
    QCOMPARE(payloadOf(c.handleLine("R:S0;C0=ACK;", 0)), expected);
}

void TestSim::settingsRead_data()
{
    QTest::addColumn<MachineKind>("kind");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("payload");
    QTest::addRow("4QTR") << MachineKind::QTR4 << QByteArray("R:ST;SF;SV;M1;")
                          << QByteArray("A:ST=150,170,190,240,160;SF=70,80,90;SV=30;M1=0;");
    QTest::addRow("362.04") << MachineKind::T362_04 << QByteArray("R:ST;SF;SV;")
                            << QByteArray("A:ST=220,3,0,0,0;SF=60,0,0;SV=25;");
    QTest::addRow("362.07") << MachineKind::T362_07 << QByteArray("R:ST;SF;SV;")
                            << QByteArray("A:ST=220,3,0,0,0;SF=60,0,0;SV=25;");
    QTest::addRow("362.10") << MachineKind::T362_10 << QByteArray("R:ST;SF;SV;")
                            << QByteArray("A:ST=230,200,210,0,0;SF=70,0,0;SV=25;");
}

void TestSim::settingsRead()
{
    QFETCH(MachineKind, kind);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, payload);
    SimController c(kind);
    QCOMPARE(ask(c, request), payload);
}

void TestSim::readAnswersItemByItem_data()
{
    QTest::addColumn<MachineKind>("kind");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("names");
    const QStringList qtrCycle = {"T1", "T2", "T3", "T4", "T5", "T6", "F1", "F2", "F3", "V1", "H1", "S1", "S2", "S3"};
    const QStringList c0xCycle = {"T1", "F1", "V1", "H1", "S1", "S2"};
    const QStringList c10Cycle = {"T1", "T2", "T3", "F1", "V1", "H1", "S1", "S2"};
    QTest::addRow("4QTR cycle") << MachineKind::QTR4 << QByteArray("R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;") << qtrCycle;
    QTest::addRow("362.04 cycle") << MachineKind::T362_04 << QByteArray("R:T1;F1;V1;H1;S1;S2;") << c0xCycle;
    QTest::addRow("362.07 cycle") << MachineKind::T362_07 << QByteArray("R:T1;F1;V1;H1;S1;S2;") << c0xCycle;
    QTest::addRow("362.10 cycle") << MachineKind::T362_10 << QByteArray("R:T1;T2;T3;F1;V1;H1;S1;S2;") << c10Cycle;
    QTest::addRow("362.04 measurement") << MachineKind::T362_04 << QByteArray("R:T3;") << QStringList{"T3"};
    QTest::addRow("362.10 measurement") << MachineKind::T362_10 << QByteArray("R:T4;") << QStringList{"T4"};
    QTest::addRow("request order kept") << MachineKind::QTR4 << QByteArray("R:S2;T1;S1;") << QStringList{"S2", "T1", "S1"};
    QTest::addRow("unknown items left out") << MachineKind::QTR4 << QByteArray("R:XY;T1;T0;T21;H2;M2;S4;F3;")
                                            << QStringList{"T1", "F3"};
}

void TestSim::readAnswersItemByItem()
{
    QFETCH(MachineKind, kind);
    QFETCH(QByteArray, request);
    QFETCH(QStringList, names);
    SimController c(kind);
    QCOMPARE(namesOfNumericFields(ask(c, request)), names);
}

void TestSim::refusedRequestChangesNothing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("payload");
    const QByteArray badCheck = "A:ERR=3;";
    const QByteArray sum = QByteArray::number(sumOf("W:T1=100;"));
    QTest::addRow("check field missing") << QByteArray("W:T1=100;") << badCheck;
    QTest::addRow("wrong sum") << QByteArray("W:T1=100;C1=0;") << badCheck;
    QTest::addRow("sum not a number") << QByteArray("W:T1=100;C1=x;") << badCheck;
    QTest::addRow("sum plus 256") << "W:T1=100;C1=" + QByteArray::number(sumOf("W:T1=100;") + 256) + ';' << badCheck;
    QTest::addRow("no closing semicolon") << "W:T1=100;C1=" + sum << badCheck;
    QTest::addRow("text after the check field") << "W:T1=100;C1=" + sum + ";T1=120;" << badCheck;
    QTest::addRow("acknowledgement field") << QByteArray("W:T1=100;C0=ACK;") << badCheck;
    QTest::addRow("empty line") << QByteArray() << badCheck;

    const QByteArray unknown = "A:ERR=2;";
    QTest::addRow("empty request") << QByteArray("C1=0;") << unknown;
    QTest::addRow("neither read nor write") << withCheckField("X:T1=100;") << unknown;

    // A write is carried out whole or not at all: the valid first assignment stays undone.
    const QList<std::pair<const char *, QByteArray>> malformed = {
        {"no assignment", "W:"},
        {"empty assignment", "W:T1=200;;"},
        {"last one unterminated", "W:T1=200;F1=60"},
        {"unknown letter", "W:T1=200;X1=5;"},
        {"lower-case letter", "W:T1=200;f1=60;"},
        {"no channel", "W:T1=200;F=60;"},
        {"channel 0", "W:T1=200;T0=60;"},
        {"channel 21", "W:T1=200;T21=60;"},
        {"no equals sign", "W:T1=200;F160;"},
        {"empty value", "W:T1=200;F1=;"},
        {"value not a number", "W:T1=200;F1=6o;"},
        {"negative value", "W:T1=200;V1=-5;"},
        {"value beyond 16 bits", "W:T1=200;T2=40000;"},
        {"heater 2", "W:T1=200;H1=2;"},
        {"second heater", "W:T1=200;H2=1;"},
        {"auto-heater channel 2", "W:T1=200;M2=1;"},
    };
    for (const auto &[name, write] : malformed)
        QTest::addRow("write: %s", name) << withCheckField(write) << QByteArray("A:ERR=1;");
}

void TestSim::refusedRequestChangesNothing()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, payload);
    SimController c;
    QCOMPARE(payloadOf(c.handleLine(line, 0)), payload);
    QCOMPARE(c.targetTemp(1), 150);
    QVERIFY(c.acceptedWrites().isEmpty());
}

void TestSim::writeThenReadBack()
{
    SimController c;
    const QByteArray write = "W:T1=230;F1=60;T5=180;V1=40;M1=1;T1=235;";
    QCOMPARE(ask(c, write), QByteArray("A:ERR=0;"));
    QCOMPARE(c.acceptedWrites(), QList<QByteArray>{write});
    // Assignments take effect in order: the second T1 wins.
    QCOMPARE(ask(c, "R:ST;SF;SV;M1;"), QByteArray("A:ST=235,170,190,240,180;SF=60,80,90;SV=40;M1=1;"));

    QCOMPARE(ask(c, "W:H1=0;"), QByteArray("A:ERR=0;"));
    QCOMPARE(c.heater(), 0);
    QCOMPARE(ask(c, "R:H1;"), QByteArray("A:H1=0;"));
    QCOMPARE(c.acceptedWrites().size(), 2);
}

void TestSim::stateBitClearsInsideBand_data()
{
    QTest::addColumn<MachineKind>("kind");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("stateBit");
    QTest::addRow("4QTR Startup") << MachineKind::QTR4 << 1 << 1;
    QTest::addRow("4QTR Preheat 1") << MachineKind::QTR4 << 2 << 2;
    QTest::addRow("4QTR Preheat 2") << MachineKind::QTR4 << 3 << 3;
    QTest::addRow("4QTR Peak") << MachineKind::QTR4 << 4 << 4;
    QTest::addRow("4QTR Underground") << MachineKind::QTR4 << 5 << 5;
    QTest::addRow("362.04 Convection") << MachineKind::T362_04 << 1 << 1;
    QTest::addRow("362.07 Convection") << MachineKind::T362_07 << 1 << 1;
    QTest::addRow("362.10 Convection") << MachineKind::T362_10 << 1 << 1;
    QTest::addRow("362.10 Infrared 1") << MachineKind::T362_10 << 2 << 2;
    QTest::addRow("362.10 Infrared 2") << MachineKind::T362_10 << 3 << 3;
}

void TestSim::stateBitClearsInsideBand()
{
    QFETCH(MachineKind, kind);
    QFETCH(int, channel);
    QFETCH(int, stateBit);
    SimController c(kind);
    const int target = c.targetTemp(channel);
    const QByteArray notReady = "A:S2=" + QByteArray::number(1 << (stateBit - 1)) + ';';

    QVERIFY2(c.stateByte() & (1 << (stateBit - 1)), "a machine just switched on is still warming up");
    makeZonesReady(c);
    QCOMPARE(ask(c, "R:S2;"), QByteArray("A:S2=0;"));

    const QList<std::pair<int, bool>> offsets = {{5, true}, {-5, true}, {6, false}, {-6, false}, {0, true}};
    for (const auto &[offset, ready] : offsets) {
        c.setActualTemp(channel, target + offset);
        QCOMPARE(ask(c, "R:S2;"), ready ? QByteArray("A:S2=0;") : notReady);
    }
}

void TestSim::transferStateBitFollowsSpeed_data()
{
    QTest::addColumn<MachineKind>("kind");
    QTest::addColumn<int>("stateBit");
    QTest::addRow("4QTR") << MachineKind::QTR4 << 6;
    QTest::addRow("362.04") << MachineKind::T362_04 << 3;
    QTest::addRow("362.07") << MachineKind::T362_07 << 3;
    QTest::addRow("362.10") << MachineKind::T362_10 << 4;
}

void TestSim::transferStateBitFollowsSpeed()
{
    QFETCH(MachineKind, kind);
    QFETCH(int, stateBit);
    SimController c(kind);
    makeZonesReady(c);
    QCOMPARE(c.stateByte(), 0);
    const int before = c.actualSpeed(1);

    QCOMPARE(ask(c, "W:V1=55;"), QByteArray("A:ERR=0;"));
    QCOMPARE(c.stateByte(), 1 << (stateBit - 1));
    c.advanceTo(500);
    QVERIFY(c.actualSpeed(1) > before);
    QVERIFY(c.actualSpeed(1) < 55);
    c.advanceTo(60000);
    QCOMPARE(c.actualSpeed(1), 55);
    QCOMPARE(c.stateByte() & (1 << (stateBit - 1)), 0);
}

// The infrared zone of the 362.04/362.07 holds a preselection level, not degrees.
void TestSim::infraredLevelFollowsHeater()
{
    SimController c(MachineKind::T362_04);
    makeZonesReady(c);
    QCOMPARE(ask(c, "R:T2;S2;"), QByteArray("A:T2=3;S2=0;"));

    QCOMPARE(ask(c, "W:T2=5;"), QByteArray("A:ERR=0;"));
    QCOMPARE(ask(c, "R:T2;S2;"), QByteArray("A:T2=5;S2=0;"));

    QCOMPARE(ask(c, "W:H1=0;"), QByteArray("A:ERR=0;"));
    QCOMPARE(c.actualTemp(2), 0);
    QVERIFY(c.stateByte() & 0x02);
    QCOMPARE(ask(c, "W:H1=1;"), QByteArray("A:ERR=0;"));
    QCOMPARE(c.actualTemp(2), 5);
    QCOMPARE(c.stateByte() & 0x02, 0);
}

void TestSim::zonesWarmUpAndCoolDown_data()
{
    QTest::addColumn<MachineKind>("kind");
    QTest::addColumn<QList<int>>("zoneChannels"); // zones controlled in °C
    QTest::addRow("4QTR") << MachineKind::QTR4 << QList<int>{1, 2, 3, 4, 5};
    QTest::addRow("362.04") << MachineKind::T362_04 << QList<int>{1};
    QTest::addRow("362.07") << MachineKind::T362_07 << QList<int>{1};
    QTest::addRow("362.10") << MachineKind::T362_10 << QList<int>{1, 2, 3};
}

void TestSim::zonesWarmUpAndCoolDown()
{
    QFETCH(MachineKind, kind);
    QFETCH(QList<int>, zoneChannels);
    constexpr qint64 kTenMinutes = 10 * 60 * 1000;
    SimController c(kind, 1000);
    const int startMinutes = c.operationMinutes();

    // Warming up: steadily towards the target, never past it.
    QList<int> previous;
    for (int ch : zoneChannels)
        previous << c.actualTemp(ch);
    for (qint64 t = 2000; t <= 30000; t += 1000) {
        c.advanceTo(t);
        for (int i = 0; i < zoneChannels.size(); ++i) {
            const int now = c.actualTemp(zoneChannels[i]);
            QVERIFY2(now >= previous[i] && now <= c.targetTemp(zoneChannels[i]), qPrintable(QString::number(t)));
            previous[i] = now;
        }
    }
    c.advanceTo(kTenMinutes);
    QCOMPARE(c.stateByte(), 0);
    QCOMPARE(c.operationMinutes(), startMinutes + 9); // 9 min 59 s since switch-on

    // Heater off: every zone falls back to room temperature and is no longer ready.
    QCOMPARE(ask(c, "W:H1=0;", kTenMinutes), QByteArray("A:ERR=0;"));
    c.advanceTo(2 * kTenMinutes);
    for (int ch : zoneChannels) {
        QCOMPARE(c.actualTemp(ch), 25);
        QVERIFY(c.stateByte() & (1 << (ch - 1)));
    }
    QCOMPARE(ask(c, "R:S3;", 2 * kTenMinutes), "A:S3=" + QByteArray::number(startMinutes + 19) + ';');
}

// Channels the machine shows but does not control: the 4QTR's cooling zone and the
// 362 types' measuring probe.
void TestSim::dependentChannels()
{
    SimController oven(MachineKind::QTR4);
    for (qint64 t = 0; t <= 120000; t += 10000) {
        oven.advanceTo(t);
        QVERIFY(oven.actualTemp(6) > 25);
        QVERIFY(oven.actualTemp(6) < oven.actualTemp(4));
    }
    QCOMPARE(oven.measuringChannel(), 0);

    const QList<std::pair<MachineKind, int>> probes = {{MachineKind::T362_04, 3}, {MachineKind::T362_07, 3},
                                                       {MachineKind::T362_10, 4}};
    for (const auto &[kind, channel] : probes) {
        SimController c(kind);
        QCOMPARE(c.measuringChannel(), channel);
        c.setActualTemp(1, c.targetTemp(1));
        QList<int> values;
        for (qint64 t = 0; t <= 10 * 60 * 1000; t += 5000) {
            c.advanceTo(t);
            const int value = c.measuringValue();
            QVERIFY(value >= 25 && value <= c.actualTemp(1));
            QCOMPARE(ask(c, "R:T" + QByteArray::number(channel) + ';', t),
                     "A:T" + QByteArray::number(channel) + '=' + QByteArray::number(value) + ';');
            values << value;
        }
        // A board warms up, the next one comes in cold.
        QVERIFY(*std::max_element(values.begin(), values.end()) > c.targetTemp(1) - 30);
        QVERIFY(std::adjacent_find(values.begin(), values.end(), std::greater<int>()) != values.end());
    }
}

void TestSim::errorByte_data()
{
    QTest::addColumn<bool>("hoodOpen");
    QTest::addColumn<int>("zoneErrorBits");
    QTest::addColumn<int>("s1");
    QTest::addRow("no fault") << false << 0 << 0;
    QTest::addRow("hood open") << true << 0 << 0x02;
    QTest::addRow("zone errors 2 and 3") << false << 0x0C << 0x0C;
    QTest::addRow("hood and every zone") << true << 0xFC << 0xFE;
    QTest::addRow("bit 0 never set") << false << 0x01 << 0;
}

void TestSim::errorByte()
{
    QFETCH(bool, hoodOpen);
    QFETCH(int, zoneErrorBits);
    QFETCH(int, s1);
    SimController c;
    c.faults.hoodOpen = hoodOpen;
    c.faults.zoneErrorBits = zoneErrorBits;
    QCOMPARE(ask(c, "R:S1;"), "A:S1=" + QByteArray::number(s1) + ';');
}

void TestSim::silentAndRefusingMachines()
{
    SimController c;
    c.faults.silent = true;
    QCOMPARE(c.handleLine(withCheckField("W:T1=200;"), 0), QByteArray());
    QCOMPARE(c.handleLine("R:S0;C0=ACK;", 0), QByteArray());
    QCOMPARE(c.targetTemp(1), 150);

    c.faults.silent = false;
    c.faults.refuseWrites = true;
    QCOMPARE(ask(c, "W:T1=200;"), QByteArray("A:ERR=1;"));
    QCOMPARE(c.targetTemp(1), 150);
    QVERIFY(c.acceptedWrites().isEmpty());
    QCOMPARE(ask(c, "R:T1;").left(5), QByteArray("A:T1="));
}

void TestSim::silentMidLine()
{
    SimController c;
    const QByteArray full = c.handleLine(withCheckField("R:ST;SF;SV;M1;"), 0);
    c.faults.silentMidLine = true;
    const QByteArray cut = c.handleLine(withCheckField("R:ST;SF;SV;M1;"), 0);
    QCOMPARE(cut, full.left(full.size() / 2));
    QVERIFY(!cut.contains('\r'));
    QCOMPARE(c.handleLine(withCheckField("R:S0;"), 0), QByteArray());
    QCOMPARE(c.handleLine("R:S0;C0=ACK;", 0), QByteArray());

    c.faults.silentMidLine = false;
    QCOMPARE(ask(c, "R:ST;SF;SV;M1;"), payloadOf(full));
    // Switched on again, it cuts one more reply.
    c.faults.silentMidLine = true;
    QCOMPARE(c.handleLine(withCheckField("R:ST;SF;SV;M1;"), 0), cut);
}

void TestSim::badChecksum()
{
    SimController c;
    c.faults.badChecksum = true;
    for (const QByteArray &request : {QByteArray("R:S0;"), QByteArray("W:T1=200;"), QByteArray("R:S0;C1=1;")}) {
        const QByteArray reply = c.handleLine(request.contains("C1=") ? request : withCheckField(request), 0);
        const qsizetype at = reply.lastIndexOf("C1=");
        QVERIFY(at > 0);
        QCOMPARE(reply.mid(at), "C1=" + QByteArray::number((sumOf(reply.left(at)) + 1) % 256) + ";\r");
    }
    QCOMPARE(c.targetTemp(1), 200); // only the reply is spoilt
}

void TestSim::flood()
{
    SimController c;
    c.faults.floodBytes = 300;
    c.faults.floodOnce = true;
    const QByteArray once = c.handleLine(withCheckField("R:S0;"), 0);
    QCOMPARE(once.size(), 300);
    QVERIFY(isPrintable(once));
    QVERIFY(!c.faults.floodOnce);
    QCOMPARE(ask(c, "R:S0;"), "A:S0=" + c.identification().toLatin1() + ';');

    c.faults.floodNoCR = true;
    for (int i = 0; i < 2; ++i) {
        const QByteArray reply = c.handleLine(withCheckField("R:S0;"), 0);
        QCOMPARE(reply.size(), 300);
        QVERIFY(isPrintable(reply));
    }
}

void TestSim::garbage()
{
    SimController c;
    c.faults.garbage = true;
    const QByteArray reply = c.handleLine("R:S0;C0=ACK;", 0);
    QVERIFY(reply.endsWith('\r'));
    QVERIFY(reply.size() > 1);
    QVERIFY(isPrintable(reply.chopped(1)));
    QVERIFY(!reply.startsWith("A:"));
    QVERIFY(!reply.contains(';'));
    QVERIFY(c.handleLine("R:S0;C0=ACK;", 0) != reply); // noise, not a fixed text
}

void TestSim::handshakeOverride()
{
    SimController c(MachineKind::T362_10);
    c.faults.handshakeReply = QByteArray("a:s0=362.10;");
    QCOMPARE(c.handleLine("R:S0;C0=ACK;", 0), QByteArray("a:s0=362.10;\r"));
    QCOMPARE(ask(c, "R:S0;"), "A:S0=" + c.identification().toLatin1() + ';');
}

void TestSim::ptyRoundTrip()
{
    SimulatedMachine machine(MachineKind::T362_07);
    QVERIFY2(machine.start(), qPrintable(machine.errorString()));
    QVERIFY(machine.isRunning());
    Terminal port(machine.devicePath());
    QVERIFY2(port.isOpen(), qPrintable(machine.devicePath()));

    QVERIFY(port.send("R:S0;C1=74;\r"));
    const auto reply = port.readLine();
    QCOMPARE(reply.end, Terminal::End::CarriageReturn);
    QCOMPARE(payloadOf(reply.bytes), QByteArray("A:S0=362.07 SIM 1.00;"));

    // A line feed is no line end; a line past every bound is dropped whole, and the
    // request after it is still answered.
    QVERIFY(port.send("R:T1;\n" + QByteArray(5000, 'X') + '\r' + withCheckField("R:H1;") + '\r'));
    const auto next = port.readLine();
    QCOMPARE(payloadOf(next.bytes), QByteArray("A:H1=1;"));
    QCOMPARE(port.readLine(200).bytes, QByteArray());
    QTRY_COMPARE(machine.requestCount(), 2);

    // Fault switches flipped from this thread reach the I/O thread.
    machine.withController([](SimController &c) { c.faults.hoodOpen = true; });
    QVERIFY(port.send(withCheckField("R:S1;") + '\r'));
    QCOMPARE(payloadOf(port.readLine().bytes), QByteArray("A:S1=2;"));
}

void TestSim::ptyHangUpAndRestart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("port1");
    SimulatedMachine machine;
    QVERIFY(machine.publishLink(link));
    QVERIFY(machine.start());
    QCOMPARE(QFileInfo(link).symLinkTarget(), machine.devicePath());
    machine.withController([](SimController &c) { c.setActualTemp(1, 111); });

    Terminal port(link);
    QVERIFY(port.isOpen());
    machine.hangUp();
    QVERIFY(!machine.isRunning());
    QCOMPARE(port.readLine().end, Terminal::End::HungUp);

    // A new pty: the link follows it, and the controller has kept its state.
    QVERIFY(machine.start());
    QVERIFY(machine.devicePath() != QString());
    QCOMPARE(QFileInfo(link).symLinkTarget(), machine.devicePath());
    Terminal again(link);
    QVERIFY(again.send(withCheckField("R:T1;") + '\r'));
    const QByteArray t1 = payloadOf(again.readLine().bytes);
    QVERIFY2(t1.startsWith("A:T1=11"), t1.constData()); // 111 and warming

    machine.stop();
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSim::ptySilentMidLine()
{
    SimulatedMachine machine;
    QVERIFY(machine.start());
    Terminal port(machine.devicePath());
    QVERIFY(port.isOpen());
    machine.withController([](SimController &c) { c.faults.silentMidLine = true; });

    QVERIFY(port.send("R:S0;C1=74;\r"));
    const auto cut = port.readLine(300);
    QCOMPARE(cut.end, Terminal::End::TimedOut);
    QVERIFY(!cut.bytes.isEmpty());
    QVERIFY(QByteArray("A:S0=4QTR SIM 1.00;").startsWith(cut.bytes));

    machine.withController([](SimController &c) { c.faults.silentMidLine = false; });
    QVERIFY(port.send("R:S0;C1=74;\r"));
    QCOMPARE(payloadOf(port.readLine().bytes), QByteArray("A:S0=4QTR SIM 1.00;"));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
