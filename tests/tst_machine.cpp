// The machine object against a scripted mailbox: the protocol's check field and fields,
// the machine types and their zones, the poll cycle tick by tick, the setters and the
// queue. The test plays the link thread; nothing waits on a real timer.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ScriptedMachine.h"

namespace {

void applySetter(TMachine &m, const QString &setter, qint16 v)
{
    if (setter == "temp")
        m.SetTargetTemp(1, v);
    else if (setter == "fan")
        m.SetTargetFan(1, v);
    else if (setter == "speed")
        m.SetTargetSpeed(1, v);
    else if (setter == "heater")
        m.SetHeater(1, v);
    else
        m.SetAutoHeater(1, v);
}

qint16 readSetter(const TMachine &m, const QString &setter)
{
    if (setter == "temp")
        return m.GetTargetTemp(1);
    if (setter == "fan")
        return m.GetTargetFan(1);
    if (setter == "speed")
        return m.GetTargetSpeed(1);
    if (setter == "heater")
        return m.GetHeater(1);
    return m.GetAutoHeater(1);
}


} // namespace

class TestMachine : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }
    void cleanup() { qunsetenv("VARD_HOME"); }

    // ------------------------------------------------------------ protocol

    void checksumOfRequests()
    {
        QCOMPARE(TMachine::Checksum("R:S0;"), 74);
        QCOMPARE(TMachine::Checksum(""), 0);
        QCOMPARE(TMachine::Checksum("\xB0\xFF"), (0xB0 + 0xFF) % 256);
        Rig rig;
        rig.connect();
        rig.machine.SendRequest("R:S0;");
        QVERIFY(rig.machine.LastExchangeOk());
        QCOMPARE(rig.com().Text(), std::string("R:S0;C1=74;"));
        rig.machine.SendRequest("R:ST;"); // the mailbox is busy: nothing is sent
        QVERIFY(!rig.machine.LastExchangeOk());
        QCOMPARE(rig.com().Text(), std::string("R:S0;C1=74;"));
        rig.answer("A:S0=X;");
        rig.machine.SendRequest(""); // an empty request is the check field alone
        QCOMPARE(rig.com().Text(), std::string("C1=0;"));
    }

    void requestRefusedWhileDown()
    {
        Rig rig;
        rig.machine.SendRequest("R:S0;");
        QVERIFY(!rig.machine.LastExchangeOk());
        QVERIFY(!rig.com().SendPending);
    }

    void takeReply_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("payload");
        const QByteArray body = "A:S0=4QTR X;";
        const QByteArray good = withCheck(body);
        QByteArray bad = body + "C1=" + QByteArray::number((TMachine::Checksum(body) + 1) % 256) + ";";
        QTest::addRow("right check field") << good << body;
        QTest::addRow("wrong check field") << bad << QByteArray();
        QTest::addRow("wrong check field with acknowledgement") << bad + "C0=ACK;" << body;
        QTest::addRow("acknowledgement only") << body + "C0=ACK;" << body;
        QTest::addRow("neither") << body << QByteArray();
        QTest::addRow("check field not closed") << body + "C1=12" << QByteArray();
        QTest::addRow("check field not a number") << body + "C1=x;C0=ACK;" << body + "C1=x;";
        QTest::addRow("empty line") << QByteArray() << QByteArray();
    }

    void takeReply()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, payload);
        Rig rig;
        rig.connect();
        rig.machine.SetTracing(true);
        QSignalSpy trace(&rig.machine, &TMachine::traceLineAdded);
        rig.machine.SendRequest("R:S0;");
        QCOMPARE(rig.machine.TakeReply(), QByteArray()); // not yet answered
        QVERIFY(!rig.machine.LastExchangeOk());
        rig.answer(line, false);
        QCOMPARE(rig.machine.TakeReply(), payload);
        QVERIFY(rig.machine.LastExchangeOk());
        // The request, then the reply line as it came (an empty one is not traced).
        QCOMPARE(trace.count(), line.isEmpty() ? 1 : 2);
        QCOMPARE(trace.at(0).at(0).toString(), QString("R:S0;C1=74;"));
        if (!line.isEmpty())
            QCOMPARE(trace.at(1).at(0).toString(), QString::fromLatin1(line));
    }

    void noTraceWhileTracingIsOff()
    {
        Rig rig;
        rig.connect();
        QSignalSpy trace(&rig.machine, &TMachine::traceLineAdded);
        rig.machine.SendRequest("R:S0;");
        rig.answer("A:S0=X;");
        rig.machine.TakeReply();
        QCOMPARE(trace.count(), 0);
    }

    void replyField_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("field");
        QTest::addRow("first") << QByteArray("A:t1=215;T2=190;") << 1 << QByteArray("T1=215");
        QTest::addRow("second") << QByteArray("A:T1=215;T2=190;") << 2 << QByteArray("T2=190");
        QTest::addRow("past the end") << QByteArray("A:T1=215;T2=190;") << 3 << QByteArray();
        QTest::addRow("not ended by a semicolon") << QByteArray("A:T1=215;T2=190") << 2 << QByteArray();
        QTest::addRow("empty between two semicolons") << QByteArray("A:T1=215;;T2=190;") << 2 << QByteArray();
        QTest::addRow("no colon") << QByteArray("T1=215;") << 1 << QByteArray();
        QTest::addRow("zero") << QByteArray("A:T1=215;") << 0 << QByteArray();
    }

    void replyField()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, n);
        QFETCH(QByteArray, field);
        QCOMPARE(TMachine::ReplyField(payload, n), field);
    }

    void subValue_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("value");
        QTest::addRow("first") << QByteArray("ST=200,,220") << 1 << QByteArray("200");
        QTest::addRow("empty value") << QByteArray("ST=200,,220") << 2 << QByteArray();
        QTest::addRow("third") << QByteArray("ST=200,,220") << 3 << QByteArray("220");
        QTest::addRow("fewer values") << QByteArray("ST=200,,220") << 4 << QByteArray();
        QTest::addRow("no equals sign") << QByteArray("5,6") << 2 << QByteArray("6");
        QTest::addRow("after the first equals sign") << QByteArray("M1=1=2") << 1 << QByteArray("1=2");
    }

    void subValue()
    {
        QFETCH(QByteArray, field);
        QFETCH(int, n);
        QFETCH(QByteArray, value);
        QCOMPARE(TMachine::SubValue(field, n), value);
    }

    void identification_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addRow("4QTR") << "4QTR V2.31" << 1;
        QTest::addRow("362.04") << "362.04 KEL" << 2;
        QTest::addRow("362.07") << "362.07 X" << 3;
        QTest::addRow("362.10") << "362.10 SIM 1.00" << 4;
        QTest::addRow("unknown word") << "362.99 X" << 0;
        QTest::addRow("no blank") << "4QTR" << 0;
    }

    void identification()
    {
        QFETCH(QString, text);
        QFETCH(int, type);
        Rig rig;
        rig.machine.IdentifyMachine(text);
        QCOMPARE(rig.machine.GetMachineType(), type);
        QCOMPARE(rig.machine.GetMachineName(), text);
    }

    // ------------------------------------------------------------ types and zones

    void typeSetUps_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("zoneNames");
        QTest::addColumn<QStringList>("selector");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("operationTime");
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<QByteArray>("measure");
        QTest::addColumn<int>("fieldCount");
        QTest::addRow("4QTR") << 1
                              << QStringList{"Startup", "Preheat 1", "Preheat 2", "Peak", "Underground", "Cooling 1",
                                             "Cooling 2", "Transfer", "Heater"}
                              << QStringList{"Startup", "Preheat 1", "Preheat 2", "Peak", "Underground"}
                              << QStringList{"lblTemp0", "lblTemp1", "lblTemp2", "lblTemp3", "lblTemp4", "lblTemp5",
                                             "lblFan1", "lblFan2", "lblFan3", "lblChain", "shapeMachineStatus"}
                              << "LMImages/LM4QTR.bmp" << true
                              << QByteArray("R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;") << QByteArray() << 4;
        QTest::addRow("362.04") << 2 << QStringList{"Convection", "Infrared", "Transfer", "Heater"}
                                << QStringList{"Convection", "Infrared"}
                                << QStringList{"lblTemp0", "lblTemp1", "lblChain"} << "LMImages/LM362_04.bmp" << false
                                << QByteArray("R:T1;F1;V1;H1;S1;S2;") << QByteArray("R:T3;") << 3;
        QTest::addRow("362.07") << 3 << QStringList{"Convection", "Infrared", "Transfer", "Heater"}
                                << QStringList{"Convection", "Infrared"}
                                << QStringList{"lblTemp0", "lblTemp1", "lblChain"} << "LMImages/LM362_07.bmp" << false
                                << QByteArray("R:T1;F1;V1;H1;S1;S2;") << QByteArray("R:T3;") << 3;
        QTest::addRow("362.10") << 4 << QStringList{"Convection", "Infrared 1", "Infrared 2", "Transfer", "Heater"}
                                << QStringList{"Convection", "Infrared 1", "Infrared 2"}
                                << QStringList{"lblTemp0", "lblTemp1", "lblTemp2", "lblFan2", "lblChain"}
                                << "LMImages/LM362_10.bmp" << false << QByteArray("R:T1;T2;T3;F1;V1;H1;S1;S2;")
                                << QByteArray("R:T4;") << 3;
    }

    void typeSetUps()
    {
        QFETCH(int, type);
        QFETCH(QStringList, zoneNames);
        QFETCH(QStringList, selector);
        QFETCH(QStringList, labels);
        QFETCH(QString, picture);
        QFETCH(bool, operationTime);
        QFETCH(QByteArray, values);
        QFETCH(QByteArray, measure);
        QFETCH(int, fieldCount);

        Rig rig;
        // Each signal records its name, so the order of the steps is visible.
        QStringList steps;
        QStringList gotSelector, gotLabels, logLines;
        QString gotPicture;
        bool gotTime = !operationTime;
        connect(&rig.machine, &TMachine::typeSwitchStarted, [&] { steps << "clear"; });
        connect(&rig.machine, &TMachine::zoneSelectorFilled, [&](const QStringList &s) { steps << "selector"; gotSelector = s; });
        connect(&rig.machine, &TMachine::operationTimeVisibilityChanged, [&](bool v) { steps << "time"; gotTime = v; });
        connect(&rig.machine, &TMachine::pictureChosen, [&](const QString &p) { steps << "picture"; gotPicture = p; });
        connect(&rig.machine, &TMachine::labelsShown, [&](const QStringList &l) { steps << "labels"; gotLabels = l; });
        connect(&rig.machine, &TMachine::logLineAdded, [&](const QString &l) { steps << "log"; logLines << l; });

        rig.machine.IdentifyMachine(QStringList{"", "4QTR", "362.04", "362.07", "362.10"}[type] + " SIM");
        QCOMPARE(steps, (QStringList{"clear", "selector", "time", "picture", "labels", "log"}));
        QCOMPARE(rig.machine.GetMachineType(), type);
        QStringList names;
        for (int i = 0; i < rig.machine.ZoneCount(); ++i)
            names << rig.machine.GetZone(i)->Name;
        QCOMPARE(names, zoneNames);
        QCOMPARE(gotSelector, selector);
        for (int i = 0; i < selector.size(); ++i) // an item's index is its zone's position
            QCOMPARE(rig.machine.GetZone(i)->Name, selector[i]);
        QCOMPARE(gotLabels, labels);
        QCOMPARE(gotPicture, picture);
        QCOMPARE(gotTime, operationTime);
        QCOMPARE(logLines, QStringList{"Connected with " + rig.machine.GetMachineName()});
        QCOMPARE(rig.machine.ValuesRequest(), values);
        QCOMPARE(rig.machine.MeasureRequest(), measure);
        QCOMPARE(rig.machine.SettingsFieldCount(), fieldCount);
        QVERIFY(rig.machine.GetZone(-1) == nullptr);
        QVERIFY(rig.machine.GetZone(rig.machine.ZoneCount()) == nullptr);
    }

    // The zone tables, field by field, with the limits file applied per family.
    void zoneTables()
    {
        QFile f(m_home->filePath("MaxTemp.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[4QTR]\r\n4=280\r\n5=100\r\n[362.10]\r\n2=300\r\n[362.0x]\r\n0=260\r\n");
        f.close();

        Rig rig;
        rig.machine.IdentifyMachine("4QTR A");
        const TZone *under = rig.machine.GetZone(4);
        QCOMPARE(under->Name, QString("Underground"));
        QCOMPARE(under->MaxTemp, 280);
        QCOMPARE(std::tuple(under->BoxLeft, under->BoxRight, under->BoxTop, under->BoxBottom), std::tuple(20, 585, 335, 395));
        QCOMPARE(std::tuple(under->ViewLeft, under->ViewRight, under->ViewTop, under->ViewBottom), std::tuple(20, 585, 335, 395));
        QCOMPARE(std::tuple(under->TempChannel, under->StateBit, under->ErrorBit), std::tuple(5, 5, 4));
        QCOMPARE(std::tuple(under->LabelX, under->LabelY), std::tuple(380, 250));
        QCOMPARE(under->TempLabel, QString("lblTemp5"));
        const TZone *cooling = rig.machine.GetZone(5);
        QCOMPARE(cooling->MaxTemp, 100); // read, though never used for a setting
        QVERIFY(!cooling->TempSettable);
        const TZone *preheat = rig.machine.GetZone(1);
        QCOMPARE(std::tuple(preheat->TempChannel, preheat->FanChannel, preheat->MaxTemp), std::tuple(2, 1, 450));
        QCOMPARE(preheat->FanLabel, QString("lblFan1"));
        const TZone *transfer = rig.machine.GetZone(7);
        QCOMPARE(std::tuple(transfer->SpeedChannel, transfer->StateBit, transfer->ErrorBit), std::tuple(1, 6, 2));
        QCOMPARE(transfer->SpeedLabel, QString("lblChain"));
        QCOMPARE(rig.machine.GetZone(8)->HeaterChannel, 1);
        QCOMPARE(rig.machine.GetZone(6)->BoxLeft, rig.machine.GetZone(6)->BoxRight); // "Cooling 2" is not drawn

        rig.machine.SetMachineType(0);
        rig.machine.IdentifyMachine("362.07 B");
        QCOMPARE(rig.machine.GetZone(0)->MaxTemp, 260);
        const TZone *ir = rig.machine.GetZone(1);
        QVERIFY(ir->IsInfrared);
        QCOMPARE(std::tuple(ir->LabelX, ir->LabelY), std::tuple(250, 222));
        QCOMPARE(std::tuple(rig.machine.GetZone(2)->LabelX, rig.machine.GetZone(2)->LabelY), std::tuple(291, 272));
        rig.machine.SetMachineType(0);
        rig.machine.IdentifyMachine("362.04 B");
        QCOMPARE(std::tuple(rig.machine.GetZone(1)->LabelX, rig.machine.GetZone(1)->LabelY), std::tuple(315, 217));

        rig.machine.SetMachineType(0);
        rig.machine.IdentifyMachine("362.10 C");
        QCOMPARE(rig.machine.GetZone(2)->MaxTemp, 300);
        QCOMPARE(rig.machine.GetZone(1)->MaxTemp, 450);
        QVERIFY(!rig.machine.GetZone(1)->IsInfrared); // temperature-controlled infrared
        QCOMPARE(rig.machine.GetZone(0)->FanChannel, 1);
        QCOMPARE(rig.machine.GetZone(0)->TempLabel, QString("lblTemp2"));
    }

    void sameTypeAgainChangesNothing()
    {
        Rig rig;
        rig.machine.IdentifyMachine("362.10 A");
        TZone *first = rig.machine.GetZone(0);
        QSignalSpy log(&rig.machine, &TMachine::logLineAdded);
        QSignalSpy cleared(&rig.machine, &TMachine::typeSwitchStarted);
        rig.machine.IdentifyMachine("362.10 B");
        QCOMPARE(log.count(), 0);
        QCOMPARE(cleared.count(), 0);
        QCOMPARE(rig.machine.GetZone(0), first);
        QCOMPARE(rig.machine.GetMachineName(), QString("362.10 B"));
    }

    void switchToNone()
    {
        Rig rig;
        rig.machine.IdentifyMachine("4QTR A");
        QSignalSpy log(&rig.machine, &TMachine::logLineAdded);
        QSignalSpy picture(&rig.machine, &TMachine::pictureChosen);
        QSignalSpy selector(&rig.machine, &TMachine::zoneSelectorFilled);
        rig.machine.SetMachineType(0);
        QCOMPARE(rig.machine.ZoneCount(), 0);
        QCOMPARE(rig.machine.ValuesRequest(), QByteArray());
        QCOMPARE(rig.machine.SettingsFieldCount(), 0);
        QCOMPARE(picture.count(), 1);
        QCOMPARE(picture.at(0).at(0).toString(), QString("LMImages/Default.bmp"));
        QCOMPARE(selector.count(), 0);
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toString(), QString("Connection lost"));
    }

    // ------------------------------------------------------------ poll cycle

    // After connection: tick 1 moves to identification, tick 2 asks, tick 3 identifies,
    // tick 4 asks for the settings, tick 5 reads them, tick 6 sends the first values
    // request; then values every third tick.
    void tickTimeline()
    {
        Rig rig;
        rig.connect();
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.machine.PollState(), psIdentify);
        QCOMPARE(rig.tick(), QByteArray("R:S0;C1=74;"));
        rig.answer("A:S0=4QTR SIM 1.00;");
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.machine.GetMachineType(), 1);
        QCOMPARE(rig.machine.GetMachineName(), QString("4QTR SIM 1.00"));
        QCOMPARE(rig.tick(), withCheck("R:ST;SF;SV;M1;"));
        rig.answer(kQtrSettings);
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.machine.GetTargetTemp(4), qint16(240));
        QCOMPARE(rig.machine.GetTargetFan(3), qint16(90));
        QCOMPARE(rig.machine.GetTargetSpeed(1), qint16(30));
        const QByteArray values = withCheck("R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;");
        for (int round = 0; round < 3; ++round) {
            QCOMPARE(rig.tick(), values);
            rig.answer("A:T1=" + QByteArray::number(100 + round) + ";");
            QCOMPARE(rig.tick(), QByteArray());
            QCOMPARE(rig.machine.GetActualTemp(1), qint16(100 + round));
            QCOMPARE(rig.machine.PollState(), psWrite);
            QCOMPARE(rig.tick(), QByteArray()); // nothing to write
            QCOMPARE(rig.machine.PollState(), psReadValues);
        }
    }

    // A reply that has not come yet keeps the step waiting, with nothing sent again.
    void unansweredStepWaits()
    {
        Rig rig;
        rig.bringUp("362.04 A", k362Settings);
        QVERIFY(!rig.tick().isEmpty());
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.machine.PollState(), psReadValues);
        QVERIFY(rig.machine.RequestInFlight());
    }

    void identificationOfAnotherForm()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        rig.tick();
        rig.answer("A:ERR=3;");
        rig.tick();
        QCOMPARE(rig.machine.PollState(), psIdentify);
        QCOMPARE(rig.tick(), QByteArray("R:S0;C1=74;"));
    }

    void incompleteSettingsAreReadAgain_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("understood"); // false: logged once, asked again after a pause
        QTest::addRow("all four") << QByteArray("4QTR A") << kQtrSettings << true << true;
        QTest::addRow("three of four") << QByteArray("4QTR A")
                                       << QByteArray("A:ST=150,170,190,240,160;SF=70,80,90;SV=30;") << false << false;
        QTest::addRow("bad check field") << QByteArray("4QTR A") << QByteArray() << false << true;
        QTest::addRow("fields in another order")
            << QByteArray("4QTR A") << QByteArray("A:M1=1;SV=30;SF=70,80,90;ST=1,2,3,4,5;") << true << true;
        QTest::addRow("unknown field among them")
            << QByteArray("4QTR A") << QByteArray("A:ST=1;XX=2;SF=1;SV=1;M1=1;") << false << false;
        QTest::addRow("a field too many") << QByteArray("362.10 A") << QByteArray("A:ST=1,2,3;SF=1;SV=1;M1=1;")
                                          << false << false;
    }

    void incompleteSettingsAreReadAgain()
    {
        QFETCH(QByteArray, ident);
        QFETCH(QByteArray, reply);
        QFETCH(bool, complete);
        QFETCH(bool, understood);
        Rig rig;
        rig.connect();
        rig.tick();
        rig.tick();
        rig.answer("A:S0=" + ident + ";");
        rig.tick();
        QSignalSpy log(&rig.machine, &TMachine::logLineAdded);
        const QByteArray request = rig.machine.SettingsRequest();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(rig.tick(), withCheck(request));
            if (reply.isEmpty())
                rig.answer("A:ST=1,2,3,4,5;SF=1,2,3;SV=4;M1=1;C1=0;", false);
            else
                rig.answer(reply);
            rig.tick();
            if (complete)
                break;
            QCOMPARE(rig.machine.PollState(), psReadSettings);
            if (!understood) {
                for (int quiet = 0; quiet < TMachine::kRetryTicks; ++quiet)
                    QCOMPARE(rig.tick(), QByteArray());
            }
        }
        QCOMPARE(rig.machine.PollState(), complete ? psReadValues : psReadSettings);
        QCOMPARE(log.count(), understood ? 0 : 1);
        if (!understood)
            QCOMPARE(log.at(0).at(0).toString(), "Reply of the machine not understood: " + QString::fromLatin1(reply));
    }

    // A machine the program does not know keeps the link up but gets no type: it is
    // asked again after a pause, and the log says once what came back.
    void unknownMachineAskedAgain()
    {
        Rig rig;
        rig.connect();
        QSignalSpy log(&rig.machine, &TMachine::logLineAdded);
        rig.tick();
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(rig.tick(), QByteArray("R:S0;C1=74;"));
            rig.answer("A:S0=XYZ;");
            rig.tick();
            QCOMPARE(rig.machine.PollState(), psIdentify);
            QCOMPARE(rig.machine.GetMachineType(), 0);
            QCOMPARE(rig.machine.GetMachineName(), QString());
            for (int quiet = 0; quiet < TMachine::kRetryTicks; ++quiet)
                QCOMPARE(rig.tick(), QByteArray());
        }
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toString(), QString("Reply of the machine not understood: A:S0=XYZ;"));
        QCOMPARE(rig.tick(), QByteArray("R:S0;C1=74;"));
        rig.answer("A:S0=362.07 B;");
        rig.tick();
        QCOMPARE(rig.machine.GetMachineType(), 3);
        QCOMPARE(rig.machine.PollState(), psReadSettings);
    }

    void valuesReply()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.tick();
        rig.answer("A:T1=100;T2=100;T3=100;T4=7;F1=50;V1=20;");
        rig.tick();
        rig.tick();
        rig.tick();
        // T2 is no number, T4 holds the no-value mark, TX has no channel, T10 a longer
        // name, F1 no equals sign in third place; the rest is stored.
        rig.answer("A:T1=215;T2=;T3=190;T4=32767;TX=5;T10=9;F1:60;V1=-5;H1=1;S3=125;Q1=4;S4=1;");
        rig.tick();
        QCOMPARE(rig.machine.GetActualTemp(1), qint16(215));
        QCOMPARE(rig.machine.GetActualTemp(2), qint16(100));
        QCOMPARE(rig.machine.GetActualTemp(3), qint16(190));
        QCOMPARE(rig.machine.GetActualTemp(4), qint16(7));
        QCOMPARE(rig.machine.GetActualFan(1), qint16(50));
        QCOMPARE(rig.machine.GetActualSpeed(1), qint16(-5));
        QCOMPARE(rig.machine.GetActualHeater(1), qint16(1));
        QCOMPARE(rig.machine.GetOperationTime(), qint16(125));
        QCOMPARE(rig.machine.PollState(), psWrite);
    }

    // An empty field ends the reading of a values reply.
    void emptyFieldEndsValues()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.tick();
        rig.answer("A:T1=215;;T2=190;");
        rig.tick();
        QCOMPARE(rig.machine.GetActualTemp(1), qint16(215));
        QCOMPARE(rig.machine.GetActualTemp(2), qint16(0));
    }

    void noValueMarkOnlyInValues()
    {
        Rig rig;
        rig.bringUp("4QTR A", "A:ST=32767,170,190,240,70000;SF=70,80,90;SV=30;M1=0;");
        QCOMPARE(rig.machine.GetTargetTemp(1), qint16(32767));
        QCOMPARE(rig.machine.GetTargetTemp(5), qint16(70000 - 65536)); // low 16 bits
        rig.tick();
        rig.answer("A:T1=32767;T2=99999999999;T3=-32768;");
        rig.tick();
        QCOMPARE(rig.machine.GetActualTemp(1), qint16(0));
        QCOMPARE(rig.machine.GetActualTemp(2), qint16(0)); // beyond 32 bits: no number
        QCOMPARE(rig.machine.GetActualTemp(3), qint16(-32768));
    }

    void stateAndErrorBytes_data()
    {
        QTest::addColumn<int>("s1");
        QTest::addColumn<int>("s2");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QList<int>>("notReady");
        QTest::addColumn<QList<int>>("errors");
        QTest::addRow("all clear") << 0 << 0 << true << QList<int>{} << QList<int>{};
        QTest::addRow("zones 1 and 3 not ready") << 0 << 5 << false << QList<int>{1, 3} << QList<int>{};
        QTest::addRow("bit 0 of the error byte means nothing") << 1 << 0 << true << QList<int>{} << QList<int>{};
        QTest::addRow("hood open") << 2 << 0 << true << QList<int>{} << QList<int>{1};
        QTest::addRow("zone errors, low byte only") << 0x1A4 << 0x180 << false << QList<int>{8} << QList<int>{2, 5, 7};
    }

    void stateAndErrorBytes()
    {
        QFETCH(int, s1);
        QFETCH(int, s2);
        QFETCH(bool, ready);
        QFETCH(QList<int>, notReady);
        QFETCH(QList<int>, errors);
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.tick();
        rig.answer("A:S1=255;S2=255;");
        rig.tick();
        rig.tick();
        rig.tick();
        rig.answer("A:S1=" + QByteArray::number(s1) + ";S2=" + QByteArray::number(s2) + ";");
        rig.tick();
        QCOMPARE(rig.machine.IsReady(), ready);
        for (int i = 1; i <= 8; ++i)
            QCOMPARE(rig.machine.GetStatusFlag(i), !notReady.contains(i));
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(rig.machine.GetOptionFlag(i), errors.contains(i));
        QVERIFY(!rig.machine.GetStatusFlag(0));
        QVERIFY(!rig.machine.GetOptionFlag(0));
        QVERIFY(!rig.machine.GetStatusFlag(9));
    }

    // The machine log tells every change of the state and error flags, naming the zone,
    // after one summary line for the state found at connection; nothing for a reply
    // that changes nothing.
    void stateChangesInTheLog()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        QStringList log;
        connect(&rig.machine, &TMachine::logLineAdded, [&](const QString &l) { log << l; });
        const auto after = [&](const QByteArray &reply) {
            log.clear();
            rig.values(reply);
            return log;
        };
        QCOMPARE(after("A:S1=64;S2=0;"), QStringList{"Machine state: Ready (Preheat 2: error)"});
        QCOMPARE(after("A:S1=64;S2=0;"), QStringList{});
        QCOMPARE(after("A:S1=2;S2=1;"), (QStringList{"Machine not ready", "Hood open / Emergency off",
                                                    "Startup: not in order", "Preheat 2: error cleared"}));
        QCOMPARE(after("A:S1=0;S2=0;"),
                 (QStringList{"Machine ready", "Hood closed, emergency off cleared", "Startup: in order"}));
        // A new connection starts with a summary again.
        rig.lose();
        rig.tick();
        rig.bringUp("4QTR A", kQtrSettings);
        QCOMPARE(after("A:S1=2;S2=1;"),
                 QStringList{"Machine state: Not Ready (Hood open / Emergency off; Startup: not in order)"});
    }

    // What the machine took, in words, once it took it; a refused write says nothing.
    void sentValuesInTheLog()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.values("A:S1=0;S2=0;");
        QStringList log;
        connect(&rig.machine, &TMachine::logLineAdded, [&](const QString &l) { log << l; });
        rig.machine.SetTargetSpeed(1, 40);
        rig.machine.SetTargetFan(2, 75);
        rig.machine.SetHeater(1, 0);
        rig.machine.SendPendingValues();
        rig.tick();
        rig.answer("A:S1=0;S2=0;");
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:V1=40;F2=70;H1=0;"));
        rig.answer("A:ERR=1;");
        rig.tick();
        QCOMPARE(log, QStringList{});
        QCOMPARE(rig.tick(), withCheck("W:V1=40;F2=70;H1=0;"));
        rig.answer("A:ERR=0;");
        rig.tick();
        QCOMPARE(log, QStringList{"Sent: Transfer speed 40 cm/min; Preheat 2 fan 70 %; Heater off"});
        QCOMPARE(rig.machine.DescribeCommand("W:T2=200;F1=70;"), QString("Preheat 1 target 200 °C, fan 70 %"));
    }

    // A write goes out at the write step after "Send Values", is repeated until the
    // machine accepts it, and is followed by a settings read.
    void writeRepeatedUntilAccepted()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.machine.SetTargetSpeed(1, 40);
        QVERIFY(rig.machine.HasPendingValues());
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        QCOMPARE(rig.tick(), QByteArray()); // queued but not requested: nothing goes out
        QCOMPARE(rig.machine.PollState(), psReadValues);
        rig.machine.SendPendingValues();
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:V1=40;"));
        rig.answer("A:ERR=1;");
        rig.tick();
        QCOMPARE(rig.machine.PollState(), psWrite);
        QCOMPARE(rig.tick(), withCheck("W:V1=40;"));
        rig.answer("A:ERR=0;C1=99;", false); // bad check field: not accepted
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:V1=40;"));
        rig.answer("A:ERR=0;");
        rig.tick();
        QVERIFY(!rig.machine.HasPendingValues());
        QVERIFY(!rig.machine.SendRequested());
        QCOMPARE(rig.machine.PollState(), psReadSettings);
        QCOMPARE(rig.tick(), withCheck("R:ST;SF;SV;M1;"));
        rig.answer("A:ST=150,170,190,240,160;SF=70,80,90;SV=40;M1=0;");
        rig.tick();
        QCOMPARE(rig.machine.GetTargetSpeed(1), qint16(40));
        QCOMPARE(rig.machine.PollState(), psReadValues);
    }

    // A change made while a command is on its way is not lost when the machine accepts
    // that command: it goes out on its own at the next write step.
    void changeDuringWriteStaysQueued()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.machine.SetTargetSpeed(1, 40);
        rig.machine.SendPendingValues();
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:V1=40;"));
        rig.machine.SetHeater(1, 0); // made while the command is in flight
        rig.machine.SetTargetFan(1, 60);
        QCOMPARE(rig.machine.PendingCommand(), QByteArray("W:V1=40;H1=0;F1=60;"));
        rig.answer("A:ERR=0;");
        rig.tick();
        QCOMPARE(rig.machine.PendingCommand(), QByteArray("W:H1=0;F1=60;"));
        QVERIFY(rig.machine.SendRequested());
        QCOMPARE(rig.tick(), withCheck("R:ST;SF;SV;M1;"));
        rig.answer(kQtrSettings);
        rig.tick();
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:H1=0;F1=60;"));
        rig.answer("A:ERR=0;");
        rig.tick();
        QVERIFY(!rig.machine.HasPendingValues());
        QVERIFY(!rig.machine.SendRequested());
    }

    // A refused command goes again with everything added meanwhile.
    void refusedCommandGoesAgainWithAdditions()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.machine.SetTargetSpeed(1, 40);
        rig.machine.SendPendingValues();
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        rig.tick();
        rig.machine.SetTargetSpeed(1, 41);
        rig.answer("A:ERR=1;");
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:V1=40;V1=41;"));
        rig.answer("A:ERR=0;");
        rig.tick();
        QVERIFY(!rig.machine.HasPendingValues());
    }

    void armedSendingGoesOutWithTheNextChange()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.machine.SendPendingValues(); // nothing queued: armed
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        QCOMPARE(rig.tick(), QByteArray());
        rig.machine.SetHeater(1, 1);
        rig.tick();
        rig.answer("A:T1=1;");
        rig.tick();
        QCOMPARE(rig.tick(), withCheck("W:H1=1;"));
    }

    void linkLossDropsTheQueue_data()
    {
        QTest::addColumn<bool>("backBeforeStep"); // found again before the next poll step
        QTest::addColumn<bool>("screenSawIt");    // the window's refresh switched the type first
        QTest::addRow("down at the step") << false << false;
        QTest::addRow("lost and found between two steps") << true << false;
        QTest::addRow("only the screen refresh saw it") << true << true;
    }

    // However the loss is noticed, the queue goes, the log says so once, and the machine
    // now answering is identified anew; the old machine's command is never sent to it.
    void linkLossDropsTheQueue()
    {
        QFETCH(bool, backBeforeStep);
        QFETCH(bool, screenSawIt);
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.machine.SetTargetSpeed(1, 40);
        rig.machine.SendPendingValues();
        rig.tick(); // the values request is in flight
        QSignalSpy log(&rig.machine, &TMachine::logLineAdded);
        rig.lose();
        if (screenSawIt) {
            QVERIFY(rig.machine.LinkLost());
            rig.machine.SetMachineType(0);
        }
        if (backBeforeStep) {
            rig.connect();
            QVERIFY(rig.machine.LinkLost());
        }
        QCOMPARE(rig.tick(), QByteArray());
        QCOMPARE(rig.machine.PollState(), psStart);
        QVERIFY(!rig.machine.HasPendingValues());
        QVERIFY(!rig.machine.SendRequested());
        QCOMPARE(rig.machine.GetMachineName(), QString());
        QCOMPARE(rig.machine.GetMachineType(), 0);
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.at(0).at(0).toString(), QString("Connection lost"));
        QCOMPARE(rig.machine.GetTargetSpeed(1), qint16(40)); // until the next settings read
        if (!backBeforeStep)
            rig.connect();
        QVERIFY(!rig.machine.LinkLost());
        rig.tick();
        QCOMPARE(rig.machine.PollState(), psIdentify);
        QVERIFY(!rig.machine.RequestInFlight());
        QCOMPARE(rig.tick(), QByteArray("R:S0;C1=74;"));
        rig.answer("A:S0=362.10 B;");
        rig.tick();
        QCOMPARE(rig.machine.GetMachineType(), 4);
        QCOMPARE(log.count(), 2);
    }

    // A reply from the link as it was before a loss is never taken by the cycle of the
    // link found after it.
    void replyOfAnEarlierConnectionIsRefused()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        const quint32 before = rig.com().ConnectionCount();
        QVERIFY(!rig.com().PostRequest("X", before + 1));
        QVERIFY(rig.com().PostRequest("X", before));
        rig.answer("A:T1=1;");
        QVERIFY(rig.com().TakeReply(before));
        rig.lose();
        rig.connect();
        QVERIFY(!rig.com().TakeReply(before));
        QVERIFY(rig.com().TakeReply(before + 1));
    }

    // ------------------------------------------------------------ measurement steps

    void measurementSample()
    {
        Rig rig;
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        rig.host.measurement = &measurement;
        rig.host.start = TickCount() - 1500;
        rig.bringUp("362.10 A", k362Settings);
        rig.machine.SetMeasuring(true);
        QSignalSpy recorded(&rig.machine, &TMachine::sampleRecorded);

        rig.machine.MeasureTick();
        QCOMPARE(rig.machine.PollState(), psMeasure);
        QCOMPARE(QByteArray::fromStdString(rig.com().PendingRequest().value_or("")), withCheck("R:T4;"));
        QVERIFY(rig.machine.MeasureExchangeRunning());
        // The measurement keeps its pace: its timer runs on through the exchange.
        QVERIFY(rig.machine.MeasureTimer().isActive());
        rig.machine.RefreshTick(); // the cycle's tick waits for the exchange...
        QCOMPARE(rig.machine.PollState(), psMeasure);

        rig.answer("A:T4=215;");
        QTRY_VERIFY(!rig.machine.MeasureExchangeRunning()); // the exchange polls on its own
        // ...and its step comes right after it.
        QCOMPARE(QByteArray::fromStdString(rig.com().PendingRequest().value_or("")), withCheck(rig.machine.ValuesRequest()));
        QCOMPARE(rig.machine.PollState(), psReadValues);
        QVERIFY(rig.machine.MeasureTimer().isActive());
        QVERIFY(rig.machine.RefreshTimer().isActive());
        QCOMPARE(recorded.count(), 1);
        QCOMPARE(recorded.at(0).at(0).value<qsizetype>(), qsizetype(0));
        QCOMPARE(measurement.RowCount(), qsizetype(1));
        QVERIFY(measurement.GetTime(0) >= 1500 && measurement.GetTime(0) < 60000);
        QCOMPARE(measurement.GetValue(0, 0), quint32(2150));
        QCOMPARE(measurement.GetFlag(0), quint32(1));
    }

    void measurementReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<quint32>("value");
        QTest::addRow("matching channel") << QByteArray("A:T4=230;") << true << quint32(2300);
        QTest::addRow("value not a number counts as 0") << QByteArray("A:T4=x;") << true << quint32(0);
        QTest::addRow("other channel") << QByteArray("A:T3=230;") << false << quint32(0);
        QTest::addRow("not a temperature") << QByteArray("A:F4=230;") << false << quint32(0);
        QTest::addRow("empty payload") << QByteArray("A:T4=230;C1=0;") << false << quint32(0);
    }

    void measurementReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, recorded);
        QFETCH(quint32, value);
        Rig rig;
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        rig.host.measurement = &measurement;
        rig.bringUp("362.10 A", k362Settings);
        rig.machine.SetMeasuring(true);
        rig.machine.MeasureTick();
        rig.answer(reply, !reply.contains("C1="));
        QTRY_VERIFY(!rig.machine.MeasureExchangeRunning());
        QCOMPARE(measurement.RowCount(), qsizetype(recorded ? 1 : 0));
        if (recorded)
            QCOMPARE(measurement.GetValue(0, 0), value);
    }

    void measurementTickFindsRequestInFlight_data()
    {
        QTest::addColumn<bool>("write");        // a write in flight, else a values request
        QTest::addColumn<QByteArray>("reply");  // the machine's answer to it
        QTest::addColumn<int>("stateAfter");
        QTest::addColumn<bool>("stillQueued");
        QTest::addRow("write accepted") << true << QByteArray("A:ERR=0;") << int(psReadSettings) << false;
        QTest::addRow("write refused") << true << QByteArray("A:ERR=1;") << int(psWrite) << true;
        QTest::addRow("values") << false << QByteArray("A:T1=123;") << int(psWrite) << true;
    }

    // A measurement tick never takes the reply to a request it did not send: the
    // cycle's exchange finishes in its own step, then the measurement request goes out.
    void measurementTickFindsRequestInFlight()
    {
        QFETCH(bool, write);
        QFETCH(QByteArray, reply);
        QFETCH(int, stateAfter);
        QFETCH(bool, stillQueued);
        Rig rig;
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        rig.host.measurement = &measurement;
        rig.bringUp("362.04 A", k362Settings);
        rig.machine.SetMeasuring(true);
        rig.machine.SetTargetSpeed(1, 20);
        const QByteArray inFlight = withCheck(write ? QByteArray("W:V1=20;") : rig.machine.ValuesRequest());
        if (write) {
            rig.machine.SendPendingValues();
            rig.values("A:T1=1;");
            QCOMPARE(rig.tick(), QByteArray());
        } else {
            rig.tick();
        }
        auto pending = [&] { return QByteArray::fromStdString(rig.com().PendingRequest().value_or("")); };
        QCOMPARE(pending(), inFlight);
        rig.machine.MeasureTick();
        QVERIFY(rig.machine.MeasureExchangeRunning());
        QTest::qWait(20);
        QCOMPARE(pending(), inFlight); // nothing else goes out while its reply is awaited
        rig.answer(reply);
        QTRY_COMPARE(pending(), withCheck("R:T3;"));
        QCOMPARE(rig.machine.PollState(), psMeasure);
        if (!write)
            QCOMPARE(rig.machine.GetActualTemp(1), qint16(123)); // parsed as its own step would
        rig.answer("A:T3=180;");
        QTRY_VERIFY(!rig.machine.MeasureExchangeRunning());
        QCOMPARE(measurement.RowCount(), qsizetype(1));
        QCOMPARE(measurement.GetValue(0, 0), quint32(1800));
        QCOMPARE(int(rig.machine.PollState()), stateAfter);
        QVERIFY(!rig.machine.RequestInFlight());
        QCOMPARE(rig.machine.HasPendingValues(), stillQueued);
        if (write && stillQueued)
            QCOMPARE(rig.tick(), withCheck("W:V1=20;"));
    }

    void measurementTickIgnored_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<bool>("identified");
        QTest::addRow("4QTR has no measuring channel") << QByteArray("4QTR A") << true;
        QTest::addRow("not identified yet") << QByteArray("362.10 A") << false;
    }

    void measurementTickIgnored()
    {
        QFETCH(QByteArray, ident);
        QFETCH(bool, identified);
        Rig rig;
        if (identified)
            rig.bringUp(ident, kQtrSettings);
        else
            rig.connect();
        const TPollState before = rig.machine.PollState();
        rig.machine.SetMeasuring(true);
        rig.machine.MeasureTick();
        QCOMPARE(rig.machine.PollState(), before);
        QVERIFY(!rig.machine.MeasureExchangeRunning());
    }

    // The link goes while the measurement waits for its reply: the cycle starts over.
    void measurementLinkLost()
    {
        Rig rig;
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        rig.host.measurement = &measurement;
        rig.bringUp("362.10 A", k362Settings);
        rig.machine.SetMeasuring(true);
        rig.machine.MeasureTick();
        rig.lose();
        QTRY_VERIFY(!rig.machine.MeasureExchangeRunning());
        QCOMPARE(rig.machine.PollState(), psStart);
        QCOMPARE(measurement.RowCount(), qsizetype(0));
    }

    // Stopping the measurement while its exchange runs leaves the timer stopped.
    void stopDuringMeasurementExchange()
    {
        Rig rig;
        TMessungInfo measurement;
        measurement.SetChannelCount(1);
        rig.host.measurement = &measurement;
        rig.bringUp("362.10 A", k362Settings);
        rig.machine.SetMeasuring(true);
        rig.machine.MeasureTick();
        rig.machine.SetMeasuring(false);
        rig.answer("A:T4=100;");
        QTRY_VERIFY(!rig.machine.MeasureExchangeRunning());
        QVERIFY(!rig.machine.MeasureTimer().isActive());
    }

    // ------------------------------------------------------------ setters

    void setterLimits_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<int>("zone"); // current zone of a 362.04: 0 temperature, 1 infrared
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("queued"); // empty: dropped
        QTest::addRow("temperature 39") << "temp" << 0 << 39 << QByteArray();
        QTest::addRow("temperature 40") << "temp" << 0 << 40 << QByteArray("W:T1=40;");
        QTest::addRow("temperature at the limit") << "temp" << 0 << 260 << QByteArray("W:T1=260;");
        QTest::addRow("temperature over the limit") << "temp" << 0 << 261 << QByteArray();
        QTest::addRow("temperature 3 in a temperature zone") << "temp" << 0 << 3 << QByteArray();
        QTest::addRow("IR level 0") << "temp" << 1 << 0 << QByteArray("W:T1=0;");
        QTest::addRow("IR level 5") << "temp" << 1 << 5 << QByteArray("W:T1=5;");
        QTest::addRow("IR level 6") << "temp" << 1 << 6 << QByteArray();
        QTest::addRow("IR level -1") << "temp" << 1 << -1 << QByteArray();
        QTest::addRow("no current zone") << "temp" << 9 << 100 << QByteArray();
        QTest::addRow("fan 49") << "fan" << 0 << 49 << QByteArray();
        QTest::addRow("fan 50") << "fan" << 0 << 50 << QByteArray("W:F1=50;");
        QTest::addRow("fan 57 rounds down") << "fan" << 0 << 57 << QByteArray("W:F1=50;");
        QTest::addRow("fan 99 rounds down") << "fan" << 0 << 99 << QByteArray("W:F1=90;");
        QTest::addRow("fan 100") << "fan" << 0 << 100 << QByteArray("W:F1=100;");
        QTest::addRow("fan 101") << "fan" << 0 << 101 << QByteArray();
        QTest::addRow("speed 4") << "speed" << 0 << 4 << QByteArray();
        QTest::addRow("speed 5") << "speed" << 0 << 5 << QByteArray("W:V1=5;");
        QTest::addRow("speed 60") << "speed" << 0 << 60 << QByteArray("W:V1=60;");
        QTest::addRow("speed 61") << "speed" << 0 << 61 << QByteArray();
        QTest::addRow("heater 1") << "heater" << 0 << 1 << QByteArray("W:H1=1;");
        QTest::addRow("heater 2") << "heater" << 0 << 2 << QByteArray();
        QTest::addRow("auto heater 0") << "auto" << 0 << 0 << QByteArray("W:M1=0;");
        QTest::addRow("auto heater -1") << "auto" << 0 << -1 << QByteArray();
    }

    void setterLimits()
    {
        QFETCH(QString, setter);
        QFETCH(int, zone);
        QFETCH(int, value);
        QFETCH(QByteArray, queued);
        QFile f(m_home->filePath("MaxTemp.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[362.0x]\r\n0=260\r\n");
        f.close();
        Rig rig;
        rig.connect();
        rig.machine.IdentifyMachine("362.04 A");
        rig.host.zone = zone;
        const auto v = static_cast<qint16>(value);
        const qint16 before = readSetter(rig.machine, setter);
        applySetter(rig.machine, setter, v);
        QCOMPARE(rig.machine.PendingCommand(), queued);
        const qint16 after = readSetter(rig.machine, setter);
        if (queued.isEmpty())
            QCOMPARE(after, before);
        else
            QCOMPARE(QByteArray::number(after), queued.mid(queued.indexOf('=') + 1).chopped(1));

        // The same change with the link down touches neither the table nor the queue.
        Rig down;
        down.machine.IdentifyMachine("362.04 A");
        down.host.zone = zone;
        applySetter(down.machine, setter, v);
        QVERIFY(!down.machine.HasPendingValues());
        QCOMPARE(readSetter(down.machine, setter), qint16(0));
    }

    void assignmentsAreNeverMerged()
    {
        Rig rig;
        rig.connect();
        rig.machine.IdentifyMachine("4QTR A");
        rig.machine.SetTargetTemp(1, 230);
        rig.machine.SetTargetFan(1, 60);
        rig.machine.SetTargetTemp(1, 231);
        rig.machine.SetTargetTemp(21, 231); // no such channel
        QCOMPARE(rig.machine.PendingCommand(), QByteArray("W:T1=230;F1=60;T1=231;"));
        QCOMPARE(rig.machine.GetTargetTemp(1), qint16(231));
        QVERIFY(!rig.machine.SendRequested());
    }

    void valueTableOutsideChannels()
    {
        Rig rig;
        QCOMPARE(rig.machine.GetTargetTemp(0), qint16(0));
        QCOMPARE(rig.machine.GetActualTemp(21), qint16(0));
    }

    void refreshInterval_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<int>("interval");
        QTest::addRow("default") << QByteArray() << 1000;
        QTest::addRow("500") << QByteArray("500") << 1000;
        QTest::addRow("1000") << QByteArray("1000") << 1000;
        QTest::addRow("9000") << QByteArray("9000") << 9000;
        QTest::addRow("10000") << QByteArray("10000") << 1000;
        QTest::addRow("hex") << QByteArray("0x7D0") << 2000;
    }

    void refreshInterval()
    {
        QFETCH(QByteArray, setting);
        QFETCH(int, interval);
        if (!setting.isEmpty()) {
            QFile f(m_home->filePath("Vard.ini"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Machine]\r\nRefreshCount=" + setting + "\r\n");
        }
        Rig rig;
        QCOMPARE(rig.machine.RefreshInterval(), interval);
        QCOMPARE(rig.machine.RefreshTimer().interval(), interval);
        QVERIFY(rig.machine.RefreshTimer().isActive());
        QCOMPARE(rig.machine.MeasureTimer().interval(), 500);
        QVERIFY(!rig.machine.MeasureTimer().isActive());
    }

    // The heater setting is never reported; the first heater state of a connection is
    // taken as the setting the machine runs with, so nothing starts from the table's 0.
    void heaterSettingFromTheMachine()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        QVERIFY(!rig.machine.HeaterKnown(1));
        QVERIFY(!rig.machine.ValuesKnown());
        rig.values("A:T1=100;H1=1;S1=0;S2=0;");
        QCOMPARE(rig.machine.GetHeater(1), qint16(1));
        QVERIFY(rig.machine.ValuesKnown());
        // Later states do not undo what the operator set.
        rig.machine.SetHeater(1, 0);
        rig.values("A:T1=100;H1=1;S1=0;S2=0;");
        QCOMPARE(rig.machine.GetHeater(1), qint16(0));
        QCOMPARE(rig.machine.QueuedValue('H', 1), std::optional<qint16>(0));
        // A new connection reads it anew.
        rig.lose();
        rig.tick();
        QVERIFY(!rig.machine.HeaterKnown(1));
        rig.bringUp("4QTR A", kQtrSettings);
        rig.values("A:T1=100;H1=1;S1=0;S2=0;");
        QCOMPARE(rig.machine.GetHeater(1), qint16(1));
    }

    // An error bit that no zone of the type owns is an alarm and a log line of its own.
    void errorBitWithoutAZone()
    {
        Rig rig;
        rig.bringUp("362.10 A", k362Settings);
        QStringList log;
        connect(&rig.machine, &TMachine::logLineAdded, [&](const QString &l) { log << l; });
        rig.values("A:S1=64;S2=0;");
        QCOMPARE(rig.machine.AlarmTexts(), QStringList{"Machine error 6"});
        QCOMPARE(log, QStringList{"Machine state: Ready (Machine error 6)"});
        log.clear();
        rig.values("A:S1=0;S2=0;");
        QCOMPARE(log, QStringList{"Machine error 6 cleared"});
        QVERIFY(rig.machine.AlarmTexts().isEmpty());
    }

    // What waits to be sent: the last value per channel, each channel counted once.
    void queuedValues()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        QCOMPARE(rig.machine.QueuedCount(), 0);
        rig.machine.SetTargetFan(1, 70);
        rig.machine.SetTargetSpeed(1, 40);
        rig.machine.SetTargetFan(1, 90);
        QCOMPARE(rig.machine.QueuedCount(), 2);
        QCOMPARE(rig.machine.QueuedValue('F', 1), std::optional<qint16>(90));
        QCOMPARE(rig.machine.QueuedValue('V', 1), std::optional<qint16>(40));
        QCOMPARE(rig.machine.QueuedValue('F', 2), std::nullopt);
        QCOMPARE(rig.machine.QueuedValue('T', 1), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestMachine)
#include "tst_machine.moc"
