// The CFX messages as they leave for the broker: each one against a fixture written out by
// hand from the SDK's classes, compared as parsed JSON; the SDK's time and duration texts;
// the envelope's members and their order; readings the machine did not give.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>
#include <QtTest>

#include <cmath>
#include <limits>

#include "cfx/CfxMessages.h"

using namespace vard::cfx;

namespace {

const QDateTime kWhen(QDate(2026, 12, 11), QTime(5, 3, 24, 567), Qt::OffsetFromUTC, 3600);
const QUuid kMessageId(QStringLiteral("6f1c2d3e-4b5a-4978-8a6b-5c4d3e2f1a0b"));
const QUuid kFaultId(QStringLiteral("a1b2c3d4-e5f6-4a7b-8c9d-0e1f2a3b4c5d"));
const QString kHandle = QStringLiteral("vard.line3-oven");

EnvelopeInfo fixedInfo()
{
    return EnvelopeInfo{kHandle, kWhen, kMessageId};
}

QDateTime at(int h, int m, int s, int ms, int offsetSeconds)
{
    return QDateTime(QDate(2026, 12, 11), QTime(h, m, s, ms), Qt::OffsetFromUTC, offsetSeconds);
}

QJsonObject parse(const QByteArray &json, QString *error)
{
    QJsonParseError e{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &e);
    if (e.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = e.errorString() + QStringLiteral(" at ") + QString::number(e.offset);
        return {};
    }
    return doc.object();
}

QJsonObject fixture(const QString &name, QString *error)
{
    QFile f(QStringLiteral(CFX_FIXTURE_DIR "/") + name);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.fileName() + QStringLiteral(": ") + f.errorString();
        return {};
    }
    return parse(f.readAll(), error);
}

QByteArray pretty(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace

class TestCfxMessages : public QObject {
    Q_OBJECT
private slots:
    void messages_data();
    void messages();
    void timeStampText_data();
    void timeStampText();
    void durationText_data();
    void durationText();
    void envelopeMembers();
    void envelopeFillsInWhatIsMissing();
    void missingReadingsAreLeftOut();
};

void TestCfxMessages::messages_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("messageName");
    QTest::addColumn<QJsonObject>("body");

    QTest::newRow("endpoint connected")
        << "endpoint_connected.json" << kEndpointConnected
        << EndpointConnected({kHandle, QStringLiteral("4QTR"), QStringLiteral("3.2.0"),
                              QStringLiteral("amqp://broker.line3:5672"), QStringLiteral("/queue/vard.line3-oven")});
    QTest::newRow("heartbeat") << "heartbeat.json" << kHeartbeat << Heartbeat(kHandle, 60);
    QTest::newRow("heartbeat, no faults")
        << "heartbeat_no_faults.json" << kHeartbeat << Heartbeat(kHandle, 60, std::vector<FaultInfo>{});
    QTest::newRow("heartbeat, hood open")
        << "heartbeat_hood.json" << kHeartbeat
        << Heartbeat(kHandle, 300,
                     std::vector<FaultInfo>{{kFaultId, true, {}, QStringLiteral("Hood opened during production"),
                                             at(5, 3, 20, 0, 3600)}});

    StateChange ready;
    ready.oldCondition = Condition::NotReady;
    ready.newCondition = Condition::Ready;
    ready.oldStateSeconds = 754.5;
    QTest::newRow("state: ready") << "station_state_ready.json" << kStationStateChanged << StationStateChanged(ready);

    FaultInfo hood{kFaultId, true, {}, QStringLiteral("Hood opened during production"), at(5, 3, 20, 0, 3600)};
    StateChange hoodOpen;
    hoodOpen.oldCondition = Condition::Ready;
    hoodOpen.newCondition = Condition::HoodOpen;
    hoodOpen.oldStateSeconds = 86400 + 3725;
    hoodOpen.relatedFault = kFaultId;
    hoodOpen.faultDetails = hood;
    QTest::newRow("state: hood open, fault in full")
        << "station_state_hood.json" << kStationStateChanged << StationStateChanged(hoodOpen);

    StateChange zoneError;
    zoneError.oldCondition = Condition::Ready;
    zoneError.newCondition = Condition::ZoneError;
    zoneError.oldStateSeconds = 9;
    zoneError.relatedFault = kFaultId;
    QTest::newRow("state: zone error, fault by id only")
        << "station_state_zone_error.json" << kStationStateChanged << StationStateChanged(zoneError);

    StateChange reconnected;
    reconnected.oldCondition = Condition::LinkLost;
    reconnected.newCondition = Condition::NotReady;
    reconnected.oldStateSeconds = -1;
    QTest::newRow("state: link back, time in the old state unknown")
        << "station_state_link_lost.json" << kStationStateChanged << StationStateChanged(reconnected);

    const FaultInfo zone{kFaultId, false, QStringLiteral("Zone 3"), QStringLiteral("Zone 3: thermocouple open"),
                         at(5, 3, 20, 250, 3600)};
    QTest::newRow("fault occurred: zone") << "fault_occurred_zone.json" << kFaultOccurred << FaultOccurred(zone);
    const FaultInfo bareHood{QUuid(QStringLiteral("0c9a8b7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d")), true, {}, {}, {}};
    QTest::newRow("fault occurred: hood, no text, no time")
        << "fault_occurred_hood.json" << kFaultOccurred << FaultOccurred(bareHood);

    QTest::newRow("fault cleared by an operator")
        << "fault_cleared.json" << kFaultCleared << FaultCleared(zone, QStringLiteral("jdoe"));
    QTest::newRow("fault cleared, nobody logged in")
        << "fault_cleared_no_operator.json" << kFaultCleared << FaultCleared(zone);

    ReflowSnapshot snapshot;
    snapshot.conveyorSpeed = 80.5;
    snapshot.conveyorSetpoint = 80.0;
    snapshot.zones = {
        {1, QStringLiteral("Preheat 1"), false, 200.0, 198.5, 60.0, 58.0, ZoneKind::PreHeat},
        {2, QStringLiteral("IR 2"), true, 45.0, 44.0, std::nullopt, 30.0, ZoneKind::Soak},
        {3, QStringLiteral("Peak"), false, std::nullopt, std::nullopt, std::nullopt, std::nullopt, ZoneKind::Reflow},
    };
    QTest::newRow("process data") << "process_data.json" << kProcessDataRecorded << ProcessDataRecorded(snapshot);

    ReflowSnapshot noConveyor;
    noConveyor.zones = {{7, QStringLiteral("Cooling"), false, std::nullopt, -3.5, std::nullopt, std::nullopt,
                         ZoneKind::Cool}};
    QTest::newRow("process data: conveyor unknown, reading below zero")
        << "process_data_no_conveyor.json" << kProcessDataRecorded << ProcessDataRecorded(noConveyor);

    const ProfileSent profile{QStringLiteral("SAC305 standard"),
                              QStringLiteral("Preheat 1 target 200 °C; Peak target 245 °C"),
                              {{QStringLiteral("Preheat 1"), QStringLiteral("200")},
                               {QStringLiteral("Peak"), QStringLiteral("245")}}};
    QTest::newRow("profile sent") << "recipe_activated.json" << ProfileActivatedName() << ProfileActivated(profile);
}

