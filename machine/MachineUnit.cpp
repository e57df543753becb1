#include "machine/MachineUnit.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <optional>

#include "app/GlobalUnit.h"
#include "app/TextCodec.h"
#include "measure/ObjMessungUnit.h"

quint32 TickCount()
{
    using namespace std::chrono;
    return static_cast<quint32>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

// A protocol value: decimal with an optional sign, kept as its low 16 bits.
std::optional<qint16> toValue(const QByteArray &text)
{
    if (text.isEmpty())
        return std::nullopt;
    qsizetype i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint16>(static_cast<quint16>(static_cast<quint64>(v) & 0xFFFFu));
}

// The assignments of a write command in order: letter, channel, value.
struct Assignment {
    char letter;
    int channel;
    qint16 value;
};

std::vector<Assignment> assignmentsOf(const QByteArray &command)
{
    std::vector<Assignment> out;
    const QByteArray body = command.startsWith("W:") ? command.mid(2) : command;
    for (const QByteArray &field : body.split(';')) {
        const qsizetype eq = field.indexOf('=');
        if (field.size() < 3 || eq < 2)
            continue;
        bool chOk = false, vOk = false;
        const int ch = field.mid(1, eq - 1).toInt(&chOk);
        const int v = field.mid(eq + 1).toInt(&vOk);
        if (chOk && vOk)
            out.push_back({field[0], ch, static_cast<qint16>(v)});
    }
    return out;
}

// Restarts the refresh timer however a poll step ends.
struct RestartOnExit {
    QTimer &timer;
    ~RestartOnExit() { timer.start(); }
};

} // namespace

struct TMachine::ZoneRow {
    const char *name; // untranslated
    int boxL, boxR, boxT, boxB;
    int temp;
    bool settable, infrared;
    int fan, speed, heater, stateBit, errorBit;
    int labelX, labelY;
    const char *tempLabel, *fanLabel, *speedLabel;
};

TMachine::TMachine(TThreadCom::DeviceFactory factory, QObject *parent)
    : QObject(parent), m_com(std::make_unique<TCom>())
{
    m_com->HandshakeRequest = "R:S0;C0=ACK;";
    m_com->HandshakeReply = "A:S0";
    if (factory) {
        m_thread = std::make_unique<TThreadCom>(m_com.get(), std::move(factory));
        m_thread->start();
    }

    m_refreshInterval = ReadSettingInt(QStringLiteral("Machine"), QStringLiteral("RefreshCount"), 1000);
    if (m_refreshInterval < 1000 || m_refreshInterval > 9000)
        m_refreshInterval = 1000;
    // Precise: a coarse timer may fire 5 % early, and a sample must not.
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    m_refreshTimer.setInterval(m_refreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TMachine::RefreshTick);
    m_refreshTimer.start();

    m_measureTimer.setTimerType(Qt::PreciseTimer);
    m_measureTimer.setInterval(500);
    connect(&m_measureTimer, &QTimer::timeout, this, &TMachine::MeasureTick);
    m_measureExchange.setInterval(kMeasurePollMs);
    connect(&m_measureExchange, &QTimer::timeout, this, &TMachine::continueMeasureExchange);
}

TMachine::~TMachine()
{
    m_refreshTimer.stop();
    m_measureTimer.stop();
    m_measureExchange.stop();
    if (m_thread) {
        m_thread->requestInterruption();
        m_thread->wait();
        Q_ASSERT(m_thread->HasFinished());
        m_thread.reset();
    }
    m_com.reset();
}

// ---------------------------------------------------------------- protocol

int TMachine::Checksum(const QByteArray &text)
{
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return static_cast<int>(sum % 256);
}

void TMachine::trace(const QByteArray &line)
{
    if (m_tracing)
        emit traceLineAdded(vard::fromCp1252(line));
}

void TMachine::SendRequest(const QByteArray &text)
{
    m_lastExchangeOk = false;
    adoptConnectionAtStart();
    const QByteArray line = text + "C1=" + QByteArray::number(Checksum(text)) + ';';
    if (!m_com->PostRequest(line.toStdString(), m_connection))
        return;
    m_lastExchangeOk = true;
    trace(line);
}

QByteArray TMachine::TakeReply(const QByteArray &previous)
{
    m_lastExchangeOk = false;
    adoptConnectionAtStart();
    const auto reply = m_com->TakeReply(m_connection);
    if (!reply)
        return previous;
    m_lastExchangeOk = true;
    const std::string stray = m_com->TakeDiscarded();
    if (m_tracing && !stray.empty())
        emit traceLineAdded(tr("Discarded: %1").arg(vard::fromCp1252(QByteArray::fromStdString(stray))));
    const QByteArray line = QByteArray::fromStdString(*reply);

    const qsizetype c1 = line.indexOf("C1=");
    std::optional<int> received;
    if (c1 >= 0) {
        const qsizetype semicolon = line.indexOf(';', c1 + 3);
        if (semicolon >= 0) {
            bool ok = false;
            const int v = line.mid(c1 + 3, semicolon - c1 - 3).toInt(&ok, 10);
            if (ok)
                received = v;
        }
    }
    QByteArray payload;
    if (received && *received == Checksum(line.left(c1)))
        payload = line.left(c1);
    else if (line.contains("C0=ACK;"))
        payload = received ? line.left(c1) : line.left(line.indexOf("C0="));
    if (!line.isEmpty())
        trace(line);
    return payload;
}

