// The broker link's message spool with messages of 1.5 KB, the size of a zone readings
// message: appends and acceptances as they come while the broker keeps up, a backlog
// built while it is away and then accepted in order, a full spool dropping its oldest,
// the restart that loads a full spool, and the same appends with no disk behind them.
// Prints figures only.
// Usage: bench_cfx_spool [messages]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "cfx/CfxSpool.h"

namespace {

constexpr qint64 kBound = 16384LL * 1024; // the default spool limit
constexpr int kMessageBytes = 1536;

void report(const char *what, qsizetype count, qint64 ns, const char *extra = "")
{
    const double seconds = double(ns) / 1e9;
    std::printf("%-28s %8lld msgs %9.1f ms %11.0f msgs/s %7.1f us/msg%s\n", what, static_cast<long long>(count),
                seconds * 1e3, seconds > 0 ? double(count) / seconds : 0.0,
                count > 0 ? seconds * 1e6 / double(count) : 0.0, extra);
}

QByteArray messageBytes(qsizetype i)
{
    QByteArray m = "{\"seq\":" + QByteArray::number(i) + ",\"data\":\"";
    m += QByteArray(kMessageBytes - m.size() - 2, 'x');
    m += "\"}";
    return m;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qsizetype count = argc > 1 ? std::atoll(argv[1]) : 20000;
    const qsizetype capacity = kBound / kMessageBytes;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QByteArray m = messageBytes(0);
    std::printf("message %d bytes, bound %lld bytes (%lld messages)\n", kMessageBytes,
                static_cast<long long>(kBound), static_cast<long long>(capacity));
    QElapsedTimer timer;

    // The broker keeps up: each message is accepted right after it was handed over.
    {
        TCfxSpool s(dir.filePath(QStringLiteral("steady")), kBound);
        s.Open();
        timer.start();
        for (qsizetype i = 0; i < count; ++i)
            s.Remove(s.Append(m).id);
        report("append + accept at once", count, timer.nsecsElapsed());
    }

    // The broker is away until the spool is full, then accepts everything in order.
    const QString backlog = dir.filePath(QStringLiteral("backlog"));
    {
        TCfxSpool s(backlog, kBound);
        s.Open();
        timer.restart();
        for (qsizetype i = 0; i < capacity; ++i)
            s.Append(m);
        report("backlog: append", capacity, timer.nsecsElapsed());
    }
    {
        TCfxSpool s(backlog, kBound);
        timer.restart();
        s.Open();
        char extra[64];
        std::snprintf(extra, sizeof extra, "  (%lld bytes loaded)", static_cast<long long>(s.Bytes()));
        report("restart: load full spool", s.Count(), timer.nsecsElapsed(), extra);
        const qsizetype n = s.Count();
        timer.restart();
        while (!s.IsEmpty())
            s.Remove(s.IdAt(0));
        report("backlog: accept in order", n, timer.nsecsElapsed());
    }

    // Away for long: every append past the bound drops the oldest.
    {
        TCfxSpool s(dir.filePath(QStringLiteral("full")), kBound);
        s.Open();
        for (qsizetype i = 0; i < capacity; ++i)
            s.Append(m);
        timer.restart();
        for (qsizetype i = 0; i < count; ++i)
            s.Append(m);
        char extra[64];
        std::snprintf(extra, sizeof extra, "  (%llu dropped)", static_cast<unsigned long long>(s.DroppedTotal()));
        report("full: append, drop oldest", count, timer.nsecsElapsed(), extra);
    }

    // No disk: a file where the folder should be. What is left is the failed attempt to
    // create each file and the work in memory.
    {
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile f(blocker);
        if (f.open(QIODevice::WriteOnly))
            f.close();
        TCfxSpool s(blocker + QStringLiteral("/spool"), kBound);
        s.Open();
        timer.restart();
        for (qsizetype i = 0; i < count; ++i)
            s.Remove(s.Append(m).id);
        report("no disk: append + accept", count, timer.nsecsElapsed());
    }
    return 0;
}
