// The shift's zone history: segments per machine, the ring bound, range reads, flag
// periods and the CSV export.

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include "FileHelpers.h"
#include "machine/ZoneHistory.h"
#include "measure/ObjMessungUnit.h"

using vard::ZoneHistory;

namespace {

using Rows = QList<int>; // values of one series, oldest first
using Periods = QList<qint64>; // start, end, start, end, ...

const QStringList kTwo{QStringLiteral("Preheat 1 actual"), QStringLiteral("Preheat 1 target")};
const QStringList kThree{QStringLiteral("Zone 1 actual"), QStringLiteral("Fan 1"), QStringLiteral("Speed")};

const QDateTime kStart(QDate(2016, 2, 1), QTime(9, 30));

std::vector<qint16> row(std::initializer_list<int> values)
{
    std::vector<qint16> v;
    for (int x : values)
        v.push_back(static_cast<qint16>(x));
    return v;
}

struct Read {
    QList<qint64> times;
    Rows values;
};

Read readAll(const ZoneHistory &h, int segment, int series, qint64 from = std::numeric_limits<qint64>::min(),
             qint64 to = std::numeric_limits<qint64>::max())
{
    Read r;
    h.read(segment, series, from, to, [&r](qint64 ms, qint16 value, quint8) {
        r.times << ms;
        r.values << value;
    });
    return r;
}

Rows range(int first, int last)
{
    Rows r;
    for (int i = first; i <= last; ++i)
        r << i;
    return r;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void segmentsKeepMachinesApart()
    {
        ZoneHistory h;
        QVERIFY(!h.add(1000, row({1, 2}), 0)); // no segment yet

        const int first = h.beginSegment(2, kTwo, kStart);
        QVERIFY(h.add(1000, row({200, 210}), 0));
        QVERIFY(h.add(2000, row({201, 210}), 0));
        // A reconnect to a 4QTR: other series, and rows of the old width refused.
        const int second = h.beginSegment(0, kThree, kStart.addSecs(5));
        QVERIFY(second > first);
        QVERIFY(!h.add(3000, row({1, 2}), 0));
        QVERIFY(h.add(3000, row({150, 60, 80}), 0));
        QVERIFY(h.add(4000, row({151, 60, 80}), 0));
        QVERIFY(h.add(5000, row({152, 61, 80}), 0));

        const auto segs = h.segments();
        QCOMPARE(segs.size(), size_t(2));
        QCOMPARE(segs[0].id, first);
        QCOMPARE(segs[0].machineType, 2);
        QCOMPARE(segs[0].names, kTwo);
        QCOMPARE(segs[0].start, kStart);
        QCOMPARE(segs[0].samples, 2);
        QCOMPARE(segs[0].firstMs, 1000);
        QCOMPARE(segs[0].lastMs, 2000);
        QCOMPARE(segs[1].id, second);
        QCOMPARE(segs[1].machineType, 0);
        QCOMPARE(segs[1].names, kThree);
        QCOMPARE(segs[1].firstMs, 3000);
        QCOMPARE(segs[1].lastMs, 5000);
        QCOMPARE(h.sampleCount(first), 2);
        QCOMPARE(h.sampleCount(second), 3);
        QCOMPARE(h.sampleCount(second + 1), 0);

        // A read over all time stays within its segment.
        QCOMPARE(readAll(h, first, 0).values, Rows({200, 201}));
        QCOMPARE(readAll(h, first, 1).times, QList<qint64>({1000, 2000}));
        QCOMPARE(readAll(h, second, 0).values, Rows({150, 151, 152}));
        QCOMPARE(readAll(h, second, 1).values, Rows({60, 60, 61}));
        QCOMPARE(readAll(h, second, 2).values, Rows({80, 80, 80}));
        QVERIFY(readAll(h, first, 2).values.isEmpty()); // segment 1 has two series
        QVERIFY(readAll(h, second + 1, 0).values.isEmpty());

        // A segment begun and left without rows is replaced by the next one.
        const int empty = h.beginSegment(1, kTwo, kStart.addSecs(60));
        const int third = h.beginSegment(1, kThree, kStart.addSecs(61));
        const auto after = h.segments();
        QCOMPARE(after.size(), size_t(3));
        QCOMPARE(after.back().id, third);
        QCOMPARE(after.back().samples, 0);
        QCOMPARE(h.sampleCount(empty), 0);
        QVERIFY(h.add(6000, row({1, 2, 3}), 0));
        QCOMPARE(h.sampleCount(third), 1);
    }

    void wrongWidthRefused_data()
    {
        QTest::addColumn<int>("width");
        QTest::addRow("none") << 0;
        QTest::addRow("one short") << 1;
        QTest::addRow("one more") << 3;
        QTest::addRow("far more") << 40;
    }

    void wrongWidthRefused()
    {
        QFETCH(int, width);
        ZoneHistory h;
        const int id = h.beginSegment(0, kTwo, kStart);
        QVERIFY(h.add(1000, row({1, 2}), 0));
        QVERIFY(!h.add(2000, std::vector<qint16>(static_cast<size_t>(width), 7), 0));
        QCOMPARE(h.sampleCount(id), 1);
        QCOMPARE(h.segments().back().lastMs, 1000);
        QVERIFY(h.add(3000, row({3, 4}), 0));
        QCOMPARE(readAll(h, id, 1).values, Rows({2, 4}));
    }

    void ringDropsOldest()
    {
        // Small: the oldest row of the oldest segment goes first, an emptied segment goes.
        {
            ZoneHistory h(5);
            const int a = h.beginSegment(0, kTwo, kStart);
            for (int i = 1; i <= 3; ++i)
                QVERIFY(h.add(i * 1000, row({i, -i}), 0));
            const int b = h.beginSegment(0, kTwo, kStart);
            for (int i = 4; i <= 6; ++i)
                QVERIFY(h.add(i * 1000, row({i, -i}), 0));
            QCOMPARE(h.totalSamples(), 5);
            QCOMPARE(h.sampleCount(a), 2);
            QCOMPARE(h.segments().front().firstMs, 2000);
            QCOMPARE(readAll(h, a, 1).values, Rows({-2, -3}));

            QVERIFY(h.add(7000, row({7, -7}), 0));
            QVERIFY(h.add(8000, row({8, -8}), 0));
            const auto segs = h.segments();
            QCOMPARE(segs.size(), size_t(1));
            QCOMPARE(segs[0].id, b);
            QCOMPARE(segs[0].samples, 5);
            QCOMPARE(segs[0].firstMs, 4000);
            QCOMPARE(h.sampleCount(a), 0);
            QCOMPARE(readAll(h, b, 0).values, range(4, 8));
        }
        // Across the storage's blocks, with a finished segment's last block part-filled.
        {
            ZoneHistory h(2000);
            const int a = h.beginSegment(0, kTwo, kStart);
            for (int i = 0; i < 1500; ++i)
                QVERIFY(h.add(qint64(i) * 1000, row({i, i % 7}), quint8(i % 3)));
            const int b = h.beginSegment(0, kTwo, kStart);
            for (int i = 1500; i < 2500; ++i)
                QVERIFY(h.add(qint64(i) * 1000, row({i, 0}), 0));
            QCOMPARE(h.totalSamples(), 2000);
            QCOMPARE(h.sampleCount(a), 1000);
            QCOMPARE(h.segments().front().firstMs, 500000);
            QCOMPARE(readAll(h, a, 0).values, range(500, 1499));
            QList<qint64> times;
            for (int i = 500; i < 1500; ++i)
                times << qint64(i) * 1000;
            QCOMPARE(readAll(h, a, 1).times, times);
            int wrongFlags = 0;
            h.read(a, 0, 0, 2000000, [&](qint64, qint16 v, quint8 f) { wrongFlags += f != v % 3; });
            QCOMPARE(wrongFlags, 0);

            // One segment alone, long enough to pass many blocks.
            for (int i = 2500; i < 6000; ++i)
                QVERIFY(h.add(qint64(i) * 1000, row({i % 30000, 0}), 0));
            QCOMPARE(h.segments().size(), size_t(1));
            QCOMPARE(h.sampleCount(b), 2000);
            QCOMPARE(h.segments().front().firstMs, 4000000);
            QCOMPARE(readAll(h, b, 0, 5500000, 5502000).values, Rows({5500, 5501, 5502}));
        }
    }

    void timeStaysInOrder()
    {
        ZoneHistory h;
        const int a = h.beginSegment(3, kTwo, kStart);
        QVERIFY(h.add(10000, row({1, 0}), 0));
        QVERIFY(h.add(11000, row({2, 0}), 0));
        // A clock corrected by a second: the row is kept at the time before it.
        QVERIFY(h.add(10200, row({3, 0}), 0));
        QCOMPARE(readAll(h, a, 0).times, QList<qint64>({10000, 11000, 11000}));
        // A clock set back an hour: the same machine goes on in a segment of its own.
        QVERIFY(h.add(11000 - 3600000, row({4, 0}), 0));
        // And forward further than a block holds: once more.
        const qint64 later = 11000 - 3600000 + 50LL * 24 * 3600 * 1000;
        QVERIFY(h.add(later, row({5, 0}), 0));
        const auto segs = h.segments();
        QCOMPARE(segs.size(), size_t(3));
        QCOMPARE(h.sampleCount(a), 3);
        for (const auto &s : segs) {
            QCOMPARE(s.machineType, 3);
            QCOMPARE(s.names, kTwo);
        }
        QCOMPARE(readAll(h, segs[1].id, 0).values, Rows({4}));
        QCOMPARE(segs[2].firstMs, later);
        QCOMPARE(readAll(h, segs[2].id, 0).values, Rows({5}));
        QCOMPARE(segs[2].start, QDateTime::fromMSecsSinceEpoch(later));
    }

    void readRange_data()
    {
        QTest::addColumn<int>("series");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<Rows>("expected");
        // Rows at 1000, 2000, 2000, 3000, 4000 with values 1..5 (series 1: negated).
        QTest::addRow("all") << 0 << qint64(0) << qint64(10000) << Rows({1, 2, 3, 4, 5});
        QTest::addRow("exact ends are included") << 0 << qint64(1000) << qint64(4000) << Rows({1, 2, 3, 4, 5});
        QTest::addRow("from on a row") << 0 << qint64(3000) << qint64(10000) << Rows({4, 5});
        QTest::addRow("from just after a row") << 0 << qint64(3001) << qint64(10000) << Rows({5});
        QTest::addRow("to just before a row") << 0 << qint64(0) << qint64(2999) << Rows({1, 2, 3});
        QTest::addRow("equal times both") << 0 << qint64(2000) << qint64(2000) << Rows({2, 3});
        QTest::addRow("between rows") << 0 << qint64(2100) << qint64(2900) << Rows();
        QTest::addRow("before all") << 0 << qint64(-5000) << qint64(999) << Rows();
        QTest::addRow("after all") << 0 << qint64(4001) << qint64(9000) << Rows();
        QTest::addRow("backwards") << 0 << qint64(4000) << qint64(1000) << Rows();
        QTest::addRow("other series") << 1 << qint64(1500) << qint64(3500) << Rows({-2, -3, -4});
        QTest::addRow("series past the end") << 2 << qint64(0) << qint64(10000) << Rows();
        QTest::addRow("negative series") << -1 << qint64(0) << qint64(10000) << Rows();
    }

    void readRange()
    {
        QFETCH(int, series);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(Rows, expected);
        ZoneHistory h;
        const int id = h.beginSegment(0, kTwo, kStart);
        const qint64 times[] = {1000, 2000, 2000, 3000, 4000};
        for (int i = 0; i < 5; ++i)
            QVERIFY(h.add(times[i], row({i + 1, -(i + 1)}), 0));
        const Read r = readAll(h, id, series, from, to);
        QCOMPARE(r.values, expected);
        for (qint64 t : r.times)
            QVERIFY(t >= from && t <= to);
    }

    void flaggedPeriods_data()
    {
        QTest::addColumn<QString>("flags"); // one row each 10 ms from 0: . none, n not in order, e error, b both
        QTest::addColumn<int>("mask");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<Periods>("expected");
        const qint64 all = 1000;
        QTest::addRow("none") << "....." << 3 << qint64(0) << all << Periods();
        QTest::addRow("a run ends at the next row") << "..nn.." << 1 << qint64(0) << all << Periods({20, 40});
        QTest::addRow("from the first row") << "nn..." << 1 << qint64(0) << all << Periods({0, 20});
        QTest::addRow("to the last row") << "...nn" << 1 << qint64(0) << all << Periods({30, 40});
        QTest::addRow("the last row alone") << "....n" << 1 << qint64(0) << all << Periods({40, 40});
        QTest::addRow("single rows") << "n.n.n" << 1 << qint64(0) << all << Periods({0, 10, 20, 30, 40, 40});
        QTest::addRow("error only") << "nneen" << 2 << qint64(0) << all << Periods({20, 40});
        QTest::addRow("not in order only") << "nneen" << 1 << qint64(0) << all << Periods({0, 20, 40, 40});
        QTest::addRow("either, one period") << "ne.b" << 3 << qint64(0) << all << Periods({0, 20, 30, 30});
        QTest::addRow("both bits") << "beb." << 2 << qint64(0) << all << Periods({0, 30});
        QTest::addRow("no mask") << "bbbb" << 0 << qint64(0) << all << Periods();
        QTest::addRow("clipped both sides") << "..nnnn.." << 1 << qint64(25) << qint64(45) << Periods({25, 45});
        QTest::addRow("inside one gap") << "nnnn" << 1 << qint64(12) << qint64(15) << Periods({12, 15});
        QTest::addRow("ends where the range begins") << "..nn.." << 1 << qint64(40) << all << Periods();
        QTest::addRow("begins where the range ends") << "..nn.." << 1 << qint64(0) << qint64(20)
                                                     << Periods({20, 20});
        QTest::addRow("runs past the range") << "..nnnn" << 1 << qint64(0) << qint64(35) << Periods({20, 35});
        QTest::addRow("before the range") << "nn...." << 1 << qint64(30) << all << Periods();
        QTest::addRow("after the range") << "....nn" << 1 << qint64(0) << qint64(35) << Periods();
        QTest::addRow("range before all rows") << "nnn" << 1 << qint64(-100) << qint64(-1) << Periods();
        QTest::addRow("range after all rows") << "nnn" << 1 << qint64(21) << all << Periods();
        QTest::addRow("last row in range") << "nnn" << 1 << qint64(20) << all << Periods({20, 20});
        QTest::addRow("backwards") << "nnn" << 1 << qint64(20) << qint64(0) << Periods();
    }

    void flaggedPeriods()
    {
        QFETCH(QString, flags);
        QFETCH(int, mask);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(Periods, expected);
        ZoneHistory h;
        const int id = h.beginSegment(0, kTwo, kStart);
        for (qsizetype i = 0; i < flags.size(); ++i) {
            const char c = flags.at(i).toLatin1();
            const quint8 f = c == 'n' ? ZoneHistory::NotInOrder
                           : c == 'e' ? ZoneHistory::ErrorPresent
                           : c == 'b' ? ZoneHistory::NotInOrder | ZoneHistory::ErrorPresent
                                      : 0;
            QVERIFY(h.add(i * 10, row({0, 0}), f));
        }
        Periods got;
        for (const auto &[start, end] : h.flaggedPeriods(id, from, to, quint8(mask)))
            got << start << end;
        QCOMPARE(got, expected);
    }

    void csv_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("expected");
        QTest::addRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << QByteArray("Date and time,Zone 1; top,\"Fan, 1\",Speed \xC2\xB0\r\n"
                                               "2016-02-01T09:30:00.520,215,60,80\r\n"
                                               "2016-02-01T09:30:01.030,-5,0,-32768\r\n"
                                               "2016-02-01T13:25:30.000,32767,100,0\r\n");
        QTest::addRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QByteArray("Date and time;\"Zone 1; top\";Fan, 1;Speed \xC2\xB0\r\n"
                                              "2016-02-01T09:30:00.520;215;60;80\r\n"
                                              "2016-02-01T09:30:01.030;-5;0;-32768\r\n"
                                              "2016-02-01T13:25:30.000;32767;100;0\r\n");
    }

