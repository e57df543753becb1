// The link's own cost per exchange: from the request handed to the mailbox to the reply
// available in it, against the simulated machine (answering at once) over a pty.
// Usage: bench_link [exchanges]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/ThreadComUnit.h"
#include "BenchRig.h"
#include "sim/SimulatedMachine.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, atoi(argv[1])) : 1000;

    BenchRig rig(vardsim::MachineKind::QTR4);
    if (!rig.start("bench_link"))
        return 1;
    qputenv("VARD_HOME", rig.home.path().toLocal8Bit());

    TCom com;
    com.HandshakeRequest = "R:S0;C0=ACK;";
    com.HandshakeReply = "A:S0";
    TThreadCom thread(&com);
    thread.start();
    QElapsedTimer wait;
    wait.start();
    while (!com.Connected && wait.elapsed() < 5000)
        QThread::msleep(1);
    if (!com.Connected) {
        std::fprintf(stderr, "bench_link: no connection\n");
        return 1;
    }

    // The cyclic read of the conveyor oven: the longest request and reply of the protocol.
    const std::string request = "R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;C1=234;";
    std::vector<double> ms;
    ms.reserve(count);
    QElapsedTimer t;
    for (int i = 0; i < count; ++i) {
        t.start();
        if (!com.PostRequest(request)) {
            std::fprintf(stderr, "bench_link: mailbox refused exchange %d\n", i);
            return 1;
        }
        while (com.ReplyExpected.load(std::memory_order_acquire))
            QThread::usleep(20);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!com.TakeReply()) {
            std::fprintf(stderr, "bench_link: link lost at exchange %d\n", i);
            return 1;
        }
        // The machine object never asks twice in the same millisecond either.
        QThread::usleep(500);
    }
    thread.requestInterruption();
    thread.wait();

    std::sort(ms.begin(), ms.end());
    const auto pct = [&](double p) { return ms[std::min(ms.size() - 1, size_t(p * double(ms.size())))]; };
    std::printf("link exchanges: %d (request %zu bytes, reply ~90 bytes)\n", count, request.size());
    std::printf("overhead per exchange: median %.2f ms, 95%% %.2f ms, worst %.2f ms, best %.2f ms\n", pct(0.5),
                pct(0.95), ms.back(), ms.front());
    return 0;
}
