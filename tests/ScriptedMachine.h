#pragma once
// A machine object with no link thread: the test plays the link, reading the machine's
// requests from the mailbox and putting the machine's replies there. Nothing waits on
// a real timer; each refresh tick is a call.

#include <QByteArray>

#include "machine/MachineUnit.h"
#include "measure/ObjMessungUnit.h"

inline QByteArray withCheck(const QByteArray &text)
{
    return text + "C1=" + QByteArray::number(TMachine::Checksum(text)) + ';';
}

struct ScriptedHost : TMachineHost {
    int zone = 0;
    quint32 start = 0;
    TMessungInfo *measurement = nullptr;
    int CurrentZone() const override { return zone; }
    quint32 MeasureStart() const override { return start; }
    TMessungInfo *Measurement() const override { return measurement; }
};

struct Rig {
    ScriptedHost host;
    TMachine machine{TThreadCom::DeviceFactory{}};

    Rig() { machine.SetHost(&host); }
    TCom &com() { return machine.Com(); }
    void connect() { com().MarkConnected(); }
    void lose() { com().Reset(); }

    // One refresh tick; the request it handed to the link, if any.
    QByteArray tick()
    {
        const bool wasPending = com().SendPending;
        machine.RefreshTick();
        if (wasPending || !com().SendPending)
            return {};
        return QByteArray::fromStdString(com().PendingRequest().value_or(""));
    }
    // The machine's answer, with a correct check field unless given one.
    void answer(const QByteArray &payload, bool addCheck = true)
    {
        com().DeliverReply((addCheck ? withCheck(payload) : payload).toStdString());
    }

    // Connected, identified as `ident` and past the settings read: the next tick sends
    // the first values request.
    void bringUp(const QByteArray &ident, const QByteArray &settingsReply)
    {
        connect();
        tick();
        tick();
        answer("A:S0=" + ident + ";");
        tick();
        tick();
        answer(settingsReply);
        tick();
    }

    // From psReadValues with nothing in flight: one values exchange, and back to
    // psReadValues (through the write step, which sends a command when one is asked for).
    void values(const QByteArray &reply)
    {
        tick();
        answer(reply);
        tick();
        tick();
    }
};

const QByteArray kQtrSettings = "A:ST=150,170,190,240,160;SF=70,80,90;SV=30;M1=0;";
const QByteArray k362Settings = "A:ST=220,3,0,0,0;SF=60,0,0;SV=25;";
