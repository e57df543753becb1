#pragma once
// What every benchmark against the simulated machine sets up first: a private settings
// folder whose "Vard.ini" puts serial port 1 (the only one scanned) on the simulator.

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "sim/SimulatedMachine.h"

struct BenchRig {
    QTemporaryDir home;
    vardsim::SimulatedMachine sim;

    explicit BenchRig(vardsim::MachineKind kind) : sim(kind) {}

    // False, with the reason on stderr, when the folder or the simulator cannot be had.
    bool start(const char *bench)
    {
        if (!home.isValid() || !sim.start()) {
            std::fprintf(stderr, "%s: cannot set up: %s\n", bench, qPrintable(sim.errorString()));
            return false;
        }
        QFile ini(home.filePath(QStringLiteral("Vard.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[Communications]\r\nComNo=1\r\nPort1=" + sim.devicePath().toLocal8Bit() + "\r\n");
        return true;
    }
};