    void csv()
    {
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, expected);
        ZoneHistory h;
        const int other = h.beginSegment(0, kTwo, kStart);
        QVERIFY(h.add(kStart.toMSecsSinceEpoch(), row({1, 2}), 0));
        const int id = h.beginSegment(
            1, {QStringLiteral("Zone 1; top"), QStringLiteral("Fan, 1"), QStringLiteral("Speed °")}, kStart);
        const qint64 t0 = kStart.toMSecsSinceEpoch();
        QVERIFY(h.add(t0 + 520, row({215, 60, 80}), 0));
        QVERIFY(h.add(t0 + 1030, row({-5, 0, -32768}), ZoneHistory::ErrorPresent));
        QVERIFY(h.add(QDateTime(QDate(2016, 2, 1), QTime(13, 25, 30)).toMSecsSinceEpoch(),
                      row({32767, 100, 0}), 0));
        QCOMPARE(h.ToCsv(id, locale), expected);
        QCOMPARE(h.ToCsv(other, locale).count('\n'), 2);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("shift.csv"));
        h.ExportCsv(id, path, locale);
        QCOMPARE(contents(path), expected);
    }

    void csvWriteFailureKeepsEarlierFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("shift.csv"));
        const QByteArray before("Date and time,Speed\r\n2016-02-01T09:30:00.000,80\r\n");
        writeFile(path, before);

        ZoneHistory h;
        const int id = h.beginSegment(0, kThree, kStart);
        for (int i = 0; i < 200; ++i)
            QVERIFY(h.add(kStart.toMSecsSinceEpoch() + i * 1000, row({200 + i, 50, 80}), 0));
        const QLocale english(QLocale::English, QLocale::UnitedStates);

        bool thrown = false;
        {
            FileSizeLimit limit(512);
            QVERIFY(limit.ok());
            try {
                h.ExportCsv(id, path, english);
            } catch (const vard::MeasFileError &e) {
                thrown = true;
                QCOMPARE(e.filePath(), path);
                QCOMPARE(e.reason(), QString::fromLocal8Bit(strerror(EFBIG)));
                QVERIFY(e.message().contains(path));
            }
        }
        QVERIFY(thrown);
        QCOMPARE(contents(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"shift.csv"}));

        // With room again the same history saves in full.
        h.ExportCsv(id, path, english);
        QCOMPARE(contents(path), h.ToCsv(id, english));
        QCOMPARE(contents(path).count('\n'), 201);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
