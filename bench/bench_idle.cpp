// CPU used by the program while it is connected and nobody touches it: starts `vard`
// (beside this program) against a simulated machine on a pty and reads its user and
// system time from /proc before and after the measuring period.
// Usage: bench_idle [seconds]   (default 60)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

#include "BenchRig.h"
#include "sim/SimulatedMachine.h"

namespace {

// utime + stime of the process in clock ticks, or -1.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // Fields after the name start at 3 (state); utime is field 14, stime 15.
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;

    BenchRig rig(vardsim::MachineKind::QTR4);
    if (!rig.start("bench_idle"))
        return 1;

    QProcess vard;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARD_HOME"), rig.home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    vard.setProcessEnvironment(env);
    vard.setProcessChannelMode(QProcess::ForwardedChannels);
    vard.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vard")), {});
    if (!vard.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_idle: cannot start vard\n");
        return 1;
    }
    QElapsedTimer wait;
    wait.start();
    while (rig.sim.requestCount() < 1 && wait.elapsed() < 10000)
        QThread::msleep(10);
    if (rig.sim.requestCount() < 1) {
        std::fprintf(stderr, "bench_idle: vard never reached the machine\n");
        vard.kill();
        return 1;
    }
    QThread::sleep(3); // let start-up settle

    const int before = rig.sim.requestCount();
    const long long t0 = cpuTicks(vard.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(seconds);
    const long long t1 = cpuTicks(vard.processId());
    const double wallSec = double(wall.elapsed()) / 1000.0;
    const int exchanges = rig.sim.requestCount() - before;
    vard.kill();
    vard.waitForFinished(5000);
    if (t0 < 0 || t1 < 0) {
        std::fprintf(stderr, "bench_idle: cannot read the process's CPU time\n");
        return 1;
    }
    const double cpuSec = double(t1 - t0) / double(sysconf(_SC_CLK_TCK));
    std::printf("idle connected program over %.1f s: CPU %.3f s = %.2f %% of one core (%d requests answered)\n",
                wallSec, cpuSec, 100.0 * cpuSec / wallSec, exchanges);
    return 0;
}
