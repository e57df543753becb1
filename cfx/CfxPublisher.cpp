#include "cfx/CfxPublisher.h"

#include <QCoreApplication>
#include <QDir>

#include "app/GlobalUnit.h"
#include "machine/MachineUnit.h"

using namespace vard::cfx;

namespace {

// How long dropped messages are counted before the next log line tells of them: a long
// outage with a full spool drops one message per message and must not flood the log.
constexpr int kDropReportMs = 60000;

// The zone's name as the line knows it: the machine's own, in English whatever language
// the window speaks, so dashboards and alarm rules can key on it.
QString lineName(const TZone &zone)
{
    return QString::fromLatin1(zone.NameSource);
}

ZoneKind kindOf(const TZone &zone)
{
    const QString name = lineName(zone);
    if (name.startsWith(QLatin1String("Cooling")))
        return ZoneKind::Cool;
    if (name == QLatin1String("Peak") || name == QLatin1String("Convection"))
        return ZoneKind::Reflow;
    return ZoneKind::PreHeat;
}

} // namespace

QString TCfxPublisher::DefaultSpoolFolder()
{
    return SettingsDir() + QStringLiteral("cfx-spool");
}

TCfxPublisher::TCfxPublisher(TMachine *machine, const TCfxSettings &settings, const QString &spoolFolder,
                             const LineState *previous, QObject *parent)
    : QObject(parent), m_machine(machine), m_settings(settings), m_handle(settings.EffectiveHandle()),
      m_link(std::make_unique<TCfxLink>(settings, spoolFolder))
{
    connect(m_link.get(), &TCfxLink::stateChanged, this, &TCfxPublisher::onLinkState);
    connect(m_link.get(), &TCfxLink::dropped, this, &TCfxPublisher::onDropped);
    connect(m_link.get(), &TCfxLink::accepted, this, [this] { emit statusChanged(StatusText()); });
    connect(m_link.get(), &TCfxLink::spoolProblem, this, [this](const QString &message) {
        m_machine->NoteEvent(tr("Message spool: %1").arg(message));
    });
    connect(machine, &TMachine::machineTypeChanged, this, &TCfxPublisher::onMachineTypeChanged);
    connect(machine, &TMachine::valuesRead, this, &TCfxPublisher::onValuesRead);
    connect(machine, &TMachine::commandAccepted, this, &TCfxPublisher::onCommandAccepted);
    connect(machine, &TMachine::profileLoaded, this, [this](const QString &name) {
        m_pendingProfile = name;
        m_profileCommand = m_machine->PendingCommand();
    });
    if (previous)
        m_line = *previous;

    // Follows the SDK's EndpointConnected: the first word of an endpoint on the bus.
    EndpointInfo endpoint;
    endpoint.handle = m_handle;
    endpoint.machineName = machine->GetMachineType() != 0 ? machine->GetMachineName() : QString();
    endpoint.softwareVersion = QCoreApplication::applicationVersion();
    endpoint.requestUri = settings.BrokerUrl.trimmed();
    endpoint.targetAddress = settings.Target;
    post(kEndpointConnected, EndpointConnected(endpoint));

    m_heartbeat.setInterval(std::max(1, settings.HeartbeatSeconds) * 1000);
    connect(&m_heartbeat, &QTimer::timeout, this, &TCfxPublisher::PublishHeartbeat);
    if (settings.HeartbeatSeconds > 0)
        m_heartbeat.start();
    m_processData.setInterval(std::max(1, settings.ProcessDataSeconds) * 1000);
    connect(&m_processData, &QTimer::timeout, this, &TCfxPublisher::PublishProcessData);
    if (settings.ProcessDataSeconds > 0)
        m_processData.start();
    m_dropReport.setSingleShot(true);
    m_dropReport.setInterval(kDropReportMs);
    connect(&m_dropReport, &QTimer::timeout, this, &TCfxPublisher::flushDropped);
    // The state goes out with the next values the machine sends: flags read before that
    // may be another moment's.
}

TCfxPublisher::~TCfxPublisher()
{
    flushDropped();
}

QString TCfxPublisher::StatusText() const
{
    QString state;
    switch (m_link->CurrentState()) {
    case TCfxLink::Off: state = tr("off"); break;
    case TCfxLink::Connecting: state = tr("connecting"); break;
    case TCfxLink::Connected: state = tr("connected"); break;
    case TCfxLink::Lost: state = tr("no broker"); break;
    }
    const qsizetype waiting = m_link->Waiting();
    return waiting > 0 && m_link->CurrentState() != TCfxLink::Connected
               ? tr("CFX: %1 (%2 waiting)").arg(state).arg(waiting)
               : tr("CFX: %1").arg(state);
}

