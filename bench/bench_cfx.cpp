// The line messaging's throughput and its cost to the window: the publisher, fed by the
// machine object against the simulated machine, sends process data of every zone as
// fast as it is asked to, to a real broker; the broker's acceptance of each message is
// counted. Meanwhile a 1 ms timer on the main thread measures how long the event loop
// was kept from it (the longest stall), and each hand-over is timed on its own.
// Usage: bench_cfx [messages] [broker-url] [target]
//   (the URL defaults to VARD_TEST_BROKER_URL, else amqp://127.0.0.1:5679)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <string>
#include <utility>
#include <cstdio>
#include <ctime>
#include <vector>

#include "BenchRig.h"
#include "cfx/CfxLink.h"
#include "cfx/CfxPublisher.h"
#include "machine/MachineUnit.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(100, atoi(argv[1])) : 20000;
    QString url = argc > 2 ? QString::fromLocal8Bit(argv[2]) : qEnvironmentVariable("VARD_TEST_BROKER_URL");
    if (url.isEmpty())
        url = QStringLiteral("amqp://127.0.0.1:5679");
    const QString target = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("/queue/vard-bench");

    BenchRig rig(vardsim::MachineKind::QTR4);
    if (!rig.start("bench_cfx"))
        return 1;
    qputenv("VARD_HOME", rig.home.path().toLocal8Bit());

    TMachine machine;
    QElapsedTimer wait;
    wait.start();
    while (machine.GetMachineType() == 0 && wait.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (machine.GetMachineType() == 0) {
        std::fprintf(stderr, "bench_cfx: the simulated machine was not identified\n");
        return 1;
    }

    TCfxSettings settings;
    settings.BrokerUrl = url;
    settings.Target = target;
    settings.Handle = QStringLiteral("bench.oven");
    settings.HeartbeatSeconds = 0;
    settings.ProcessDataSeconds = 0;
    settings.SpoolLimitKB = 1024 * 1024; // nothing dropped: every message is counted
    TCfxPublisher publisher(&machine, settings, rig.home.filePath(QStringLiteral("spool")));
    wait.restart();
    while (publisher.Link()->CurrentState() != TCfxLink::Connected && wait.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (publisher.Link()->CurrentState() != TCfxLink::Connected) {
        std::fprintf(stderr, "bench_cfx: no broker at %s (%s)\n", qPrintable(url),
                     qPrintable(publisher.Link()->StateText()));
        return 1;
    }
    // The publisher's own first messages are through before the count starts.
    wait.restart();
    while ((publisher.Link()->Waiting() > 0 || publisher.Link()->AcceptedCount() == 0) && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    // The main thread's pulse: the gaps between two 1 ms ticks, and for the longest the
    // processor time the main thread itself used meanwhile: a gap with little of it was
    // the system's (another thread or process had the core), not work of the window's.
    const auto threadCpuNs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    };
    QElapsedTimer pulse;
    qint64 lastTick = 0, lastCpu = 0;
    double longestGapCpuMs = 0, longestGapMs = 0;
    std::vector<double> gapsMs;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = pulse.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (lastTick > 0) {
            const double gap = double(now - lastTick) / 1e6;
            gapsMs.push_back(gap);
            if (gap > longestGapMs) {
                longestGapMs = gap;
                longestGapCpuMs = double(cpu - lastCpu) / 1e6;
            }
        }
        lastTick = now;
        lastCpu = cpu;
    });
    const auto summary = [](std::vector<double> v, const char *unit) {
        std::sort(v.begin(), v.end());
        if (v.empty())
            return std::string("none");
        const auto pct = [&](double p) { return v[std::min(v.size() - 1, size_t(p * double(v.size())))]; };
        char text[160];
        std::snprintf(text, sizeof text, "median %.2f %s, 99.9%% %.2f %s, longest %.2f %s", pct(0.5), unit,
                      pct(0.999), unit, v.back(), unit);
        return std::string(text);
    };

    // One phase: `n` messages, `perTick` of them every `everyMs`, until the broker has
    // accepted them all.
    std::vector<double> postUs;
    const auto phase = [&](int n, int perTick, int everyMs) {
        postUs.clear();
        gapsMs.clear();
        lastTick = 0;
        longestGapMs = longestGapCpuMs = 0;
        const quint64 before = publisher.Link()->AcceptedCount();
        int posted = 0;
        QTimer feed;
        feed.setTimerType(Qt::PreciseTimer);
        feed.setInterval(everyMs);
        QElapsedTimer each;
        QObject::connect(&feed, &QTimer::timeout, [&] {
            for (int i = 0; i < perTick && posted < n; ++i, ++posted) {
                each.start();
                publisher.PublishProcessData();
                postUs.push_back(double(each.nsecsElapsed()) / 1000.0);
            }
            if (posted >= n)
                feed.stop();
        });
        QElapsedTimer total;
        total.start();
        pulse.start();
        tick.start();
        feed.start();
        // The program's own kind of loop, left when the broker has taken them all.
        QEventLoop loop;
        const auto check = [&] {
            if (publisher.Link()->AcceptedCount() - before >= quint64(n))
                loop.quit();
        };
        const QMetaObject::Connection progress = QObject::connect(publisher.Link(), &TCfxLink::accepted, &loop, check);
        QTimer::singleShot(300000, &loop, &QEventLoop::quit);
        check();
        if (publisher.Link()->AcceptedCount() - before < quint64(n))
            loop.exec();
        QObject::disconnect(progress);
        tick.stop();
        return std::pair<quint64, double>(publisher.Link()->AcceptedCount() - before, double(total.nsecsElapsed()) / 1e9);
    };

    std::printf("broker: %s, target %s; process data of %d zones per message\n", qPrintable(url), qPrintable(target),
                machine.ZoneCount());
    // Flat out: 20 messages every millisecond, far more than the link can take, to find
    // what it sustains.
    const auto [acceptedFast, secondsFast] = phase(count, 20, 1);
    std::printf("flat out: %d messages, %llu accepted in %.2f s: %.0f messages/s\n", count,
                static_cast<unsigned long long>(acceptedFast), secondsFast, double(acceptedFast) / secondsFast);
    std::printf("  building and handing over one message: %s\n", summary(postUs, "us").c_str());
    std::printf("  main thread's 1 ms timer, gaps: %s (main thread busy %.2f ms of the longest)\n",
                summary(gapsMs, "ms").c_str(), longestGapCpuMs);
    // A busy line: 200 messages a second (a machine sends one every few seconds), the
    // window's own pace.
    const int paced = 2000;
    const auto [acceptedPaced, secondsPaced] = phase(paced, 1, 5);
    std::printf("paced: %d messages at 200/s, %llu accepted in %.2f s\n", paced,
                static_cast<unsigned long long>(acceptedPaced), secondsPaced);
    std::printf("  building and handing over one message: %s\n", summary(postUs, "us").c_str());
    std::printf("  main thread's 1 ms timer, gaps (the longest is the main thread's longest stall): %s "
                "(main thread busy %.2f ms of the longest)\n",
                summary(gapsMs, "ms").c_str(), longestGapCpuMs);
    const quint64 accepted = acceptedFast + acceptedPaced;
    const int posted = count + paced;
    return accepted == quint64(posted) ? 0 : 1;
}
