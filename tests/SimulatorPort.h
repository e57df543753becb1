#pragma once
// The simulated machine as serial port 1 of a private settings folder, reached through a
// link that follows it across a hang-up; `ports` adds lines for further ports.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "sim/SimulatedMachine.h"

inline void startSimulatorAsPortOne(std::unique_ptr<vardsim::SimulatedMachine> &sim, vardsim::MachineKind kind,
                                    const QTemporaryDir &home, const QByteArray &ports = "ComNo=1\r\n")
{
    sim = std::make_unique<vardsim::SimulatedMachine>(kind);
    QVERIFY2(sim->start(), qPrintable(sim->errorString()));
    const QString link = home.filePath("machine1");
    QVERIFY(sim->publishLink(link));
    QFile f(home.filePath("Vard.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Communications]\r\nReadTimeout=500\r\nPort1=" + link.toLocal8Bit() + "\r\n" + ports);
}