void TCfxPublisher::post(const QString &name, const QJsonObject &body, bool transient)
{
    EnvelopeInfo info;
    info.source = m_handle;
    info.timeStamp = QDateTime::currentDateTime();
    info.uniqueId = QUuid::createUuid();
    const QByteArray json = Envelope(name, body, info);
    m_link->Post(json, transient);
    emit published(name, json);
}

void TCfxPublisher::PublishHeartbeat()
{
    // The faults in force while the machine is seen; with no machine nobody knows.
    std::optional<std::vector<FaultInfo>> faults;
    if (m_line.haveCondition && m_line.condition != Condition::LinkLost) {
        faults.emplace();
        for (const FaultInfo &f : std::as_const(m_line.faults))
            faults->push_back(f);
    }
    post(kHeartbeat, Heartbeat(m_handle, m_settings.HeartbeatSeconds, faults), true);
}

void TCfxPublisher::PublishProcessData()
{
    if (m_machine->GetMachineType() == 0)
        return; // nothing read: no readings to claim
    ReflowSnapshot snapshot;
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        const TZone *zone = m_machine->GetZone(i);
        if (!zone)
            continue;
        if (zone->SpeedChannel > 0 && !snapshot.conveyorSpeed) {
            snapshot.conveyorSpeed = m_machine->GetActualSpeed(zone->SpeedChannel);
            snapshot.conveyorSetpoint = m_machine->GetTargetSpeed(zone->SpeedChannel);
        }
        if (zone->TempChannel <= 0 && zone->FanChannel <= 0)
            continue;
        ZoneReading reading;
        reading.position = i + 1;
        reading.name = lineName(*zone);
        reading.infrared = zone->IsInfrared;
        reading.kind = kindOf(*zone);
        if (zone->TempChannel > 0) {
            reading.setpoint = m_machine->GetTargetTemp(zone->TempChannel);
            reading.reading = m_machine->GetActualTemp(zone->TempChannel);
        }
        if (zone->FanChannel > 0) {
            reading.fanSetpoint = m_machine->GetTargetFan(zone->FanChannel);
            reading.fanReading = m_machine->GetActualFan(zone->FanChannel);
        }
        snapshot.zones.push_back(reading);
    }
    post(kProcessDataRecorded, ProcessDataRecorded(snapshot));
}

Condition TCfxPublisher::currentCondition() const
{
    if (m_machine->GetMachineType() == 0 || !m_machine->IsConnected())
        return Condition::LinkLost;
    if (m_machine->GetOptionFlag(1))
        return Condition::HoodOpen;
    for (int i = 0; i < m_machine->ZoneCount(); ++i) {
        const TZone *zone = m_machine->GetZone(i);
        if (zone && zone->ErrorBit >= 2 && m_machine->GetOptionFlag(zone->ErrorBit))
            return Condition::ZoneError;
    }
    return m_machine->IsReady() ? Condition::Ready : Condition::NotReady;
}

void TCfxPublisher::updateFaults()
{
    // The faults the machine shows now, by a key that stays the same while it lasts.
    QHash<QString, FaultInfo> now;
    if (m_machine->GetMachineType() != 0 && m_machine->IsConnected()) {
        const QString type = QString::number(m_machine->GetMachineType());
        if (m_machine->GetOptionFlag(1)) {
            FaultInfo f;
            f.hood = true;
            f.description = QStringLiteral("Hood open / Emergency off");
            now.insert(type + QStringLiteral(":hood"), f);
        }
        for (int i = 0; i < m_machine->ZoneCount(); ++i) {
            const TZone *zone = m_machine->GetZone(i);
            if (zone && zone->ErrorBit >= 2 && m_machine->GetOptionFlag(zone->ErrorBit)) {
                FaultInfo f;
                f.zoneName = lineName(*zone);
                f.description = QStringLiteral("%1: error").arg(lineName(*zone));
                now.insert(type + QStringLiteral(":zone%1").arg(zone->ErrorBit), f);
            }
        }
    } else {
        // Not knowing is not the same as cleared: faults stay in force until a machine
        // shows them gone (or another machine type is on the line).
        return;
    }
    // Cleared first, so a subscriber never sees more faults than the machine has.
    clearFaults([&now](const QString &key) { return !now.contains(key); });
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_line.faults.contains(it.key()))
            continue;
        FaultInfo f = it.value();
        f.occurrenceId = QUuid::createUuid();
        f.occurred = QDateTime::currentDateTime();
        m_line.faults.insert(it.key(), f);
        post(kFaultOccurred, FaultOccurred(f));
    }
}