QByteArray TMachine::ReplyField(const QByteArray &payload, int n)
{
    if (n < 1)
        return {};
    qsizetype start = -1;
    if (n == 1) {
        const qsizetype colon = payload.indexOf(':');
        if (colon >= 0)
            start = colon + 1;
    } else {
        qsizetype pos = -1;
        for (int k = 1; k < n; ++k) {
            pos = payload.indexOf(';', pos + 1);
            if (pos < 0)
                return {};
        }
        start = pos + 1;
    }
    if (start < 0)
        return {};
    const qsizetype end = payload.indexOf(';', start);
    if (end < 0)
        return {};
    return payload.mid(start, end - start).toUpper();
}

QByteArray TMachine::SubValue(const QByteArray &field, int n)
{
    const qsizetype eq = field.indexOf('=');
    const QList<QByteArray> values = (eq < 0 ? field : field.mid(eq + 1)).split(',');
    if (n < 1 || n > values.size())
        return {};
    return values[n - 1];
}

// ---------------------------------------------------------------- types and zones

void TMachine::IdentifyMachine(const QString &text)
{
    m_machineName = text;
    const qsizetype blank = text.indexOf(u' ');
    const QString word = blank < 0 ? QString() : text.left(blank).toUpper();
    int type = 0;
    if (word == QLatin1String("4QTR"))
        type = 1;
    else if (word == QLatin1String("362.04"))
        type = 2;
    else if (word == QLatin1String("362.07"))
        type = 3;
    else if (word == QLatin1String("362.10"))
        type = 4;
    SetMachineType(type);
}

TZone *TMachine::GetZone(int position) const
{
    return position >= 0 && position < ZoneCount() ? m_zones[static_cast<size_t>(position)].get() : nullptr;
}

void TMachine::ReleaseZones()
{
    while (!m_zones.empty())
        m_zones.pop_back(); // last first
}

void TMachine::SetMachineType(int type)
{
    if (type == m_machineType)
        return;
    ReleaseZones();
    emit typeSwitchStarted();
    m_machineType = type;
    switch (type) {
    case 1: SetupZones4QTR(); break;
    case 2:
    case 3: SetupZones362_0x(); break;
    case 4: SetupZones362_10(); break;
    default: SetupDefault(); break;
    }
    forgetMachineValues(); // another machine, or none: nothing of the last one is known
    m_stateSeen.reset(); // the next values reply gives the new machine's state in one line
    m_historySegment = -1; // and the history a segment of its own
    if (type != 0)
        emit logLineAdded(tr("Connected with %1").arg(m_machineName));
    else
        emit logLineAdded(tr("Connection lost"));
    emit machineTypeChanged(type);
}

QString TMachine::zoneName(const char *source)
{
    // Not a text to translate: the same in every language.
    if (qstrcmp(source, "Startup") == 0)
        return QString::fromLatin1(source);
    return tr(source);
}

void TMachine::RetranslateZones()
{
    QStringList names;
    for (const auto &zone : m_zones) {
        zone->Name = zoneName(zone->NameSource);
        names.append(zone->Name);
    }
    if (!m_zones.empty())
        emit zonesRenamed(names);
}

void TMachine::setupType(const QByteArray &settings, const QByteArray &values, const QByteArray &measure,
                         int fieldCount, const QString &family, const std::vector<ZoneRow> &rows,
                         bool operationTime, const QString &picture, const QStringList &labels)
{
    m_settingsRequest = settings;
    m_valuesRequest = values;
    m_measureRequest = measure;
    m_settingsFieldCount = fieldCount;

    QStringList selector;
    for (const ZoneRow &r : rows) {
        auto zone = std::make_unique<TZone>();
        zone->MaxTemp = ReadMaxTemp(family, ZoneCount());
        zone->NameSource = r.name;
        zone->Name = zoneName(r.name);
        zone->BoxLeft = zone->ViewLeft = r.boxL;
        zone->BoxRight = zone->ViewRight = r.boxR;
        zone->BoxTop = zone->ViewTop = r.boxT;
        zone->BoxBottom = zone->ViewBottom = r.boxB;
        zone->TempChannel = r.temp;
        zone->TempSettable = r.settable;
        zone->IsInfrared = r.infrared;
        zone->FanChannel = r.fan;
        zone->SpeedChannel = r.speed;
        zone->HeaterChannel = r.heater;
        zone->StateBit = r.stateBit;
        zone->ErrorBit = r.errorBit;
        zone->LabelX = r.labelX;
        zone->LabelY = r.labelY;
        zone->TempLabel = QString::fromLatin1(r.tempLabel);
        zone->FanLabel = QString::fromLatin1(r.fanLabel);
        zone->SpeedLabel = QString::fromLatin1(r.speedLabel);
        if ((zone->TempChannel != 0 && zone->TempSettable) || zone->FanChannel != 0)
            selector.append(zone->Name);
        m_zones.push_back(std::move(zone));
    }
    emit zoneSelectorFilled(selector);
    emit operationTimeVisibilityChanged(operationTime);
    emit pictureChosen(picture);
    emit labelsShown(labels);
}

