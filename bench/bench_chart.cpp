// The temperature-curve chart with short and very long runs: a full redraw of an
// 800 x 400 chart into an image, an appended sample while following (with a redraw
// every tenth, as the measurement window's timer would), and the memory per sample.
// Prints figures only.
// Usage: bench_chart [sample counts...]   (default 1000 100000 1000000)

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/widgets/ProfileChart.h"

namespace {

constexpr int kWidth = 800, kHeight = 400;
constexpr int kRedraws = 20;
constexpr int kAppends = 10000;
constexpr int kAppendsPerRedraw = 10;

// A reflow-like curve with some noise, one sample every 500 ms, repeated every 2000
// samples: the long runs have every column filled from bottom to top, the worst case.
double temperature(qsizetype i)
{
    const double phase = double(i % 2000) / 2000.0;
    return 25.0 + 220.0 * std::sin(phase * 3.14159265) + double((i * 7919) % 13) * 0.1;
}

void renderOnce(const vard::ProfileChart &chart, QImage &image)
{
    QPainter p(&image);
    chart.render(&p, QRectF(0, 0, kWidth, kHeight));
}

void run(qsizetype count)
{
    std::vector<qint64> times(static_cast<size_t>(count));
    std::vector<double> values(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        times[size_t(i)] = i * 500;
        values[size_t(i)] = temperature(i);
    }
    vard::ProfileChart chart;
    chart.resize(kWidth, kHeight);
    QElapsedTimer timer;
    timer.start();
    chart.setSamples(times, values);
    const double loadMs = double(timer.nsecsElapsed()) / 1e6;

    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    renderOnce(chart, image); // warm up fonts and glyph caches
    std::vector<double> ms;
    for (int i = 0; i < kRedraws; ++i) {
        timer.restart();
        renderOnce(chart, image);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms[kRedraws / 2 - 1] + ms[kRedraws / 2]) / 2;

    // a zoomed-in quarter of the run: the same columns, a quarter of the samples
    const QRectF all = chart.viewRange();
    chart.setViewRange(QRectF(all.left() + all.width() * 0.375, all.top(), all.width() / 4, all.height()));
    ms.clear();
    for (int i = 0; i < kRedraws; ++i) {
        timer.restart();
        renderOnce(chart, image);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double zoomedMedian = (ms[kRedraws / 2 - 1] + ms[kRedraws / 2]) / 2;
    chart.resetView();

    const double bytesPerSample = double(chart.memoryBytes()) / double(count);

    timer.restart();
    for (int i = 0; i < kAppends; ++i) {
        const qsizetype n = count + i;
        chart.appendSample(n * 500, temperature(n));
        if ((i + 1) % kAppendsPerRedraw == 0)
            renderOnce(chart, image);
    }
    const double appendUs = double(timer.nsecsElapsed()) / 1e3 / kAppends;

    timer.restart();
    for (int i = 0; i < kAppends; ++i) {
        const qsizetype n = count + kAppends + i;
        chart.appendSample(n * 500, temperature(n));
    }
    const double appendOnlyNs = double(timer.nsecsElapsed()) / kAppends;

    std::printf("%8lld samples: load %8.2f ms | redraw median %6.2f ms (whole run), %6.2f ms (a quarter) | "
                "append+redraw/10 %7.1f us per sample, append alone %6.1f ns | %5.2f bytes per sample\n",
                static_cast<long long>(count), loadMs, median, zoomedMedian, appendUs, appendOnlyNs,
                bytesPerSample);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<qsizetype> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::max(1LL, std::atoll(argv[i])));
    if (counts.empty())
        counts = {1000, 100000, 1000000};
    std::printf("chart %d x %d, redraw = median of %d, appends = %d (a redraw after every %d)\n", kWidth,
                kHeight, kRedraws, kAppends, kAppendsPerRedraw);
    for (qsizetype n : counts)
        run(n);
    return 0;
}
