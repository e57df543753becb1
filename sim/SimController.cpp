#include "sim/SimController.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vardsim {

namespace {

// What tells the four machines apart, as far as their controller is concerned.
struct TypeSetup {
    const char *word;
    std::array<int, 5> targetTemps; // ST, channels 1..5
    std::array<int, 3> targetFans;  // SF, channels 1..3
    int targetSpeed;                // SV, channel 1
    // Temperature zones are channels 1..zoneChannels and their state bits equal their
    // channels; the transfer's state bit is the one after them.
    int zoneChannels;
    int infraredChannel;  // carries an IR preselection level 0..5 instead of °C; 0 = none
    int coolingChannel;   // shown only, warmed by the oven's hottest zone; 0 = none
    int measuringChannel; // 0 = none
};

constexpr TypeSetup kSetups[] = {
    {"4QTR", {150, 170, 190, 240, 160}, {70, 80, 90}, 30, 5, 0, 6, 0},
    {"362.04", {220, 3, 0, 0, 0}, {60, 0, 0}, 25, 2, 2, 0, 3},
    {"362.07", {220, 3, 0, 0, 0}, {60, 0, 0}, 25, 2, 2, 0, 3},
    {"362.10", {230, 200, 210, 0, 0}, {70, 0, 0}, 25, 3, 0, 0, 4},
};

const TypeSetup &setupOf(MachineKind kind)
{
    return kSetups[static_cast<int>(kind)];
}

constexpr double kAmbient = 25.0;
constexpr double kHeatRate = 3.0;      // °C per second
constexpr double kCoolRate = 1.0;      // °C per second
constexpr double kFanRate = 20.0;      // percent per second
constexpr double kSpeedRate = 10.0;    // cm/min per second
constexpr double kStartWarmth = 0.6;   // share of the way to target reached at switch-on
constexpr double kCoolingShare = 0.4;  // how far the cooling zone sits towards the hottest zone
constexpr int kReadyBand = 5;          // °C either side of the target
constexpr int kMaxInfraredLevel = 5;
constexpr int kStartMinutes = 1234;
// The measuring probe rides on a board through the oven: it warms towards the convection
// zone and starts again cold when the next board goes in.
constexpr double kBoardCycleSeconds = 240.0;
constexpr double kBoardWarmingSeconds = 45.0;

constexpr int kErrAccepted = 0;
constexpr int kErrRefused = 1;
constexpr int kErrUnknownRequest = 2;
constexpr int kErrCheckField = 3;

const QByteArray kHandshake = QByteArrayLiteral("R:S0;C0=ACK;");
const QByteArray kCheckField = QByteArrayLiteral("C1=");

constexpr int kNoiseLineLength = 40;

std::optional<int> decimal(QByteArrayView text, int min, int max)
{
    int value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.isEmpty() || ec != std::errc() || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

// The line must end with "C1=", the sum of everything before it, and ";".
std::optional<QByteArray> textBeforeCheckField(const QByteArray &line)
{
    const qsizetype at = line.indexOf(kCheckField);
    if (at < 0 || !line.endsWith(';'))
        return std::nullopt;
    const QByteArray text = line.left(at);
    const QByteArrayView sum = QByteArrayView(line).sliced(at + kCheckField.size()).chopped(1);
    if (decimal(sum, 0, 255) != SimController::checksum(text))
        return std::nullopt;
    return text;
}

double approach(double value, double goal, double up, double down)
{
    return value < goal ? std::min(value + up, goal) : std::max(value - down, goal);
}

bool validChannel(int ch)
{
    return ch >= 1 && ch <= SimController::kChannels;
}

QByteArray joined(const auto &values, int from, int to)
{
    QByteArray out;
    for (int ch = from; ch <= to; ++ch) {
        if (ch > from)
            out += ',';
        out += QByteArray::number(values[ch]);
    }
    return out;
}

} // namespace

std::optional<MachineKind> machineKindFromName(const QString &name)
{
    for (int i = 0; i < int(std::size(kSetups)); ++i) {
        if (name.compare(QLatin1String(kSetups[i].word), Qt::CaseInsensitive) == 0)
            return static_cast<MachineKind>(i);
    }
    return std::nullopt;
}

QString machineKindName(MachineKind kind)
{
    return QLatin1String(setupOf(kind).word);
}

SimController::SimController(MachineKind kind, qint64 nowMs)
    : m_kind(kind), m_lastMs(nowMs), m_startMs(nowMs), m_operationMinutes(kStartMinutes)
{
    const TypeSetup &s = setupOf(kind);
    for (int ch = 1; ch <= 5; ++ch)
        m_targetTemp[ch] = s.targetTemps[ch - 1];
    for (int ch = 1; ch <= 3; ++ch)
        m_targetFan[ch] = m_actualFan[ch] = s.targetFans[ch - 1];
    m_targetSpeed[1] = m_actualSpeed[1] = s.targetSpeed;
    // Switched on a little while ago: warm, not yet there, so a demo has something to show.
    for (int ch = 1; ch <= s.zoneChannels; ++ch)
        m_actualTemp[ch] = kAmbient + kStartWarmth * (m_targetTemp[ch] - kAmbient);
    updateDependentChannels();
}

QString SimController::identification() const
{
    return machineKindName(m_kind) + QLatin1String(" SIM 1.00");
}

int SimController::checksum(const QByteArray &text)
{
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return int(sum % 256);
}

QByteArray SimController::handleLine(const QByteArray &line, qint64 nowMs)
{
    advanceTo(nowMs);
    if (!faults.silentMidLine)
        m_cutOff = false;
    if (faults.silent || m_cutOff)
        return {};
    if (faults.floodNoCR || faults.floodOnce) {
        faults.floodOnce = false;
        return noise(faults.floodBytes);
    }
    if (faults.garbage)
        return noise(kNoiseLineLength) + '\r';

    QByteArray reply = answer(line);
    if (faults.silentMidLine) {
        reply.truncate(reply.size() / 2);
        m_cutOff = true;
    }
    // Lines nobody asked for: what a machine that repeats itself puts on the line.
    const QByteArray once = reply;
    for (; faults.extraLines > 0; --faults.extraLines)
        reply += once;
    return reply;
}

QByteArray SimController::answer(const QByteArray &line)
{
    if (line == kHandshake) {
        if (faults.handshakeReply)
            return *faults.handshakeReply + '\r';
        return framed("A:S0=" + identification().toLatin1() + ';');
    }

    const auto err = [this](int code) { return framed("A:ERR=" + QByteArray::number(code) + ';'); };
    const auto text = textBeforeCheckField(line);
    if (!text)
        return err(kErrCheckField);
    if (text->startsWith("R:"))
        return framed("A:" + readItems(text->mid(2)));
    if (text->startsWith("W:"))
        return err(applyWrite(*text) ? kErrAccepted : kErrRefused);
    return err(kErrUnknownRequest);
}

QByteArray SimController::readItems(const QByteArray &items) const
{
    QByteArray out;
    for (const QByteArray &name : items.split(';')) {
        if (const auto value = itemValue(name))
            out += name + '=' + *value + ';';
    }
    return out;
}

std::optional<QByteArray> SimController::itemValue(const QByteArray &name) const
{
    if (name == "ST")
        return joined(m_targetTemp, 1, 5);
    if (name == "SF")
        return joined(m_targetFan, 1, 3);
    if (name == "SV")
        return QByteArray::number(m_targetSpeed[1]);
    if (name == "M1")
        return QByteArray::number(m_autoHeater);
    if (name == "S0")
        return identification().toLatin1();
    if (name == "S1")
        return QByteArray::number(errorByte());
    if (name == "S2")
        return QByteArray::number(stateByte());
    if (name == "S3")
        return QByteArray::number(m_operationMinutes);
    if (name == "H1")
        return QByteArray::number(m_heater);

    if (name.isEmpty())
        return std::nullopt;
    const auto ch = decimal(QByteArrayView(name).sliced(1), 1, kChannels);
    if (!ch)
        return std::nullopt;
    switch (name[0]) {
    case 'T': return QByteArray::number(actualTemp(*ch));
    case 'F': return QByteArray::number(actualFan(*ch));
    case 'V': return QByteArray::number(actualSpeed(*ch));
    default: return std::nullopt;
    }
}

// All or nothing: the whole command is checked before the first assignment takes effect.
bool SimController::applyWrite(const QByteArray &text)
{
    if (faults.refuseWrites)
        return false;
    const QByteArray body = text.mid(2);
    if (!body.endsWith(';'))
        return false;

    struct Assignment { char letter; int channel; int value; };
    QList<Assignment> assignments;
    for (const QByteArray &item : body.chopped(1).split(';')) {
        const qsizetype eq = item.indexOf('=');
        if (eq < 2)
            return false;
        const char letter = item[0];
        const bool singleHeater = letter == 'H' || letter == 'M'; // one heater: channel 1 only, 0/1
        if (!QByteArrayView("TFVHM").contains(letter))
            return false;
        const auto ch = decimal(QByteArrayView(item).sliced(1, eq - 1), 1, singleHeater ? 1 : kChannels);
        const auto value = decimal(QByteArrayView(item).sliced(eq + 1), 0, singleHeater ? 1 : 32767);
        if (!ch || !value)
            return false;
        assignments.append({letter, *ch, *value});
    }

    for (const Assignment &a : assignments) {
        switch (a.letter) {
        case 'T': m_targetTemp[a.channel] = a.value; break;
        case 'F': m_targetFan[a.channel] = a.value; break;
        case 'V': m_targetSpeed[a.channel] = a.value; break;
        case 'H': m_heater = a.value; break;
        case 'M': m_autoHeater = a.value; break;
        }
    }
    updateDependentChannels();
    m_acceptedWrites.append(text);
    return true;
}

QByteArray SimController::framed(const QByteArray &text) const
{
    const int sum = (checksum(text) + (faults.badChecksum ? 1 : 0)) % 256;
    return text + kCheckField + QByteArray::number(sum) + ";\r";
}

// Printable, but with none of the protocol's separators, so it can never pass for a reply.
QByteArray SimController::noise(int size)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789#$%&*+-./<>?@";
    QByteArray out(std::max(size, 0), Qt::Uninitialized);
    for (char &c : out) {
        m_noiseSeed = m_noiseSeed * 1103515245u + 12345u;
        c = kAlphabet[(m_noiseSeed >> 16) % (sizeof kAlphabet - 1)];
    }
    return out;
}