void TMachine::SetupZones4QTR()
{
    // clang-format off
    const std::vector<ZoneRow> rows = {
        {"Startup",                  20, 150, 30, 260,   1, true,  false, 0, 0, 0, 1, 3, 155, 120, "lblTemp0", "", ""},
        {QT_TR_NOOP("Preheat 1"),    165, 295, 30, 260,   2, true,  false, 1, 0, 0, 2, 5, 245, 120, "lblTemp1", "lblFan1", ""},
        {QT_TR_NOOP("Preheat 2"),    310, 440, 30, 260,   3, true,  false, 2, 0, 0, 3, 6, 365, 120, "lblTemp2", "lblFan2", ""},
        {QT_TR_NOOP("Peak"),         455, 585, 30, 260,   4, true,  false, 3, 0, 0, 4, 7, 485, 120, "lblTemp3", "lblFan3", ""},
        {QT_TR_NOOP("Underground"),  20, 585, 335, 395,  5, true,  false, 0, 0, 0, 5, 4, 380, 250, "lblTemp5", "", ""},
        {QT_TR_NOOP("Cooling 1"),    600, 730, 30, 260,   6, false, false, 0, 0, 0, 0, 0, 580, 120, "lblTemp4", "", ""},
        {QT_TR_NOOP("Cooling 2"),    0,   0,  0,   0,   0, false, false, 0, 0, 0, 0, 0,   0,   0, "", "", ""},
        {QT_TR_NOOP("Transfer"),     20, 730, 270, 325,  0, false, false, 0, 1, 0, 6, 2, 690, 215, "", "", "lblChain"},
        {QT_TR_NOOP("Heater"),       600, 730, 335, 395,  0, false, false, 0, 0, 1, 0, 0,   0,   0, "", "", ""},
    };
    // clang-format on
    setupType("R:ST;SF;SV;M1;", "R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;", QByteArray(), 4,
              QStringLiteral("4QTR"), rows, true, QStringLiteral("LMImages/LM4QTR.bmp"),
              {QStringLiteral("lblTemp0"), QStringLiteral("lblTemp1"), QStringLiteral("lblTemp2"),
               QStringLiteral("lblTemp3"), QStringLiteral("lblTemp4"), QStringLiteral("lblTemp5"),
               QStringLiteral("lblFan1"), QStringLiteral("lblFan2"), QStringLiteral("lblFan3"),
               QStringLiteral("lblChain"), QStringLiteral("shapeMachineStatus")});
}

void TMachine::SetupZones362_0x()
{
    const bool is04 = m_machineType == 2;
    // clang-format off
    const std::vector<ZoneRow> rows = {
        {QT_TR_NOOP("Convection"),   250, 690, 35, 245, 1, true, false, 0, 0, 0, 1, 3, 372, 216, "lblTemp0", "", ""},
        {QT_TR_NOOP("Infrared"),     50, 230, 35, 245, 2, true, true,  0, 0, 0, 2, 4, is04 ? 315 : 250, is04 ? 217 : 222, "lblTemp1", "", ""},
        {QT_TR_NOOP("Transfer"),     30, 720, 260, 315, 0, false, false, 0, 1, 0, 3, 2, is04 ? 336 : 291, is04 ? 252 : 272, "", "", "lblChain"},
        {QT_TR_NOOP("Heater"),       600, 730, 335, 395, 0, false, false, 0, 0, 1, 0, 0, 0, 0, "", "", ""},
    };
    // clang-format on
    setupType("R:ST;SF;SV;", "R:T1;F1;V1;H1;S1;S2;", "R:T3;", 3, QStringLiteral("362.0x"), rows, false,
              is04 ? QStringLiteral("LMImages/LM362_04.bmp") : QStringLiteral("LMImages/LM362_07.bmp"),
              {QStringLiteral("lblTemp0"), QStringLiteral("lblTemp1"), QStringLiteral("lblChain")});
}

void TMachine::SetupZones362_10()
{
    // clang-format off
    const std::vector<ZoneRow> rows = {
        {QT_TR_NOOP("Convection"),   250, 480, 35, 245, 1, true, false, 1, 0, 0, 1, 3, 380, 165, "lblTemp2", "lblFan2", ""},
        {QT_TR_NOOP("Infrared 1"),   50, 230, 35, 245, 2, true, false, 0, 0, 0, 2, 4, 196, 207, "lblTemp0", "", ""},
        {QT_TR_NOOP("Infrared 2"),   500, 680, 35, 245, 3, true, false, 0, 0, 0, 3, 5, 544, 207, "lblTemp1", "", ""},
        {QT_TR_NOOP("Transfer"),     30, 720, 260, 315, 0, false, false, 0, 1, 0, 4, 2, 676, 252, "", "", "lblChain"},
        {QT_TR_NOOP("Heater"),       600, 730, 335, 395, 0, false, false, 0, 0, 1, 0, 0, 0, 0, "", "", ""},
    };
    // clang-format on
    setupType("R:ST;SF;SV;", "R:T1;T2;T3;F1;V1;H1;S1;S2;", "R:T4;", 3, QStringLiteral("362.10"), rows, false,
              QStringLiteral("LMImages/LM362_10.bmp"),
              {QStringLiteral("lblTemp0"), QStringLiteral("lblTemp1"), QStringLiteral("lblTemp2"),
               QStringLiteral("lblFan2"), QStringLiteral("lblChain")});
}

