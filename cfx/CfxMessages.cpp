#include "cfx/CfxMessages.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <cstdlib>

namespace vard::cfx {

namespace {

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// One JSON value in compact form. QJsonDocument only writes objects and arrays, so the
// value goes out inside an array and the brackets come off again.
QByteArray compactValue(const QJsonValue &v)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

QJsonValue timeOrNull(const QDateTime &t)
{
    return t.isValid() ? QJsonValue(TimeStampText(t)) : QJsonValue(QJsonValue::Null);
}

// The SDK's Fault (CFX/Structures/Fault.cs). A plain Fault rather than the reflow oven's
// ReflowOvenFault: that one only knows belt speed faults.
//   hood open / emergency off: Cause SafetyStop (a person stopped the oven), Severity
//     Alarm (safety related, production stops).
//   zone error: Cause ElectricalFailure (heater or thermocouple), Severity Error (stops).
// Lane and Stage stay null: one lane, and the zone is named in the description.
QJsonObject faultObject(const FaultInfo &f)
{
    QString description = f.description;
    if (description.isEmpty()) {
        description = f.hood ? QStringLiteral("Hood open or emergency off")
                             : (f.zoneName.isEmpty() ? QStringLiteral("Zone error")
                                                     : QStringLiteral("Zone error: %1").arg(f.zoneName));
    }
    return QJsonObject{
        {QStringLiteral("Cause"), f.hood ? QStringLiteral("SafetyStop") : QStringLiteral("ElectricalFailure")},
        {QStringLiteral("Severity"), f.hood ? QStringLiteral("Alarm") : QStringLiteral("Error")},
        {QStringLiteral("FaultCode"), f.hood ? kFaultCodeHoodOpen : kFaultCodeZoneError},
        {QStringLiteral("FaultOccurrenceId"), uuidText(f.occurrenceId)},
        {QStringLiteral("Lane"), QJsonValue::Null},
        {QStringLiteral("Stage"), QJsonValue::Null},
        {QStringLiteral("SideLocation"), QStringLiteral("Unknown")},
        {QStringLiteral("AccessType"), QStringLiteral("Unknown")},
        {QStringLiteral("Description"), description},
        {QStringLiteral("DescriptionTranslations"), QJsonValue::Null},
        {QStringLiteral("OccurredAt"), timeOrNull(f.occurred)},
        {QStringLiteral("DueDateTime"), QJsonValue::Null},
    };
}

QString zoneTypeName(ZoneKind k)
{
    switch (k) {
    case ZoneKind::PreHeat: return QStringLiteral("PreHeat");
    case ZoneKind::Soak: return QStringLiteral("Soak");
    case ZoneKind::Reflow: return QStringLiteral("Reflow");
    case ZoneKind::Cool: return QStringLiteral("Cool");
    }
    return QStringLiteral("PreHeat");
}

QJsonObject setpoint(const QString &type, double value)
{
    return QJsonObject{{QStringLiteral("SubZone"), QStringLiteral("WholeZone")},
                       {QStringLiteral("SetpointType"), type},
                       {QStringLiteral("Setpoint"), value}};
}

QJsonObject reading(const QString &type, double value)
{
    return QJsonObject{{QStringLiteral("SubZone"), QStringLiteral("WholeZone")},
                       {QStringLiteral("ReadingType"), type},
                       {QStringLiteral("ReadingValue"), value}};
}

// One ReflowZoneData (CFX/Structures/SolderReflow/ReflowZoneData.cs). The oven controls a
// zone as a whole, so every value is on SubZone WholeZone. A value the machine did not
// give is left out of the list rather than sent as null: a receiver charting Setpoint or
// ReadingValue would read null as 0 °C. The lists themselves are always there.
// Infrared zones are power controlled: their setpoint and reading are PowerLevel (%).
// The fan's setpoint is a Level (a plain number, here %); the SDK has no reading type for
// a fan level, so the fan's actual value does not go out.
QJsonObject zoneData(const ZoneReading &z)
{
    const QString heater = z.infrared ? QStringLiteral("PowerLevel") : QStringLiteral("Temperature");
    QJsonArray setpoints;
    if (z.setpoint)
        setpoints.append(setpoint(heater, *z.setpoint));
    if (z.fanSetpoint)
        setpoints.append(setpoint(QStringLiteral("Level"), *z.fanSetpoint));
    QJsonArray readings;
    if (z.reading)
        readings.append(reading(heater, *z.reading));
    const QJsonObject zone{{QStringLiteral("ReflowZoneType"), zoneTypeName(z.kind)},
                           {QStringLiteral("StageSequence"), z.position},
                           {QStringLiteral("StageName"), z.name},
                           {QStringLiteral("StageType"), QStringLiteral("Work")}};
    return QJsonObject{{QStringLiteral("Zone"), zone},
                       {QStringLiteral("Setpoints"), setpoints},
                       {QStringLiteral("Readings"), readings}};
}

} // namespace

QString TimeStampText(const QDateTime &t)
{
    if (!t.isValid())
        return QString();
    const QDate d = t.date();
    const QTime time = t.time();
    QString text = QStringLiteral("%1-%2-%3T%4:%5:%6")
                       .arg(d.year(), 4, 10, QLatin1Char('0'))
                       .arg(twoDigits(d.month()), twoDigits(d.day()), twoDigits(time.hour()),
                            twoDigits(time.minute()), twoDigits(time.second()));
    if (const int ms = time.msec(); ms != 0) {
        QString fraction = QStringLiteral("%1").arg(ms, 3, 10, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        text += QLatin1Char('.') + fraction;
    }
    if (t.timeSpec() == Qt::UTC)
        return text + QLatin1Char('Z');
    const int offset = t.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    text += offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    return text + twoDigits(minutes / 60) + QLatin1Char(':') + twoDigits(minutes % 60);
}

QString DurationText(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return QString();
    constexpr qint64 kTicksPerSecond = 10'000'000; // a TimeSpan counts 100 ns ticks
    const qint64 ticks = std::llround(seconds * kTicksPerSecond);
    const qint64 whole = ticks / kTicksPerSecond;
    const qint64 fraction = ticks % kTicksPerSecond;
    const qint64 days = whole / 86400;
    QString text;
    if (days > 0)
        text = QString::number(days) + QLatin1Char('.');
    text += twoDigits(int(whole % 86400 / 3600)) + QLatin1Char(':') + twoDigits(int(whole % 3600 / 60))
          + QLatin1Char(':') + twoDigits(int(whole % 60));
    if (fraction != 0)
        text += QStringLiteral(".%1").arg(fraction, 7, 10, QLatin1Char('0'));
    return text;
}

// Follows CFX.CFXEnvelope (CFX/CFXEnvelope.cs). The members go out in the SDK's order, so
// a message looks the same in a broker's browser as one from any other endpoint.
QByteArray Envelope(const QString &messageName, const QJsonObject &body, const EnvelopeInfo &info)
{
    QJsonObject typedBody = body;
    typedBody.insert(QStringLiteral("$type"), messageName + QStringLiteral(", CFX"));
    const QDateTime when = info.timeStamp.isValid() ? info.timeStamp : QDateTime::currentDateTime();
    const QUuid id = info.uniqueId.isNull() ? QUuid::createUuid() : info.uniqueId;

    QByteArray out;
    out += "{\"MessageName\":" + compactValue(messageName);
    out += ",\"Version\":" + compactValue(kCfxVersion);
    out += ",\"TimeStamp\":" + compactValue(TimeStampText(when));
    out += ",\"UniqueID\":" + compactValue(uuidText(id));
    out += ",\"Source\":" + compactValue(textOrNull(info.source));
    out += ",\"Target\":null,\"RequestID\":null";
    out += ",\"MessageBody\":" + QJsonDocument(typedBody).toJson(QJsonDocument::Compact);
    out += '}';
    return out;
}

// Follows CFX.EndpointConnected (CFX/EndpointConnected.cs).
QJsonObject EndpointConnected(const EndpointInfo &e)
{
    return QJsonObject{{QStringLiteral("CFXHandle"), e.handle},
                       {QStringLiteral("RequestNetworkUri"), textOrNull(e.requestUri)},
                       {QStringLiteral("RequestTargetAddress"), textOrNull(e.targetAddress)}};
}

// Follows CFX.Heartbeat (CFX/Heartbeat.cs). ActiveFaults null means "not known", an
// empty list "none"; ActiveRecipes null: the profile goes out in its own message.
QJsonObject Heartbeat(const QString &handle, int heartbeatSeconds,
                      const std::optional<std::vector<FaultInfo>> &activeFaults)
{
    QJsonValue faults = QJsonValue::Null;
    if (activeFaults) {
        QJsonArray list;
        for (const FaultInfo &f : *activeFaults)
            list.append(faultObject(f));
        faults = list;
    }
    return QJsonObject{{QStringLiteral("CFXHandle"), handle},
                       {QStringLiteral("HeartbeatFrequency"), DurationText(qMax(0, heartbeatSeconds))},
                       {QStringLiteral("ActiveFaults"), faults},
                       {QStringLiteral("ActiveRecipes"), QJsonValue::Null}};
}

// The SDK's ResourceState (CFX/Structures/ResourceState.cs, after SEMI E10):
//   Ready     -> 1100 PRD_RegularWork: at its setpoints with the conveyor running the oven
//                does its work whether or not a board is inside; nothing tells us which.
//   NotReady  -> 4500 SDT_Setup: heating or cooling towards the profile just sent.
//   HoodOpen  -> 5300 USD_Repair: someone has opened the oven or pressed emergency off;
//                production is stopped for an intervention.
//   ZoneError -> 5100 USD_UserMaintentanceDelay (the SDK's spelling): a zone has failed
//                and waits for maintenance.
//   LinkLost  -> 5000 USD: we cannot see the machine. A switched-off oven and a pulled
//                cable look the same; calling it planned time would hide the cable from
//                the line's availability figures.
QString ResourceStateName(Condition c)
{
    switch (c) {
    case Condition::Ready: return QStringLiteral("PRD_RegularWork");
    case Condition::NotReady: return QStringLiteral("SDT_Setup");
    case Condition::HoodOpen: return QStringLiteral("USD_Repair");
    case Condition::ZoneError: return QStringLiteral("USD_UserMaintentanceDelay");
    case Condition::LinkLost: return QStringLiteral("USD");
    }
    return QStringLiteral("USD");
}

int ResourceStateCode(Condition c)
{
    switch (c) {
    case Condition::Ready: return 1100;
    case Condition::NotReady: return 4500;
    case Condition::HoodOpen: return 5300;
    case Condition::ZoneError: return 5100;
    case Condition::LinkLost: return 5000;
    }
    return 5000;
}

// Follows CFX.ResourcePerformance.StationStateChanged
// (CFX/ResourcePerformance/StationStateChanged.cs). OldStateDuration is null when the
// time in the old state is not known (after a start, say), which the SDK allows.
QJsonObject StationStateChanged(const StateChange &s)
{
    QJsonValue related = QJsonValue::Null;
    if (s.faultDetails) {
        FaultInfo f = *s.faultDetails;
        if (f.occurrenceId.isNull())
            f.occurrenceId = s.relatedFault;
        related = faultObject(f);
    } else if (!s.relatedFault.isNull()) {
        FaultInfo f;
        f.occurrenceId = s.relatedFault;
        f.hood = s.newCondition == Condition::HoodOpen;
        related = faultObject(f);
    }
    const QString duration = DurationText(s.oldStateSeconds);
    // ResourceState carries a string enum converter and each member an EnumMember value
    // of its code, so the SDK writes the code as a string: "1100", not 1100.
    return QJsonObject{{QStringLiteral("OldState"), QString::number(ResourceStateCode(s.oldCondition))},
                       {QStringLiteral("OldStateDuration"), textOrNull(duration)},
                       {QStringLiteral("NewState"), QString::number(ResourceStateCode(s.newCondition))},
                       {QStringLiteral("RelatedFault"), related}};
}

// Follows CFX.ResourcePerformance.FaultOccurred (CFX/ResourcePerformance/FaultOccurred.cs).
// Fault is declared as the base Fault and this is one, so it carries no "$type".
QJsonObject FaultOccurred(const FaultInfo &f)
{
    return QJsonObject{{QStringLiteral("Fault"), faultObject(f)}};
}

// Follows CFX.ResourcePerformance.FaultCleared (CFX/ResourcePerformance/FaultCleared.cs)
// and its Operator (CFX/Structures/Operator.cs). Vard knows the operator only by the one
// name the log-in gives, so it is both the identifier and the login name.
QJsonObject FaultCleared(const FaultInfo &f, const QString &operatorOrEmpty)
{
    QJsonValue op = QJsonValue::Null;
    if (!operatorOrEmpty.isEmpty()) {
        op = QJsonObject{{QStringLiteral("OperatorIdentifier"), operatorOrEmpty},
                         {QStringLiteral("ActorType"), QStringLiteral("Human")},
                         {QStringLiteral("LastName"), QJsonValue::Null},
                         {QStringLiteral("FirstName"), QJsonValue::Null},
                         {QStringLiteral("LoginName"), operatorOrEmpty}};
    }
    return QJsonObject{{QStringLiteral("FaultOccurrenceId"), uuidText(f.occurrenceId)},
                       {QStringLiteral("Operator"), op}};
}

// Follows CFX.ResourcePerformance.ProcessDataRecorded
// (CFX/ResourcePerformance/ProcessDataRecorded.cs) with
// CFX.Structures.SolderReflow.ReflowProcessData (CFX/Structures/SolderReflow/
// ReflowProcessData.cs). ProcessData is declared as the base class, so it names its type.
// The SDK's conveyor speeds are in cm/min like ours: no conversion. They are plain
// doubles there; an unknown one is left out (a C# receiver then reads 0) rather than
// sent as null, which such a receiver cannot read at all.
QJsonObject ProcessDataRecorded(const ReflowSnapshot &r)
{
    QJsonObject data{{QStringLiteral("$type"), QStringLiteral("CFX.Structures.SolderReflow.ReflowProcessData, CFX")}};
    if (r.conveyorSpeed)
        data.insert(QStringLiteral("ConveyorSpeed"), *r.conveyorSpeed);
    if (r.conveyorSetpoint)
        data.insert(QStringLiteral("ConveyorSpeedSetpoint"), *r.conveyorSetpoint);
    QJsonArray zones;
    for (const ZoneReading &z : r.zones)
        zones.append(zoneData(z));
    data.insert(QStringLiteral("ZoneData"), zones);
    return QJsonObject{{QStringLiteral("ProcessData"), data}};
}

// Follows CFX.Production.RecipeActivated (CFX/Production/RecipeActivated.cs). A profile is
// the oven's recipe, and sending it makes it the active one; that is what receivers track
// recipe changes by. StationParametersModified would fit the zone values but says itself
// it is not for recipe settings. RecipeActivated has no place for the profile's text or
// its values, so they are not sent; the zones' new setpoints reach the line with the next
// ProcessDataRecorded. The numbers the SDK requires (cycle time, units, components) are
// not known for an oven and stay at the SDK's 0.
QJsonObject ProfileActivated(const ProfileSent &p)
{
    return QJsonObject{{QStringLiteral("RecipeName"), p.profileName},
                       {QStringLiteral("Revision"), QJsonValue::Null},
                       {QStringLiteral("Lane"), QJsonValue::Null},
                       {QStringLiteral("Stage"), QJsonValue::Null},
                       {QStringLiteral("ExpectedCycleTime"), 0.0},
                       {QStringLiteral("ExpectedUnitsPerWorkTransaction"), 0.0},
                       {QStringLiteral("NumberOfComponentsPerUnit"), 0.0},
                       {QStringLiteral("WorkOrderIdentifier"), QJsonValue::Null},
                       {QStringLiteral("TargetQuantity"), QJsonValue::Null},
                       {QStringLiteral("RelevantSurface"), QStringLiteral("Unspecified")},
                       {QStringLiteral("RecipeStagesInformation"), QJsonArray()}};
}

QString ProfileActivatedName()
{
    return kRecipeActivated;
}

} // namespace vard::cfx