void SimController::advanceTo(qint64 nowMs)
{
    if (nowMs <= m_lastMs)
        return;
    const double dt = (nowMs - m_lastMs) / 1000.0;
    m_lastMs = nowMs;

    const TypeSetup &s = setupOf(m_kind);
    for (int ch = 1; ch <= s.zoneChannels; ++ch) {
        // Heating cannot take a zone below the room it stands in.
        const double goal = m_heater ? std::max<double>(m_targetTemp[ch], kAmbient) : kAmbient;
        m_actualTemp[ch] = approach(m_actualTemp[ch], goal, kHeatRate * dt, kCoolRate * dt);
    }
    for (int ch = 1; ch <= kChannels; ++ch) {
        m_actualFan[ch] = approach(m_actualFan[ch], m_targetFan[ch], kFanRate * dt, kFanRate * dt);
        m_actualSpeed[ch] = approach(m_actualSpeed[ch], m_targetSpeed[ch], kSpeedRate * dt, kSpeedRate * dt);
    }

    m_carryMinutes += dt / 60.0;
    const double whole = std::floor(m_carryMinutes);
    m_operationMinutes += int(whole);
    m_carryMinutes -= whole;

    updateDependentChannels();
}

// Channels that are not controlled towards a target but follow other values at once.
void SimController::updateDependentChannels()
{
    const TypeSetup &s = setupOf(m_kind);
    if (s.infraredChannel) {
        const int ch = s.infraredChannel;
        m_actualTemp[ch] = m_heater ? std::clamp(m_targetTemp[ch], 0, kMaxInfraredLevel) : 0;
    }
    if (s.coolingChannel) {
        const double hottest = *std::max_element(m_actualTemp.begin() + 1, m_actualTemp.begin() + 1 + s.zoneChannels);
        m_actualTemp[s.coolingChannel] = kAmbient + kCoolingShare * (hottest - kAmbient);
    }
    if (s.measuringChannel) {
        const double t = std::fmod((m_lastMs - m_startMs) / 1000.0, kBoardCycleSeconds);
        m_actualTemp[s.measuringChannel] =
            kAmbient + (m_actualTemp[1] - kAmbient) * (1.0 - std::exp(-t / kBoardWarmingSeconds));
    }
}