void TMachine::SetupDefault()
{
    m_settingsRequest.clear();
    m_valuesRequest.clear();
    m_measureRequest.clear();
    m_settingsFieldCount = 0;
    emit pictureChosen(QStringLiteral("LMImages/Default.bmp"));
}

// ---------------------------------------------------------------- poll cycle

bool TMachine::IsConnected() const
{
    return m_com->Connected.load(std::memory_order_acquire);
}

void TMachine::adoptConnectionAtStart()
{
    if (m_pollState == psStart)
        m_connection = m_com->ConnectionCount();
}

bool TMachine::LinkLost() const
{
    // In psStart nothing of an earlier connection is left over, so a new count there is
    // simply the link the cycle is about to identify.
    return !IsConnected() || (m_com->ConnectionCount() != m_connection && m_pollState != psStart);
}

void TMachine::forgetMachineValues()
{
    m_heaterKnown.fill(false);
    m_settingsRead = false;
}

void TMachine::dropConnection()
{
    forgetMachineValues();
    m_pendingCommand.clear();
    m_sentCommand.clear();
    m_sendRequested = false;
    m_pollState = psStart;
    m_machineName.clear();
    m_measurePending = false;
    m_retryWait = 0;
    m_reportedNotUnderstood = false;
    // The screen and the cycle switch the type together, whoever notices first.
    SetMachineType(0);
}

void TMachine::notUnderstood(const QByteArray &payload)
{
    if (!m_reportedNotUnderstood) {
        m_reportedNotUnderstood = true;
        emit logLineAdded(tr("Reply of the machine not understood: %1").arg(vard::fromCp1252(payload)));
    }
    m_retryWait = kRetryTicks;
}

bool TMachine::inMeasurableState() const
{
    return m_pollState == psReadSettings || m_pollState == psReadValues || m_pollState == psWrite;
}

void TMachine::send(const QByteArray &text)
{
    SendRequest(text);
    if (m_lastExchangeOk)
        m_requestInFlight = true;
}

bool TMachine::Poll()
{
    m_refreshTimer.stop();
    RestartOnExit restart{m_refreshTimer};

    if (LinkLost()) {
        dropConnection();
        return true;
    }
    adoptConnectionAtStart();
    if (m_pollState == psMeasure)
        return stepMeasure();
    stepRegular();
    return false;
}

void TMachine::stepRegular()
{
    switch (m_pollState) {
    case psStart:
        m_requestInFlight = false;
        m_pollState = psIdentify;
        break;
    case psIdentify: stepIdentify(); break;
    case psReadSettings: stepReadSettings(); break;
    case psReadValues: stepReadValues(); break;
    case psWrite: stepWrite(); break;
    case psMeasure: break;
    }
}

void TMachine::stepIdentify()
{
    if (!m_requestInFlight) {
        if (m_retryWait > 0) {
            --m_retryWait;
            return;
        }
        send("R:S0;");
        return;
    }
    const QByteArray payload = TakeReply();
    if (!m_lastExchangeOk)
        return;
    m_requestInFlight = false;
    const QByteArray f = ReplyField(payload, 1);
    if (!f.startsWith("S0="))
        return;
    IdentifyMachine(vard::fromCp1252(f.mid(3)));
    if (m_machineType != 0) {
        m_pollState = psReadSettings;
        return;
    }
    // A machine we do not know: going on would poll it with empty requests for good.
    m_machineName.clear();
    notUnderstood(payload);
}

void TMachine::stepReadSettings()
{
    if (!m_requestInFlight) {
        if (m_retryWait > 0) {
            --m_retryWait;
            return;
        }
        send(m_settingsRequest);
        return;
    }
    const QByteArray payload = TakeReply();
    if (!m_lastExchangeOk)
        return;
    m_requestInFlight = false;
    if (payload.isEmpty())
        return;
    int recognised = 0;
    auto storeValues = [&](const QByteArray &field, Block block, int count) {
        for (int n = 1; n <= count; ++n) {
            if (const auto v = toValue(SubValue(field, n)))
                store(block, n, *v);
        }
        ++recognised;
    };
    for (int n = 1; n <= 4; ++n) {
        const QByteArray f = ReplyField(payload, n);
        const QByteArray name = f.left(3);
        if (name == "ST=")
            storeValues(f, kTargetTemp, 5);
        else if (name == "SF=")
            storeValues(f, kTargetFan, 3);
        else if (name == "SV=")
            storeValues(f, kTargetSpeed, 1);
        else if (name == "M1=")
            storeValues(f, kAutoHeater, 1);
    }
    if (recognised == m_settingsFieldCount) {
        m_settingsRead = true;
        m_pollState = psReadValues;
    }
    else
        notUnderstood(payload);
}