void TestCfxMessages::messages()
{
    QFETCH(QString, file);
    QFETCH(QString, messageName);
    QFETCH(QJsonObject, body);

    QString error;
    const QJsonObject expected = fixture(file, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QJsonObject actual = parse(Envelope(messageName, body, fixedInfo()), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY2(actual == expected, ("got\n" + pretty(actual) + "\nexpected\n" + pretty(expected)).constData());
    // The body names the class the envelope announces.
    QCOMPARE(actual.value("MessageName").toString(), messageName);
    QCOMPARE(actual.value("MessageBody").toObject().value("$type").toString(), messageName + ", CFX");
}

void TestCfxMessages::timeStampText_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");

    QTest::newRow("east of UTC") << at(5, 3, 24, 567, 3600) << "2026-12-11T05:03:24.567+01:00";
    QTest::newRow("west of UTC, half hour") << at(23, 59, 59, 500, -(5 * 3600 + 30 * 60))
                                            << "2026-12-11T23:59:59.5-05:30";
    // Local time where the offset happens to be zero (London in winter) keeps its offset;
    // only a UTC time is written with "Z", like the SDK's local and UTC kinds.
    QTimeZone london("Europe/London");
    if (!london.isValid())
        london = QTimeZone(0);
    QTest::newRow("local time at zero offset") << QDateTime(QDate(2026, 12, 11), QTime(0, 0, 0, 40), london)
                                               << "2026-12-11T00:00:00.04+00:00";
    QTest::newRow("UTC") << QDateTime(QDate(2026, 12, 11), QTime(12, 0, 1, 1), Qt::UTC) << "2026-12-11T12:00:01.001Z";
    QTest::newRow("whole second: no fraction") << at(7, 8, 9, 0, 14 * 3600) << "2026-12-11T07:08:09+14:00";
    QTest::newRow("invalid") << QDateTime() << QString();
}

void TestCfxMessages::timeStampText()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    QCOMPARE(TimeStampText(time), text);
}

