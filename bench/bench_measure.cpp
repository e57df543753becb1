// The measurement: memory per row and the time to add a million rows; and the main
// thread's longest stall while measuring at 500 ms against a simulated machine that
// stops answering in the middle of a reply.
// Then, for each interval the measurement window offers, a run of its own against the
// simulator on the real timers: samples got against expected, the time between samples,
// and how old the actual values on screen become meanwhile.
// Usage: bench_measure [rows] [seconds per interval]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <vector>

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

// A 362.10 on the simulator, and the machine object measuring into one channel. The
// machine comes last: it reads the settings folder the rig has just written.
struct MeasuringRig {
    BenchRig rig{vardsim::MachineKind::T362_10};
    TMessungInfo measurement;
    Host host;
    std::unique_ptr<TMachine> machine;

    bool start()
    {
        if (!rig.start("bench_measure"))
            return false;
        qputenv("VARD_HOME", rig.home.path().toLocal8Bit());
        measurement.SetChannelCount(1);
        host.measurement = &measurement;
        machine = std::make_unique<TMachine>();
        machine->SetHost(&host);
        return true;
    }
};

// One interval, `seconds` long: what the operator gets.
bool intervalRun(int interval, int seconds)
{
    MeasuringRig bench;
    if (!bench.start())
        return false;
    TMachine &machine = *bench.machine;
    TMessungInfo &measurement = bench.measurement;
    Host &host = bench.host;

    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> valuesAt; // when a values reply was parsed
    machine.SetTracing(true);
    QObject::connect(&machine, &TMachine::traceLineAdded, [&](const QString &line) {
        if (line.startsWith(QLatin1String("A:T1=")))
            valuesAt.push_back(clock.elapsed());
    });
    qint64 measuringFrom = -1;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (measuringFrom < 0 && machine.PollState() == psReadValues) {
            host.start = TickCount();
            measuringFrom = clock.elapsed();
            machine.SetMeasureInterval(interval);
            machine.SetMeasuring(true);
        } else if (measuringFrom >= 0 && clock.elapsed() - measuringFrom >= qint64(seconds) * 1000 + interval / 2) {
            machine.SetMeasuring(false);
            QCoreApplication::quit();
        } else if (measuringFrom < 0 && clock.elapsed() > 20000) {
            QCoreApplication::exit(1);
        }
    });
    driver.start();
    if (QCoreApplication::exec() != 0) {
        std::fprintf(stderr, "bench_measure: the machine was never read\n");
        return false;
    }
    const qint64 measuredMs = clock.elapsed() - measuringFrom;
    // Stopped half an interval after the last slot, so its sample has had time to come.
    const qint64 expected = qint64(seconds) * 1000 / interval;
    const qsizetype got = measurement.RowCount();
    std::vector<qint64> gaps;
    qint64 earlySlots = 0;
    for (qsizetype i = 0; i < got; ++i) {
        const qint64 t = measurement.GetTime(i);
        if (t < qint64(i + 1) * interval)
            ++earlySlots;
        if (i > 0)
            gaps.push_back(t - qint64(measurement.GetTime(i - 1)));
    }
    std::sort(gaps.begin(), gaps.end());
    auto at = [&](double q) { return gaps.empty() ? 0 : gaps[std::min(gaps.size() - 1, size_t(q * double(gaps.size())))]; };
    // The oldest the shown values became: the longest time without a values reply.
    qint64 oldest = 0;
    qint64 last = measuringFrom;
    for (qint64 t : valuesAt) {
        if (t < measuringFrom)
            continue;
        oldest = std::max(oldest, t - last);
        last = t;
    }
    oldest = std::max(oldest, measuringFrom + measuredMs - last);
    const qint64 bound = 3 * machine.RefreshInterval() + 2 * interval;
    std::printf("measuring at %4d ms for %lld s: samples %lld / %lld expected (%.1f %%); between samples median %lld, "
                "95 %% %lld, worst %lld, earliest %lld ms; samples before their interval: %lld; "
                "shown values at most %lld ms old (bound %lld)\n",
                interval, static_cast<long long>(measuredMs / 1000), static_cast<long long>(got),
                static_cast<long long>(expected), expected ? 100.0 * double(got) / double(expected) : 0.0,
                static_cast<long long>(at(0.5)), static_cast<long long>(at(0.95)),
                static_cast<long long>(gaps.empty() ? 0 : gaps.back()),
                static_cast<long long>(gaps.empty() ? 0 : gaps.front()), static_cast<long long>(earlySlots),
                static_cast<long long>(oldest), static_cast<long long>(bound));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    rows(argc > 1 ? std::max(1, atoi(argv[1])) : 1000000);
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
    for (int interval : {500, 1000, 2000, 5000}) {
        if (!intervalRun(interval, seconds))
            return 1;
    }

    MeasuringRig bench;
    if (!bench.start())
        return 1;
    BenchRig &rig = bench.rig;
    TMachine &machine = *bench.machine;
    TMessungInfo &measurement = bench.measurement;
    Host &host = bench.host;

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