void TMachine::stepReadValues()
{
    if (!m_requestInFlight) {
        send(m_valuesRequest);
        return;
    }
    const QByteArray payload = TakeReply();
    if (!m_lastExchangeOk)
        return;
    bool sawState = false;
    for (int n = 1;; ++n) {
        const QByteArray f = ReplyField(payload, n);
        if (f.isEmpty())
            break;
        const int channel = f.size() > 1 && f[1] >= '0' && f[1] <= '9' ? f[1] - '0' : 0;
        constexpr qint16 kNoValue = 32767;
        qint16 v = kNoValue;
        if (channel > 0)
            v = toValue(f.mid(3)).value_or(kNoValue);
        if (f.size() < 3 || f[2] != '=' || channel == 0 || v == kNoValue)
            continue;
        switch (f[0]) {
        case 'T': store(kActualTemp, channel, v); break;
        case 'F': store(kActualFan, channel, v); break;
        case 'V': store(kActualSpeed, channel, v); break;
        case 'H':
            store(kActualHeater, channel, v);
            // The machine never reports its heater setting, only its state: the first
            // state read on a connection is the setting it runs with, so that a toggle
            // or a stored profile starts from what the machine does, not from 0.
            if (!m_heaterKnown[size_t(channel)]) {
                store(kHeater, channel, v);
                m_heaterKnown[size_t(channel)] = true;
            }
            break;
        case 'S':
            sawState = sawState || channel == 1 || channel == 2;
            if (channel == 1)
                DecodeOptionFlags(static_cast<quint8>(v & 0xFF));
            else if (channel == 2)
                DecodeStatus(static_cast<quint8>(v & 0xFF));
            else if (channel == 3)
                m_operationTime = v;
            break;
        default: break;
        }
    }
    m_requestInFlight = false;
    m_pollState = psWrite;
    // A reply without the state bytes (cut short, or a machine that leaves them out)
    // says nothing about the state: the log and the history wait for one that does.
    if (sawState) {
        logStateChanges();
        recordHistory();
        emit valuesRead();
    }
}

QStringList TMachine::HistoryZones(int segmentId) const
{
    const auto named = [](const QStringList &sources) {
        QStringList names;
        for (const QString &source : sources)
            names << zoneName(source.toLatin1().constData());
        return names;
    };
    if (const auto it = m_historyZones.constFind(segmentId); it != m_historyZones.constEnd())
        return named(*it);
    // A segment the history began by itself (the clock stepped) goes on with the names,
    // and so the zones, of the one before it.
    const auto segments = m_history.segments();
    const auto own = std::find_if(segments.cbegin(), segments.cend(), [segmentId](const auto &s) { return s.id == segmentId; });
    if (own == segments.cend())
        return {};
    for (const auto &other : segments) {
        if (other.names == own->names && m_historyZones.contains(other.id))
            return named(m_historyZones.value(other.id));
    }
    return {};
}

void TMachine::recordHistory()
{
    if (m_machineType == 0)
        return;
    if (m_historySegment < 0) {
        QStringList names;
        QStringList zones;
        for (const auto &zone : m_zones) {
            if (zone->TempChannel > 0) {
                zones << QString::fromLatin1(zone->NameSource); // named in the language shown
                names << tr("%1 actual (°C)").arg(zone->Name) << tr("%1 target (°C)").arg(zone->Name);
            }
        }
        for (const auto &zone : m_zones) {
            if (zone->FanChannel > 0)
                names << tr("%1 fan (%)").arg(zone->Name);
            if (zone->SpeedChannel > 0)
                names << tr("%1 speed (cm/min)").arg(zone->Name);
        }
        m_historySegment = m_history.beginSegment(m_machineType, names, QDateTime::currentDateTime());
        m_historyZones.insert(m_historySegment, zones);
        // Segments the ring has let go of need no zone list any more.
        QSet<int> alive;
        for (const auto &segment : m_history.segments())
            alive.insert(segment.id);
        for (auto it = m_historyZones.begin(); it != m_historyZones.end();)
            it = alive.contains(it.key()) ? std::next(it) : m_historyZones.erase(it);
    }
    std::vector<qint16> values;
    for (const auto &zone : m_zones) {
        if (zone->TempChannel > 0) {
            values.push_back(GetActualTemp(zone->TempChannel));
            values.push_back(GetTargetTemp(zone->TempChannel));
        }
    }
    for (const auto &zone : m_zones) {
        if (zone->FanChannel > 0)
            values.push_back(GetActualFan(zone->FanChannel));
        if (zone->SpeedChannel > 0)
            values.push_back(GetActualSpeed(zone->SpeedChannel));
    }
    quint8 flags = 0;
    if (!m_readyFlag)
        flags |= vard::ZoneHistory::NotInOrder;
    for (int i = 1; i <= 7; ++i)
        if (m_errorFlags[size_t(i)])
            flags |= vard::ZoneHistory::ErrorPresent;
    m_history.add(QDateTime::currentMSecsSinceEpoch(), values, flags);
    // A clock that stepped back makes the history go on in a segment of its own; it
    // has the same zones.
    const auto segments = m_history.segments();
    if (!segments.empty() && segments.back().id != m_historySegment) {
        m_historyZones.insert(segments.back().id, m_historyZones.value(m_historySegment));
        m_historySegment = segments.back().id;
    }
}

QList<int> TMachine::errorBitsWithoutZone() const
{
    QList<int> bits;
    for (int bit = 2; bit <= 7; ++bit) {
        if (std::none_of(m_zones.cbegin(), m_zones.cend(), [bit](const auto &z) { return z->ErrorBit == bit; }))
            bits << bit;
    }
    return bits;
}