void TCfxPublisher::clearFaults(const std::function<bool(const QString &key)> &gone)
{
    for (auto it = m_line.faults.begin(); it != m_line.faults.end();) {
        if (gone(it.key())) {
            post(kFaultCleared, FaultCleared(*it));
            it = m_line.faults.erase(it);
        } else {
            ++it;
        }
    }
}

void TCfxPublisher::updateCondition()
{
    const Condition now = currentCondition();
    const QDateTime at = QDateTime::currentDateTime();
    if (m_line.haveCondition && now == m_line.condition)
        return;
    StateChange change;
    change.oldCondition = m_line.haveCondition ? m_line.condition : Condition::LinkLost;
    change.newCondition = now;
    change.oldStateSeconds = m_line.haveCondition ? double(m_line.since.msecsTo(at)) / 1000.0 : -1.0; // unknown
    // A fault that caused the new state is named with it.
    for (const FaultInfo &f : std::as_const(m_line.faults)) {
        if ((now == Condition::HoodOpen && f.hood) || (now == Condition::ZoneError && !f.hood)) {
            change.relatedFault = f.occurrenceId;
            change.faultDetails = f;
            break;
        }
    }
    const bool first = !m_line.haveCondition;
    m_line.haveCondition = true;
    m_line.condition = now;
    m_line.since = at;
    // Before a machine has been seen there is no change to tell of.
    if (first && now == Condition::LinkLost)
        return;
    post(kStationStateChanged, StationStateChanged(change));
}

void TCfxPublisher::onMachineTypeChanged(int type)
{
    if (type == 0) {
        // The queued values went with the link; a profile loaded before is not sent.
        m_pendingProfile.clear();
        updateCondition();
        return;
    }
    // Another machine on the line: the old one's faults are not this one's.
    const QString prefix = QString::number(type) + u':';
    clearFaults([&prefix](const QString &key) { return !key.startsWith(prefix); });
    // Its state goes out with its first values.
}

void TCfxPublisher::onValuesRead()
{
    updateFaults();
    updateCondition();
}

void TCfxPublisher::onCommandAccepted(const QByteArray &command)
{
    if (m_pendingProfile.isEmpty())
        return;
    if (!command.startsWith(m_profileCommand)) {
        // An earlier write, on its way when the profile was loaded: the profile's values
        // follow it, as the machine object keeps them queued.
        if (m_profileCommand.startsWith(command))
            m_profileCommand = "W:" + m_profileCommand.mid(command.size());
        return;
    }
    ProfileSent sent;
    sent.profileName = m_pendingProfile;
    sent.description = m_machine->DescribeCommand(command);
    QByteArray body = command.startsWith("W:") ? command.mid(2) : command;
    for (const QByteArray &field : body.split(';')) {
        const qsizetype eq = field.indexOf('=');
        if (eq > 0)
            sent.parameters.emplace_back(QString::fromLatin1(field.left(eq)), QString::fromLatin1(field.mid(eq + 1)));
    }
    m_pendingProfile.clear();
    post(ProfileActivatedName(), ProfileActivated(sent));
}

void TCfxPublisher::onLinkState(TCfxLink::State state, const QString &detail)
{
    if (state == TCfxLink::Connected) {
        if (m_lostLogged)
            m_machine->NoteEvent(tr("Message broker connection is back: %1").arg(detail));
        else if (!m_wasConnected)
            m_machine->NoteEvent(tr("Connected with the message broker %1").arg(detail));
        m_wasConnected = true;
        m_lostLogged = false;
    } else if (state == TCfxLink::Lost && !m_lostLogged) {
        // One line for the outage, not one per attempt to reconnect.
        m_machine->NoteEvent(tr("Message broker connection lost: %1").arg(detail));
        m_lostLogged = true;
    }
    emit statusChanged(StatusText());
}

void TCfxPublisher::onDropped(int count, const QString &why)
{
    m_droppedUnreported += count;
    m_dropReason = why;
    if (!m_dropReport.isActive()) {
        flushDropped();
        m_dropReport.start();
    }
    emit statusChanged(StatusText());
}

void TCfxPublisher::flushDropped()
{
    if (m_droppedUnreported == 0)
        return;
    m_machine->NoteEvent(tr("%n message(s) to the broker dropped: %1", nullptr, m_droppedUnreported).arg(m_dropReason));
    m_droppedUnreported = 0;
}
