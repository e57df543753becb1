// What the publisher tells the line, driven by a scripted machine (no link thread, no
// timers): when a state goes out and from which flags, a fault's occurrence id from its
// start to its clearing across link losses, type changes and a publisher started anew,
// and the profile message for the profile's own write only. Nobody listens at the
// broker address; the messages are taken as the publisher hands them to the link.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ScriptedMachine.h"
#include "app/GlobalUnit.h"
#include "cfx/CfxPublisher.h"

namespace {

struct Sent {
    QString name;
    QJsonObject body;
};

const QString kState = QStringLiteral("CFX.ResourcePerformance.StationStateChanged");
const QString kOccurred = QStringLiteral("CFX.ResourcePerformance.FaultOccurred");
const QString kCleared = QStringLiteral("CFX.ResourcePerformance.FaultCleared");

QString occurrenceOf(const Sent &m)
{
    return m.name == kOccurred ? m.body.value("Fault").toObject().value("FaultOccurrenceId").toString()
                               : m.body.value("FaultOccurrenceId").toString();
}

} // namespace

class TestCfxPublisher : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<TCfxPublisher> m_publisher;
    QList<Sent> m_sent;

    void start(const TCfxPublisher::LineState *previous = nullptr)
    {
        TCfxSettings s;
        s.BrokerUrl = QStringLiteral("amqp://127.0.0.1:1"); // nobody there: all goes to the spool
        s.Handle = QStringLiteral("test.oven");
        s.HeartbeatSeconds = 0;
        s.ProcessDataSeconds = 0;
        m_publisher = std::make_unique<TCfxPublisher>(&m_rig->machine, s, m_home->filePath("spool"), previous);
        connect(m_publisher.get(), &TCfxPublisher::published, this, [this](const QString &name, const QByteArray &json) {
            m_sent.append({name, QJsonDocument::fromJson(json).object().value("MessageBody").toObject()});
        });
    }

    QList<Sent> take()
    {
        QList<Sent> list = m_sent;
        m_sent.clear();
        return list;
    }
    static QStringList names(const QList<Sent> &list)
    {
        QStringList n;
        for (const Sent &m : list)
            n << m.name;
        return n;
    }

    // Every request of the poll cycle answered as a 4QTR would, `flags` in the values,
    // until the machine has confirmed `writes` write commands.
    void runCycle(const QByteArray &flags, int writes)
    {
        for (int i = 0; i < 200 && writes > 0; ++i) {
            const QByteArray request = m_rig->tick();
            if (request.startsWith("W:")) {
                m_rig->answer("A:ERR=0;");
                --writes;
            } else if (request.startsWith("R:ST")) {
                m_rig->answer(kQtrSettings);
            } else if (request.startsWith("R:T1")) {
                m_rig->answer("A:" + flags);
            }
        }
        QCOMPARE(writes, 0);
        m_rig->tick(); // the last answer taken in
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        UseSettingsFolder(m_home->path());
        m_rig = std::make_unique<Rig>();
        m_sent.clear();
    }
    void cleanup()
    {
        m_publisher.reset();
        m_rig.reset();
        m_home.reset();
    }

    // No state from flags the machine has not sent yet; then each change once, faults
    // before the state they cause, each clearing with its fault's id.
    void stateAndFaultsFollowTheValues()
    {
        start();
        m_rig->bringUp("4QTR A", kQtrSettings);
        QVERIFY(take().isEmpty()); // identified, but nothing read yet
        m_publisher->PublishHeartbeat();
        QVERIFY(take().value(0).body.value("ActiveFaults").isNull()); // not known yet

        m_rig->values("A:S1=0;S2=0;");
        QList<Sent> got = take();
        QCOMPARE(names(got), QStringList{kState});
        QCOMPARE(got[0].body.value("OldState").toString(), QStringLiteral("5000"));
        QCOMPARE(got[0].body.value("NewState").toString(), QStringLiteral("1100"));
        QVERIFY(got[0].body.value("OldStateDuration").isNull()); // not known before the first

        m_rig->values("A:S1=2;S2=0;"); // hood open
        got = take();
        QCOMPARE(names(got), (QStringList{kOccurred, kState}));
        const QString hood = occurrenceOf(got[0]);
        QVERIFY(!QUuid::fromString(hood).isNull());
        QCOMPARE(got[0].body.value("Fault").toObject().value("FaultCode").toString(), QStringLiteral("HOOD_OPEN"));
        QCOMPARE(got[1].body.value("NewState").toString(), QStringLiteral("5300"));
        QCOMPARE(got[1].body.value("RelatedFault").toObject().value("FaultOccurrenceId").toString(), hood);

        m_rig->values("A:S1=66;S2=0;"); // and Preheat 2's error: the state stays
        got = take();
        QCOMPARE(names(got), QStringList{kOccurred});
        const QString zone = occurrenceOf(got[0]);
        QVERIFY(zone != hood);
        QVERIFY(got[0].body.value("Fault").toObject().value("Description").toString().contains("Preheat 2"));
        // A heartbeat repeats the faults in force, with their ids.
        m_publisher->PublishHeartbeat();
        got = take();
        QCOMPARE(names(got), QStringList{"CFX.Heartbeat"});
        QStringList active;
        for (const QJsonValue &f : got[0].body.value("ActiveFaults").toArray())
            active << f.toObject().value("FaultOccurrenceId").toString();
        active.sort();
        QStringList expected{hood, zone};
        expected.sort();
        QCOMPARE(active, expected);

        m_rig->values("A:S1=64;S2=0;"); // the hood closed
        got = take();
        QCOMPARE(names(got), (QStringList{kCleared, kState}));
        QCOMPARE(occurrenceOf(got[0]), hood);
        QCOMPARE(got[1].body.value("NewState").toString(), QStringLiteral("5100"));

        m_rig->values("A:S1=0;S2=0;");
        got = take();
        QCOMPARE(names(got), (QStringList{kCleared, kState}));
        QCOMPARE(occurrenceOf(got[0]), zone);
        QCOMPARE(got[1].body.value("NewState").toString(), QStringLiteral("1100"));

        m_rig->values("A:S1=0;S2=0;");
        QVERIFY(take().isEmpty());
    }

    // A fault in force when the link goes stays in force: the same machine back with it
    // repeats nothing, and its clearing carries the first id. Another machine type on
    // the line clears the old machine's faults.
    void faultsAcrossALinkLoss_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::newRow("the same machine") << QByteArray("4QTR A");
        QTest::newRow("another type") << QByteArray("362.10 B");
    }
    void faultsAcrossALinkLoss()
    {
        QFETCH(QByteArray, ident);
        start();
        m_rig->bringUp("4QTR A", kQtrSettings);
        m_rig->values("A:S1=2;S2=0;");
        const QString hood = occurrenceOf(take()[0]);

        m_rig->lose();
        m_rig->tick();
        QList<Sent> got = take();
        QCOMPARE(names(got), QStringList{kState});
        QCOMPARE(got[0].body.value("NewState").toString(), QStringLiteral("5000"));

        const bool same = ident.startsWith("4QTR");
        m_rig->bringUp(ident, same ? kQtrSettings : k362Settings);
        got = take();
        if (same) {
            QVERIFY(got.isEmpty());
            m_rig->values("A:S1=2;S2=0;");
            got = take();
            QCOMPARE(names(got), QStringList{kState}); // back, still open: no second fault
            QCOMPARE(got[0].body.value("NewState").toString(), QStringLiteral("5300"));
            m_rig->values("A:S1=0;S2=0;");
            got = take();
            QCOMPARE(names(got), (QStringList{kCleared, kState}));
            QCOMPARE(occurrenceOf(got[0]), hood);
        } else {
            QCOMPARE(names(got), QStringList{kCleared});
            QCOMPARE(occurrenceOf(got[0]), hood);
        }
    }

    // Other settings start a new publisher: it takes over what the line was told, so the
    // open hood is neither announced twice nor left without its clearing.
    void aNewPublisherTakesOver()
    {
        start();
        m_rig->bringUp("4QTR A", kQtrSettings);
        m_rig->values("A:S1=2;S2=0;");
        const QString hood = occurrenceOf(take()[0]);
        const TCfxPublisher::LineState told = m_publisher->CurrentLineState();
        m_publisher.reset();
        start(&told);
        m_rig->values("A:S1=2;S2=0;");
        QVERIFY(take().isEmpty());
        m_rig->values("A:S1=0;S2=0;");
        const QList<Sent> got = take();
        QCOMPARE(names(got), (QStringList{kCleared, kState}));
        QCOMPARE(occurrenceOf(got[0]), hood);
    }

    // The profile message goes with the write that carried the profile's values, not
    // with an earlier one still on its way when the profile was loaded.
    void profileMessageWithItsOwnWrite()
    {
        start();
        m_rig->bringUp("4QTR A", kQtrSettings);
        m_rig->values("A:S1=0;S2=0;");
        take();
        m_rig->machine.SetTargetSpeed(1, 40); // the operator's own change...
        m_rig->machine.SendPendingValues();
        QByteArray request;
        for (int i = 0; i < 20 && !request.startsWith("W:"); ++i) {
            request = m_rig->tick();
            if (request.startsWith("R:T1"))
                m_rig->answer("A:S1=0;S2=0;");
        }
        QVERIFY(request.startsWith("W:"));
        m_rig->machine.SetTargetTemp(1, 200); // ...and while it is on its way, a profile
        emit m_rig->machine.profileLoaded(QStringLiteral("SAC305 standard"));
        m_rig->machine.SendPendingValues();
        m_rig->answer("A:ERR=0;");
        m_rig->tick();
        QVERIFY(!names(take()).contains(vard::cfx::ProfileActivatedName()));
        runCycle("S1=0;S2=0;", 1);
        const QList<Sent> got = take();
        QCOMPARE(names(got).count(vard::cfx::ProfileActivatedName()), 1);
        for (const Sent &m : got)
            if (m.name == vard::cfx::ProfileActivatedName())
                QCOMPARE(m.body.value("RecipeName").toString(), QStringLiteral("SAC305 standard"));
        // A later write of the operator's is no profile.
        m_rig->machine.SetTargetSpeed(1, 45);
        m_rig->machine.SendPendingValues();
        runCycle("S1=0;S2=0;", 1);
        QVERIFY(!names(take()).contains(vard::cfx::ProfileActivatedName()));
    }
};

QTEST_GUILESS_MAIN(TestCfxPublisher)
#include "tst_cfx_publisher.moc"