QStringList TMachine::AlarmTexts() const
{
    QStringList alarms;
    if (m_machineType == 0 || !m_stateSeen)
        return alarms;
    if (m_errorFlags[1])
        alarms << tr("Hood open / Emergency off");
    for (const auto &zone : m_zones) {
        if (zone->ErrorBit >= 2 && zone->ErrorBit <= kFlagCount && m_errorFlags[size_t(zone->ErrorBit)])
            alarms << tr("%1: error").arg(zone->Name);
    }
    // A bit no zone of this type owns is still the machine saying something is wrong.
    for (int bit : errorBitsWithoutZone())
        if (m_errorFlags[size_t(bit)])
            alarms << tr("Machine error %1").arg(bit);
    return alarms;
}

QString TMachine::stateSummary(const StateSeen &seen) const
{
    QStringList parts;
    if (seen.error[1])
        parts << tr("Hood open / Emergency off");
    for (const auto &zone : m_zones) {
        if (zone->StateBit >= 1 && zone->StateBit <= kFlagCount && !seen.state[size_t(zone->StateBit)])
            parts << tr("%1: not in order").arg(zone->Name);
        if (zone->ErrorBit >= 2 && zone->ErrorBit <= kFlagCount && seen.error[size_t(zone->ErrorBit)])
            parts << tr("%1: error").arg(zone->Name);
    }
    for (int bit : errorBitsWithoutZone())
        if (seen.error[size_t(bit)])
            parts << tr("Machine error %1").arg(bit);
    const QString state = seen.ready ? tr("Ready") : tr("Not Ready");
    return parts.isEmpty() ? tr("Machine state: %1").arg(state)
                           : tr("Machine state: %1 (%2)").arg(state, parts.join(QStringLiteral("; ")));
}

void TMachine::logStateChanges()
{
    StateSeen now;
    now.ready = m_readyFlag;
    now.state = m_statusFlags;
    now.error = m_errorFlags;
    if (!m_stateSeen) {
        emit logLineAdded(stateSummary(now));
        m_stateSeen = now;
        return;
    }
    const StateSeen was = *m_stateSeen;
    m_stateSeen = now;
    if (was.ready != now.ready)
        emit logLineAdded(now.ready ? tr("Machine ready") : tr("Machine not ready"));
    if (was.error[1] != now.error[1])
        emit logLineAdded(now.error[1] ? tr("Hood open / Emergency off") : tr("Hood closed, emergency off cleared"));
    for (const auto &zone : m_zones) {
        if (const int bit = zone->StateBit; bit >= 1 && bit <= kFlagCount && was.state[size_t(bit)] != now.state[size_t(bit)])
            emit logLineAdded((now.state[size_t(bit)] ? tr("%1: in order") : tr("%1: not in order")).arg(zone->Name));
        if (const int bit = zone->ErrorBit; bit >= 2 && bit <= kFlagCount && was.error[size_t(bit)] != now.error[size_t(bit)])
            emit logLineAdded((now.error[size_t(bit)] ? tr("%1: error") : tr("%1: error cleared")).arg(zone->Name));
    }
    for (int bit : errorBitsWithoutZone())
        if (was.error[size_t(bit)] != now.error[size_t(bit)])
            emit logLineAdded((now.error[size_t(bit)] ? tr("Machine error %1") : tr("Machine error %1 cleared")).arg(bit));
}

QString TMachine::DescribeCommand(const QByteArray &command) const
{
    // Grouped by zone, in the order the values were set.
    QStringList zonesInOrder;
    QHash<QString, QStringList> values;
    const auto zoneFor = [this](char letter, int ch) -> const TZone * {
        for (const auto &zone : m_zones) {
            const int own = letter == 'T' ? zone->TempChannel
                            : letter == 'F' ? zone->FanChannel
                            : letter == 'V' ? zone->SpeedChannel
                                            : zone->HeaterChannel;
            if (own == ch)
                return zone.get();
        }
        return nullptr;
    };
    for (const Assignment &a : assignmentsOf(command)) {
        const char letter = a.letter;
        const int ch = a.channel;
        const int v = a.value;
        // The auto-heater option belongs to the machine, not to a zone.
        const TZone *zone = letter == 'M' ? nullptr : zoneFor(letter, ch);
        QString name = zone ? zone->Name : tr("Channel %1").arg(ch);
        if (letter == 'M')
            name = tr("Auto-heater");
        else if (letter == 'H' && !zone)
            name = tr("Heater");
        QString what;
        switch (letter) {
        case 'T':
            what = zone && zone->IsInfrared ? tr("IR power %1").arg(v) : tr("target %1 °C").arg(v);
            break;
        case 'F': what = tr("fan %1 %").arg(v); break;
        case 'V': what = tr("speed %1 cm/min").arg(v); break;
        case 'H':
        case 'M': what = v ? tr("on") : tr("off"); break;
        default: what = QStringLiteral("%1%2=%3").arg(QLatin1Char(letter)).arg(ch).arg(v); break;
        }
        if (!values.contains(name))
            zonesInOrder << name;
        values[name] << what;
    }
    QStringList parts;
    for (const QString &name : zonesInOrder)
        parts << name + u' ' + values.value(name).join(QStringLiteral(", "));
    return parts.join(QStringLiteral("; "));
}