void TestCfxMessages::durationText_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << 0.0 << "00:00:00";
    QTest::newRow("minutes") << 85.0 << "00:01:25";
    QTest::newRow("fraction: seven digits") << 1.5 << "00:00:01.5000000";
    QTest::newRow("fraction: leading zeros kept") << 60.01 << "00:01:00.0100000";
    QTest::newRow("just under a day") << 86399.0 << "23:59:59";
    QTest::newRow("days") << 90061.0 << "1.01:01:01";
    QTest::newRow("negative: unknown") << -1.0 << QString();
    QTest::newRow("NaN: unknown") << std::numeric_limits<double>::quiet_NaN() << QString();
}

void TestCfxMessages::durationText()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(DurationText(seconds), text);
}

void TestCfxMessages::envelopeMembers()
{
    QJsonObject body = Heartbeat(kHandle, 30);
    body.insert("$type", "Something.Else, Elsewhere");
    const QByteArray raw = Envelope(kHeartbeat, body, fixedInfo());

    // Members in the SDK's order, so the raw message reads like any other endpoint's.
    const char *const order[] = {"\"MessageName\":", "\"Version\":",  "\"TimeStamp\":",  "\"UniqueID\":",
                                 "\"Source\":",      "\"Target\":",   "\"RequestID\":", "\"MessageBody\":"};
    qsizetype last = -1;
    for (const char *key : order) {
        const qsizetype at = raw.indexOf(key);
        QVERIFY2(at > last, key);
        last = at;
    }
    QVERIFY(raw.startsWith("{\"MessageName\":"));
    QVERIFY2(!raw.contains('\n'), "compact, one line");

    QString error;
    const QJsonObject o = parse(raw, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(o.size(), 8);
    QVERIFY(o.value("Version").isString());
    QCOMPARE(o.value("Version").toString(), kCfxVersion);
    QVERIFY(o.value("TimeStamp").isString());
    QVERIFY(o.value("UniqueID").isString());
    QVERIFY(o.value("Source").isString());
    QVERIFY(o.value("Target").isNull());
    QVERIFY(o.value("RequestID").isNull());
    QVERIFY(o.value("MessageBody").isObject());
    // A "$type" the caller left in the body gives way to the message's own.
    QCOMPARE(o.value("MessageBody").toObject().value("$type").toString(), kHeartbeat + ", CFX");
    QCOMPARE(o.value("MessageBody").toObject().value("HeartbeatFrequency").toString(), QStringLiteral("00:00:30"));
}

void TestCfxMessages::envelopeFillsInWhatIsMissing()
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QString error;
    const QJsonObject a = parse(Envelope(kHeartbeat, Heartbeat(kHandle, 60), EnvelopeInfo{}), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QJsonObject b = parse(Envelope(kHeartbeat, Heartbeat(kHandle, 60), EnvelopeInfo{}), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QVERIFY(a.value("Source").isNull());
    // A message without an id of its own gets a fresh one each time: receivers drop
    // repeated ids as duplicates.
    const QString id = a.value("UniqueID").toString();
    QVERIFY2(QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$").match(id).hasMatch(),
             qPrintable(id));
    QVERIFY(id != b.value("UniqueID").toString());
    // Without a time stamp: now, with the local offset.
    const QDateTime stamped = QDateTime::fromString(a.value("TimeStamp").toString(), Qt::ISODateWithMs);
    QVERIFY2(stamped.isValid(), qPrintable(a.value("TimeStamp").toString()));
    QVERIFY(stamped >= before && stamped <= QDateTime::currentDateTime().addSecs(1));
}

void TestCfxMessages::missingReadingsAreLeftOut()
{
    // A zone the machine reported nothing for: empty lists, never an entry holding null
    // (a chart on the line would draw it as 0 °C). The fan's actual value has no reading
    // type of its own and stays out too.
    ReflowSnapshot r;
    r.zones = {{4, QStringLiteral("Zone 4"), true, std::nullopt, std::nullopt, std::nullopt, 55.0}};
    const QJsonObject data = ProcessDataRecorded(r).value("ProcessData").toObject();
    QVERIFY(!data.contains("ConveyorSpeed"));
    QVERIFY(!data.contains("ConveyorSpeedSetpoint"));
    const QJsonObject zone = data.value("ZoneData").toArray().at(0).toObject();
    QVERIFY(zone.value("Setpoints").isArray());
    QVERIFY(zone.value("Setpoints").toArray().isEmpty());
    QVERIFY(zone.value("Readings").isArray());
    QVERIFY(zone.value("Readings").toArray().isEmpty());
    QCOMPARE(zone.value("Zone").toObject().value("ReflowZoneType").toString(), QStringLiteral("PreHeat"));
}

QTEST_GUILESS_MAIN(TestCfxMessages)
#include "tst_cfx_messages.moc"
