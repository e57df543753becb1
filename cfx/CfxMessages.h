#pragma once
// The CFX messages Vard publishes, as the JSON the line's other endpoints expect: the
// property names, enum spellings, time and duration texts and null handling of the
// public CFX SDK (C#, Newtonsoft.Json with its default settings). Pure functions, no
// networking: the link and the spool carry the bytes Envelope() returns.
//
// Each builder returns the message body without "$type"; Envelope() adds it, the way the
// SDK's envelope marks the body's class ("CFX.ResourcePerformance.FaultOccurred, CFX").
// Objects come out with their keys sorted (QJsonObject); receivers read JSON by name, so
// only the envelope keeps the SDK's member order, for people reading raw messages.

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>
#include <vector>

namespace vard::cfx {

// The revision of the message set these builders follow (the SDK's CFXEnvelope.CFXVERSION).
inline const QString kCfxVersion = QStringLiteral("2.1");

inline const QString kEndpointConnected = QStringLiteral("CFX.EndpointConnected");
inline const QString kHeartbeat = QStringLiteral("CFX.Heartbeat");
inline const QString kStationStateChanged = QStringLiteral("CFX.ResourcePerformance.StationStateChanged");
inline const QString kFaultOccurred = QStringLiteral("CFX.ResourcePerformance.FaultOccurred");
inline const QString kFaultCleared = QStringLiteral("CFX.ResourcePerformance.FaultCleared");
inline const QString kProcessDataRecorded = QStringLiteral("CFX.ResourcePerformance.ProcessDataRecorded");
inline const QString kRecipeActivated = QStringLiteral("CFX.Production.RecipeActivated");

// The fault codes Vard reports in Fault.FaultCode. They stay as they are: dashboards and
// alarm rules on the line key on them.
inline const QString kFaultCodeHoodOpen = QStringLiteral("HOOD_OPEN");
inline const QString kFaultCodeZoneError = QStringLiteral("ZONE_ERROR");

struct EnvelopeInfo {
    QString source;       // this endpoint's CFX handle; empty: null
    QDateTime timeStamp;  // when the event happened; invalid: now
    QUuid uniqueId;       // null: a fresh one
};

// The whole message as the broker carries it (compact UTF-8 JSON). The body gets
// "$type" = "<messageName>, CFX".
QByteArray Envelope(const QString &messageName, const QJsonObject &body, const EnvelopeInfo &info);

// ISO 8601 as the SDK writes a DateTime: milliseconds with trailing zeros dropped (none
// at all on a whole second), then the offset ("+01:00", "-05:30", "+00:00"), or "Z" for
// a UTC time. Example: "2026-12-11T05:03:24.567+01:00". Empty for an invalid time.
QString TimeStampText(const QDateTime &t);

// A TimeSpan as the SDK writes it: "hh:mm:ss", "d.hh:mm:ss" from a day on, and seven
// fraction digits when there is a fraction ("00:00:01.5000000").
QString DurationText(double seconds);

struct EndpointInfo {
    QString handle;
    QString machineName{};      // e.g. "4QTR", or "" before identified
    QString softwareVersion{};
    QString requestUri{};       // where requests to this endpoint go; empty: null
    QString targetAddress{};
};
// EndpointConnected carries the handle and the request address only; the machine and
// software names have no place in it (they belong to the endpoint information a
// GetEndpointInformationRequest asks for).
QJsonObject EndpointConnected(const EndpointInfo &e);

// The machine's condition as the program sees it.
enum class Condition { LinkLost, Ready, NotReady, HoodOpen, ZoneError };
// The SDK's ResourceState member the condition maps to ("PRD_RegularWork", ...) and its
// code, which is what goes into the JSON (as a string: the SDK writes ResourceState through its
// members' EnumMember values, "1100").
QString ResourceStateName(Condition c);
int ResourceStateCode(Condition c);

struct FaultInfo {
    QUuid occurrenceId;
    bool hood = false;        // hood open / emergency off; otherwise a zone error
    QString zoneName{};       // the zone of a zone error
    QString description{};    // in English, for the line's screens
    QDateTime occurred{};     // invalid: null
};

struct StateChange {
    Condition oldCondition = Condition::LinkLost;
    Condition newCondition = Condition::LinkLost;
    double oldStateSeconds = -1;   // negative or NaN: unknown (null)
    QUuid relatedFault{};          // the fault that stopped the machine; null if none
    // The whole fault, when the caller has it; without it the related fault is described
    // from the new condition and relatedFault alone.
    std::optional<FaultInfo> faultDetails{};
};
QJsonObject StationStateChanged(const StateChange &s);

QJsonObject FaultOccurred(const FaultInfo &f);
// The faults in force go with every heartbeat, as the SDK asks ("repeated until
// cleared"): an empty list says there are none, nullopt that nobody knows (no machine).
QJsonObject Heartbeat(const QString &handle, int heartbeatSeconds,
                      const std::optional<std::vector<FaultInfo>> &activeFaults = std::nullopt);
QJsonObject FaultCleared(const FaultInfo &f, const QString &operatorOrEmpty = {});

// What a zone is for; the SDK's ReflowZoneType. The machine does not say, so the caller
// decides from its zone table.
enum class ZoneKind { PreHeat, Soak, Reflow, Cool };

struct ZoneReading {
    int position;           // 1-based
    QString name;
    bool infrared;          // setpoint and reading are the IR power in %, not °C
    std::optional<double> setpoint{}, reading{};          // °C (or IR power %)
    std::optional<double> fanSetpoint{}, fanReading{};    // %
    ZoneKind kind = ZoneKind::PreHeat;
};
struct ReflowSnapshot {
    std::optional<double> conveyorSpeed{}, conveyorSetpoint{};  // cm/min
    std::vector<ZoneReading> zones{};
};
QJsonObject ProcessDataRecorded(const ReflowSnapshot &r);

struct ProfileSent {
    QString profileName;
    QString description{};   // "Preheat 1 target 200 °C; ..."
    std::vector<std::pair<QString, QString>> parameters{};  // name, value
};
// A profile loaded and sent to the machine, as CFX.Production.RecipeActivated.
QJsonObject ProfileActivated(const ProfileSent &p);
QString ProfileActivatedName();

} // namespace vard::cfx