void TMachine::stepWrite()
{
    if (!m_requestInFlight) {
        if (m_pendingCommand.isEmpty() || !m_sendRequested) {
            m_pollState = psReadValues;
            return;
        }
        send(m_pendingCommand);
        if (m_requestInFlight)
            m_sentCommand = m_pendingCommand;
        return;
    }
    const QByteArray payload = TakeReply();
    if (!m_lastExchangeOk)
        return;
    m_requestInFlight = false;
    if (ReplyField(payload, 1) != "ERR=0")
        return; // refused: the same command, with anything added meanwhile, goes again
    if (const QString sent = DescribeCommand(m_sentCommand); !sent.isEmpty())
        emit logLineAdded(tr("Sent: %1").arg(sent));
    emit commandAccepted(m_sentCommand);
    // Only what the machine received is done with. Changes the operator made while the
    // command was on its way stay queued and go out at the next write step.
    if (!m_sentCommand.isEmpty() && m_pendingCommand.size() > m_sentCommand.size()
        && m_pendingCommand.startsWith(m_sentCommand)) {
        m_pendingCommand = "W:" + m_pendingCommand.mid(m_sentCommand.size());
    } else {
        m_pendingCommand.clear();
        m_sendRequested = false;
    }
    m_sentCommand.clear();
    m_pollState = psReadSettings;
}

bool TMachine::stepMeasure()
{
    if (!m_requestInFlight) {
        send(m_measureRequest);
        return false;
    }
    const QByteArray payload = TakeReply();
    if (!m_lastExchangeOk)
        return false;
    const QByteArray f = ReplyField(payload, 1);
    if (!f.isEmpty()) {
        const qint16 v = toValue(f.mid(3)).value_or(0);
        const QByteArray name = f.left(f.indexOf('=') + 1);
        if (f.startsWith('T')
            && ExtractNumber(QString::fromLatin1(name)) == ExtractNumber(QString::fromLatin1(m_measureRequest))) {
            TMessungInfo *measurement = m_host ? m_host->Measurement() : nullptr;
            const quint32 start = m_host ? m_host->MeasureStart() : 0;
            const TDataRow row{TickCount() - start, static_cast<quint32>(static_cast<qint32>(v) * 10), 1};
            if (measurement && measurement->AddRow(row))
                emit sampleRecorded(measurement->RowCount() - 1);
        }
    }
    m_requestInFlight = false;
    return true;
}

void TMachine::DecodeStatus(quint8 b)
{
    for (int i = 0; i <= 7; ++i)
        m_statusFlags[static_cast<size_t>(i + 1)] = (b & (1u << i)) == 0;
    m_readyFlag = b == 0;
}

void TMachine::DecodeOptionFlags(quint8 b)
{
    for (int i = 1; i <= 7; ++i)
        m_errorFlags[static_cast<size_t>(i)] = (b & (1u << i)) != 0;
}

bool TMachine::GetStatusFlag(int index) const
{
    return index >= 1 && index <= kFlagCount && m_statusFlags[static_cast<size_t>(index)];
}

bool TMachine::GetOptionFlag(int index) const
{
    return index >= 1 && index <= kFlagCount && m_errorFlags[static_cast<size_t>(index)];
}

void TMachine::RefreshTick()
{
    takePortEvents();
    // A measurement exchange owns the mailbox until its reply is in; the cycle's step
    // comes right after it, so measuring never holds the cycle up by more than that.
    if (m_measureExchange.isActive()) {
        m_refreshOwed = true;
        return;
    }
    m_refreshBusy = true;
    Poll();
    m_refreshBusy = false;
}

void TMachine::MeasureTick()
{
    if (m_measureRequest.isEmpty() || !inMeasurableState())
        return;
    // The last exchange is still running (a slow machine): this interval has no sample.
    if (m_measureExchange.isActive())
        return;
    if (m_refreshBusy) {
        // Only a refresh step re-entered through a nested event loop leaves this set;
        // waiting here would block the very loop that clears it.
        QTimer::singleShot(kMeasureRetryMs, this, &TMachine::MeasureTick);
        return;
    }
    // The measurement timer keeps running: stopping it for the exchange would add the
    // exchange's time to every interval. The exchange runs from a short timer of its own,
    // so the windows go on meanwhile, and it never touches the refresh timer, whose ticks
    // keep their pace.
    m_measurePending = true;
    m_measureExchange.start();
    continueMeasureExchange();
}

void TMachine::continueMeasureExchange()
{
    if (LinkLost()) {
        Poll(); // the loss as every step sees it
        finishMeasureExchange();
        return;
    }
    if (m_measurePending) {
        // A request of the cycle is on its way: its reply is that step's, parsed as usual.
        if (m_requestInFlight) {
            stepRegular();
            if (m_requestInFlight)
                return;
        }
        if (!inMeasurableState() || m_measureRequest.isEmpty()) {
            finishMeasureExchange();
            return;
        }
        m_measurePending = false;
        m_interruptedState = m_pollState;
        m_pollState = psMeasure;
    }
    if (stepMeasure())
        finishMeasureExchange();
}

void TMachine::finishMeasureExchange()
{
    m_measureExchange.stop();
    m_measurePending = false;
    // A lost link has put the cycle back to psStart; only a taken reply leaves psMeasure.
    if (m_pollState == psMeasure)
        m_pollState = m_interruptedState;
    if (m_refreshOwed) {
        m_refreshOwed = false;
        RefreshTick();
    }
}

void TMachine::SetMeasuring(bool on)
{
    m_measuringOn = on;
    if (on)
        m_measureTimer.start(); // the first sample one interval after the start
    else
        m_measureTimer.stop();
}

