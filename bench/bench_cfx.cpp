// The line messaging's throughput and its cost to the window: the publisher, fed by the
// machine object against the simulated machine, sends process data of every zone as
// fast as it is asked to, to a real broker; the broker's acceptance of each message is
// counted. Meanwhile a 1 ms timer on the main thread measures how long the event loop
// was kept from it (the longest stall), and each hand-over is timed on its own.
// Usage: bench_cfx [messages] [broker-url] [target]
//   (the URL defaults to VARD_TEST_BROKER_URL, else amqp://127.0.0.1:5679)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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
    const quint64 acceptedBefore = publisher.Link()->AcceptedCount();

    // The main thread's pulse: the longest gap between two 1 ms ticks.
    QElapsedTimer pulse;
    qint64 lastTick = 0, longestGapNs = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = pulse.nsecsElapsed();
        if (lastTick > 0)
            longestGapNs = std::max(longestGapNs, now - lastTick);
        lastTick = now;
    });

    // Bursts of 20 messages per millisecond tick of their own: far above what a machine
    // produces, to find what the publisher sustains.
    std::vector<double> postUs;
    postUs.reserve(size_t(count));
    int posted = 0;
    QTimer feed;
    feed.setInterval(1);
    QElapsedTimer each;
    QObject::connect(&feed, &QTimer::timeout, [&] {
        for (int i = 0; i < 20 && posted < count; ++i, ++posted) {
            each.start();
            publisher.PublishProcessData();
            postUs.push_back(double(each.nsecsElapsed()) / 1000.0);
        }
        if (posted >= count)
            feed.stop();
    });
    QElapsedTimer total;
    total.start();
    pulse.start();
    tick.start();
    feed.start();
    while ((publisher.Link()->AcceptedCount() - acceptedBefore < quint64(count)) && total.elapsed() < 300000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    tick.stop();
    const quint64 accepted = publisher.Link()->AcceptedCount() - acceptedBefore;

    std::sort(postUs.begin(), postUs.end());
    const auto pct = [&](double p) { return postUs[std::min(postUs.size() - 1, size_t(p * double(postUs.size())))]; };
    std::printf("broker: %s, target %s\n", qPrintable(url), qPrintable(target));
    std::printf("messages: %d posted, %llu accepted by the broker in %.2f s: %.0f messages/s\n", posted,
                static_cast<unsigned long long>(accepted), seconds, double(accepted) / seconds);
    std::printf("building and handing over one process-data message (%d zones): median %.1f us, 99%% %.1f us, "
                "worst %.1f us\n",
                machine.ZoneCount(), pct(0.5), pct(0.99), postUs.back());
    std::printf("main thread's longest stall while publishing: %.2f ms (1 ms timer)\n", double(longestGapNs) / 1e6);
    return accepted == quint64(count) ? 0 : 1;
}