bool SimController::zoneReady(int ch) const
{
    if (ch == setupOf(m_kind).infraredChannel)
        return actualTemp(ch) == std::clamp(m_targetTemp[ch], 0, kMaxInfraredLevel);
    return std::abs(actualTemp(ch) - m_targetTemp[ch]) <= kReadyBand;
}

int SimController::targetTemp(int ch) const { return validChannel(ch) ? m_targetTemp[ch] : 0; }
int SimController::actualTemp(int ch) const { return validChannel(ch) ? qRound(m_actualTemp[ch]) : 0; }
int SimController::targetFan(int ch) const { return validChannel(ch) ? m_targetFan[ch] : 0; }
int SimController::actualFan(int ch) const { return validChannel(ch) ? qRound(m_actualFan[ch]) : 0; }
int SimController::targetSpeed(int ch) const { return validChannel(ch) ? m_targetSpeed[ch] : 0; }
int SimController::actualSpeed(int ch) const { return validChannel(ch) ? qRound(m_actualSpeed[ch]) : 0; }
int SimController::heater() const { return m_heater; }
int SimController::autoHeater() const { return m_autoHeater; }
int SimController::operationMinutes() const { return m_operationMinutes; }

int SimController::errorByte() const
{
    return (faults.hoodOpen ? 0x02 : 0) | (faults.zoneErrorBits & 0xFC);
}

int SimController::stateByte() const
{
    const TypeSetup &s = setupOf(m_kind);
    int bits = 0;
    for (int ch = 1; ch <= s.zoneChannels; ++ch) {
        if (!zoneReady(ch))
            bits |= 1 << (ch - 1);
    }
    if (actualSpeed(1) != m_targetSpeed[1])
        bits |= 1 << s.zoneChannels;
    return bits;
}

int SimController::measuringChannel() const { return setupOf(m_kind).measuringChannel; }

int SimController::measuringValue() const
{
    return measuringChannel() ? actualTemp(measuringChannel()) : 0;
}

void SimController::setActualTemp(int ch, int value)
{
    if (validChannel(ch))
        m_actualTemp[ch] = value;
}

} // namespace vardsim