void TMachine::SetMeasureInterval(int ms)
{
    m_measureTimer.setInterval(ms);
}

// ---------------------------------------------------------------- queued settings

bool TMachine::acceptChange(bool inRange, int ch)
{
    return inRange && ch >= 1 && ch <= kChannels && IsConnected();
}

void TMachine::queue(char letter, int ch, int v)
{
    const QByteArray assignment = letter + QByteArray::number(ch) + '=' + QByteArray::number(v) + ';';
    if (m_pendingCommand.isEmpty())
        m_pendingCommand = "W:" + assignment;
    else
        m_pendingCommand += assignment;
}


std::optional<qint16> TMachine::QueuedValue(char letter, int ch) const
{
    std::optional<qint16> last;
    for (const Assignment &a : assignmentsOf(m_pendingCommand))
        if (a.letter == letter && a.channel == ch)
            last = a.value;
    return last;
}

int TMachine::QueuedCount() const
{
    QSet<QPair<char, int>> distinct;
    for (const Assignment &a : assignmentsOf(m_pendingCommand))
        distinct.insert({a.letter, a.channel});
    return int(distinct.size());
}

void TMachine::SetTargetTemp(int ch, qint16 v)
{
    const TZone *zone = m_host ? GetZone(m_host->CurrentZone()) : nullptr;
    if (!zone)
        return;
    const bool inRange = zone->IsInfrared ? (v >= 0 && v <= 5) : (v >= 40 && v <= zone->MaxTemp);
    if (!acceptChange(inRange, ch))
        return;
    store(kTargetTemp, ch, v);
    queue('T', ch, v);
}

void TMachine::SetTargetFan(int ch, qint16 v)
{
    if (!acceptChange(v >= 50 && v <= 100, ch))
        return;
    const auto rounded = static_cast<qint16>(v / 10 * 10);
    store(kTargetFan, ch, rounded);
    queue('F', ch, rounded);
}

void TMachine::SetTargetSpeed(int ch, qint16 v)
{
    if (!acceptChange(v >= 5 && v <= 60, ch))
        return;
    store(kTargetSpeed, ch, v);
    queue('V', ch, v);
}

void TMachine::SetHeater(int ch, qint16 v)
{
    if (!acceptChange(v == 0 || v == 1, ch))
        return;
    store(kHeater, ch, v);
    m_heaterKnown[size_t(ch)] = true; // the operator's choice stands from now on
    queue('H', ch, v);
}

void TMachine::SetAutoHeater(int ch, qint16 v)
{
    if (!acceptChange(v == 0 || v == 1, ch))
        return;
    store(kAutoHeater, ch, v);
    queue('M', ch, v);
}

// ---------------------------------------------------------------- link status

int TMachine::PortNumber() const
{
    return m_com->PortNumber.load(std::memory_order_acquire);
}

QString TMachine::DeviceName(int port) const
{
    return m_thread ? m_thread->DeviceName(port) : QString();
}

void TMachine::ReloadPortNames()
{
    if (m_thread)
        m_thread->ReloadPortNames();
}

QString TMachine::PortProblemText(const PortEvent &problem)
{
    switch (problem.outcome) {
    case PortOutcome::PermissionDenied: return tr("permission denied");
    case PortOutcome::Busy: return tr("in use by another program");
    default: return problem.detail.isEmpty() ? tr("cannot be opened") : problem.detail;
    }
}

QString TMachine::PortStatusText() const
{
    if (IsConnected())
        return tr("Connected on %1").arg(DeviceName(PortNumber()));
    QStringList lines;
    const QList<PortEvent> problems = m_com->PortProblems();
    for (const PortEvent &p : problems)
        lines.append(QStringLiteral("%1: %2").arg(p.device, PortProblemText(p)));
    return lines.join(u'\n');
}

void TMachine::takePortEvents()
{
    if (m_tracing) {
        const QList<PortEvent> events = m_com->TakePortEvents();
        for (const PortEvent &e : events) {
            QString result;
            switch (e.outcome) {
            case PortOutcome::Connected: result = tr("the machine answered"); break;
            case PortOutcome::NoAnswer: result = tr("opened, no answer to the handshake"); break;
            case PortOutcome::WrongAnswer: result = tr("opened, the answer is not a machine's: %1").arg(e.detail); break;
            case PortOutcome::Missing: result = tr("not present"); break;
            default:
                result = PortProblemText(e);
                if (!e.detail.isEmpty() && e.detail != result)
                    result += QStringLiteral(" (%1)").arg(e.detail);
                break;
            }
            emit traceLineAdded(tr("Port %1: %2").arg(e.device, result));
        }
    } else {
        m_com->TakePortEvents(); // nobody watches the trace: they would only pile up
    }
    const QList<PortEvent> problems = m_com->TakeNewPortProblems();
    for (const PortEvent &p : problems) {
        QString line = tr("Cannot open %1: %2.").arg(p.device, PortProblemText(p));
        if (p.outcome == PortOutcome::PermissionDenied)
            line += u' ' + tr("The user must be in the group \"dialout\" and log in again.");
        else if (p.outcome == PortOutcome::Busy)
            line += u' ' + tr("Another program holds the port; close it or choose another port.");
        emit logLineAdded(line);
    }
}
