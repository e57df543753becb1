#pragma once
// The controller of a soldering machine as the program meets it on the serial line:
// one request line in, one reply line out. Pure logic (no I/O, no threads): the caller
// passes the clock, so tests can drive it step by step.

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace vardsim {

enum class MachineKind { QTR4, T362_04, T362_07, T362_10 };

// "4QTR", "362.04", "362.07", "362.10" (case-insensitive); nullopt for anything else.
std::optional<MachineKind> machineKindFromName(const QString &name);
QString machineKindName(MachineKind kind);

// Fault switches. All off by default: the machine answers every request at once.
struct SimFaults {
    bool silent = false;          // reads every request and ignores it: no reply, no change
    bool silentMidLine = false;   // the next reply stops half-way (no CR); then silent until cleared
    bool badChecksum = false;     // replies carry a wrong "C1=" field
    bool refuseWrites = false;    // write commands are answered "A:ERR=1;"
    bool hoodOpen = false;        // error byte bit 1 (hood open or emergency off)
    int zoneErrorBits = 0;        // extra error-byte bits (2..7 are the zones' error bits)
    bool floodNoCR = false;       // answers with floodBytes bytes and never a carriage return
    bool floodOnce = false;       // the same for the next reply only; the switch then clears itself
    int floodBytes = 5000;
    bool garbage = false;         // answers with a line of printable noise
    std::optional<QByteArray> handshakeReply; // verbatim reply to "R:S0;C0=ACK;" (without CR)
    int replyDelayMs = 0;         // pause before a reply goes out
    int lateOnceMs = 0;           // the next reply only waits this much longer; then clears itself
    int extraLines = 0;           // the next reply goes out this many times more; then clears itself
};

class SimController {
public:
    static constexpr int kChannels = 20;

    explicit SimController(MachineKind kind = MachineKind::QTR4, qint64 nowMs = 0);

    MachineKind kind() const { return m_kind; }
    // The identification text after "S0=": the type word, a blank, a model text.
    QString identification() const;

    // One request line (without its carriage return) in; the bytes to send back,
    // carriage return included, or nothing at all when a fault keeps the machine silent.
    // Advances the machine's physics to nowMs first.
    QByteArray handleLine(const QByteArray &line, qint64 nowMs);

    // Moves temperatures, fans, speed and the operation time on to nowMs.
    void advanceTo(qint64 nowMs);

    SimFaults faults;

    // The machine's own state, channel 1..20 (0 outside). Temperatures in whole °C; an
    // infrared preselection zone's channel holds its level 0..5.
    int targetTemp(int ch) const;
    int actualTemp(int ch) const;
    int targetFan(int ch) const;
    int actualFan(int ch) const;
    int targetSpeed(int ch) const;
    int actualSpeed(int ch) const;
    int heater() const;      // heater setting 0/1 (H1)
    int autoHeater() const;  // M1
    int operationMinutes() const;
    int errorByte() const;   // S1 as it would be sent now
    int stateByte() const;   // S2 as it would be sent now
    int measuringChannel() const; // 3 on 362.04/362.07, 4 on 362.10, 0 on 4QTR (none)
    int measuringValue() const;   // the measuring channel's reading, whole °C (0 when none)

    void setActualTemp(int ch, int value); // for tests: put a zone where it should be

    // Every write command accepted so far, as received (without the check field).
    QList<QByteArray> acceptedWrites() const { return m_acceptedWrites; }

    // Sum of the character codes modulo 256: the check field of the protocol.
    static int checksum(const QByteArray &text);

private:
    QByteArray answer(const QByteArray &line);
    QByteArray readItems(const QByteArray &items) const;
    std::optional<QByteArray> itemValue(const QByteArray &name) const;
    bool applyWrite(const QByteArray &text);
    QByteArray framed(const QByteArray &text) const;
    QByteArray noise(int size);
    void updateDependentChannels();
    bool zoneReady(int ch) const;

    MachineKind m_kind;
    qint64 m_lastMs;
    qint64 m_startMs;
    double m_carryMinutes = 0;
    // Index = channel; entry 0 is unused so channels stay 1-based as on the wire.
    std::array<double, kChannels + 1> m_actualTemp{};
    std::array<int, kChannels + 1> m_targetTemp{};
    std::array<double, kChannels + 1> m_actualFan{};
    std::array<int, kChannels + 1> m_targetFan{};
    std::array<double, kChannels + 1> m_actualSpeed{};
    std::array<int, kChannels + 1> m_targetSpeed{};
    int m_heater = 1;
    int m_autoHeater = 0;
    int m_operationMinutes = 0;
    bool m_cutOff = false;        // a reply was cut by silentMidLine: silent until it is cleared
    quint32 m_noiseSeed = 12345;  // deterministic noise, so a failing test repeats
    QList<QByteArray> m_acceptedWrites;
};

} // namespace vardsim
