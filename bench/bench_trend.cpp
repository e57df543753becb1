// The trend window's plot over a day of zone history: the time to redraw the 24 h view
// of two zones (four curves) at 800 x 400, and the history's memory. Prints figures.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "machine/ZoneHistory.h"
#include "ui/TrendUnit.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kSeries = 20;
    constexpr int kRows = 86400;
    vard::ZoneHistory history;
    QStringList names;
    for (int i = 0; i < kSeries; ++i)
        names << QStringLiteral("s%1").arg(i);
    const int segment = history.beginSegment(1, names, QDateTime::currentDateTime());
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    for (int r = 0; r < kRows; ++r) {
        std::vector<qint16> row(kSeries);
        for (int i = 0; i < kSeries; ++i)
            row[size_t(i)] = qint16(150 + 40 * std::sin(r / 900.0 + i) + (r % 7));
        history.add(start + r * 1000LL, row, (r / 3600) % 5 == 0 ? vard::ZoneHistory::NotInOrder : 0);
    }
    TTrendChart chart;
    chart.resize(800, 400);
    std::vector<TTrendChart::Curve> curves{{0, Qt::blue, false, QStringLiteral("a")},
                                           {1, Qt::blue, true, QStringLiteral("a target")},
                                           {2, Qt::red, false, QStringLiteral("b")},
                                           {3, Qt::red, true, QStringLiteral("b target")}};
    chart.show(&history, segment, curves, 24LL * 3600 * 1000);
    QImage image(800, 400, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> ms;
    for (int k = 0; k < 15; ++k) {
        QElapsedTimer t;
        t.start();
        chart.render(&image);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    if (const QString keep = qEnvironmentVariable("VARD_BENCH_IMAGE"); !keep.isEmpty())
        image.save(keep); // to look at what was timed
    std::printf("zone history: %d rows x %d series, %.2f MiB\n", kRows, kSeries,
                history.memoryBytes() / (1024.0 * 1024.0));
    std::printf("24 h trend view, 4 curves, 800 x 400: redraw median %.2f ms (min %.2f, max %.2f)\n", ms[ms.size() / 2],
                ms.front(), ms.back());
    return 0;
}
