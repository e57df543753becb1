// Saving a long measurement: a million one-channel rows (about 5.5 days at 500 ms)
// written in the binary layout and as text export, with the time each takes, the file
// sizes and the memory the rows occupy. Prints figures only.
// Usage: bench_save [rows]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "measure/ObjMessungUnit.h"

namespace {

void report(const char *what, const QString &path, qint64 ns, bool ok)
{
    std::printf("%-8s %9.1f ms  %11lld bytes%s\n", what, double(ns) / 1e6,
                static_cast<long long>(QFileInfo(path).size()), ok ? "" : "  (FAILED)");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qsizetype count = argc > 1 ? std::atoll(argv[1]) : 1000000;

    TMessungInfo m;
    m.SetFlag(true);
    m.SetChannelCount(1);
    m.SetInfo(1, QStringLiteral("Benchmark"));
    for (qsizetype i = 0; i < count; ++i)
        m.AddRow({static_cast<quint32>(i * 500), static_cast<quint32>(2000 + i % 500), 1});

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    std::printf("rows     %lld, row memory %lld bytes\n", static_cast<long long>(m.RowCount()),
                static_cast<long long>(m.RowMemoryBytes()));

    // Twice each: the first run also pays for the page cache and the file's creation.
    for (int round = 1; round <= 2; ++round) {
        const QString tavo = dir.filePath(QStringLiteral("run.tavo"));
        QElapsedTimer timer;
        timer.start();
        const bool binaryOk = m.WriteBinary(tavo) == TMessungInfo::WriteResult::Ok;
        report(".tavo", tavo, timer.nsecsElapsed(), binaryOk);

        const QString txt = dir.filePath(QStringLiteral("run.txt"));
        timer.restart();
        bool textOk = true;
        try {
            m.ExportText(txt);
        } catch (const vard::MeasFileError &e) {
            textOk = false;
            std::fprintf(stderr, "%s\n", e.what());
        }
        report(".txt", txt, timer.nsecsElapsed(), textOk);
    }
    return 0;
}
