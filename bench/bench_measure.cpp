// The measurement: memory per row and the time to add a million rows; and the main
// thread's longest stall while measuring at 500 ms against a simulated machine that
// stops answering in the middle of a reply.
// Usage: bench_measure [rows]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "machine/MachineUnit.h"
#include "measure/ObjMessungUnit.h"
#include "BenchRig.h"
#include "sim/SimulatedMachine.h"

namespace {

long rssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct Host : TMachineHost {
    TMessungInfo *measurement = nullptr;
    quint32 start = 0;
    int CurrentZone() const override { return 0; }
    quint32 MeasureStart() const override { return start; }
    TMessungInfo *Measurement() const override { return measurement; }
};

void rows(qsizetype count)
{
    TMessungInfo m;
    m.SetChannelCount(1);
    const long before = rssKiB();
    QElapsedTimer t;
    t.start();
    TDataRow row{0, 0, 1};
    for (qsizetype i = 0; i < count; ++i) {
        row[0] = quint32(i * 500);
        row[1] = quint32(2000 + i % 500);
        m.AddRow(row);
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const long after = rssKiB();
    std::printf("measurement rows: %lld one-channel rows added in %.1f ms (%.1f ns per row)\n",
                static_cast<long long>(count), ms, ms * 1e6 / double(count));
    std::printf("row memory: %.2f bytes per row held (%.2f by resident size growth)\n",
                double(m.RowMemoryBytes()) / double(count), double(after - before) * 1024.0 / double(count));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    rows(argc > 1 ? std::max(1, atoi(argv[1])) : 1000000);

    BenchRig rig(vardsim::MachineKind::T362_10);
    if (!rig.start("bench_measure"))
        return 1;
    qputenv("VARD_HOME", rig.home.path().toLocal8Bit());

    TMessungInfo measurement;
    measurement.SetChannelCount(1);
    Host host;
    host.measurement = &measurement;
    TMachine machine;
    machine.SetHost(&host);

    // A 1 ms timer on the main thread: the longest gap between two of its ticks is the
    // longest time the window would have stood still.
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    bool watching = false;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        if (watching)
            longest = std::max(longest, sinceTick.elapsed());
        sinceTick.restart();
    });
    heartbeat.start();
    sinceTick.start();

    QElapsedTimer phase;
    phase.start();
    bool silenced = false;
    int samplesBefore = 0;
    QTimer driver;
    driver.setInterval(50);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (!watching && machine.PollState() == psReadValues) {
            host.start = TickCount();
            machine.SetMeasureInterval(500);
            machine.SetMeasuring(true);
            watching = true;
            phase.restart();
        } else if (watching && !silenced && phase.elapsed() > 3000) {
            samplesBefore = int(measurement.RowCount());
            rig.sim.withController([](vardsim::SimController &c) { c.faults.silentMidLine = true; });
            silenced = true;
            phase.restart();
        } else if (silenced && !machine.IsConnected() && phase.elapsed() > 3000) {
            QCoreApplication::quit();
        } else if (phase.elapsed() > 20000) {
            std::fprintf(stderr, "bench_measure: the link was never lost\n");
            QCoreApplication::exit(1);
        }
    });
    driver.start();
    const int rc = QCoreApplication::exec();
    std::printf("measuring at 500 ms: %d samples before the machine fell silent mid-reply; link lost after it: %s\n",
                samplesBefore, machine.IsConnected() ? "no" : "yes");
    std::printf("main thread's longest stall while measuring: %lld ms\n", static_cast<long long>(longest));
    return rc;
}
