// The zone history as the machine records it and the trend window shows it: an hour of
// history fed at once, drawn actual against target with the not-in-order time shaded,
// read by the cursor, and exported.

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "PixelHelpers.h"
#include "ScriptedMachine.h"
#include "machine/ZoneHistory.h"
#include "ui/TrendUnit.h"

class TestTrend : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }
    void cleanup()
    {
        CloseZoneTrendWindow();
        qunsetenv("VARD_HOME");
    }

    // Each values reply is one row of the connection's segment; a new connection opens
    // another, never mixing the two.
    void valuesRepliesAreRecorded()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.values("A:T1=100;T2=120;S1=0;S2=0;");
        rig.values("A:T1=101;T2=121;S1=2;S2=1;");
        const auto segments = rig.machine.History().segments();
        QCOMPARE(segments.size(), size_t(1));
        QCOMPARE(segments.back().samples, qsizetype(2));
        QCOMPARE(rig.machine.HistoryZones(segments.back().id).first(), QString("Startup"));
        QList<int> actual;
        QList<quint8> flags;
        rig.machine.History().read(segments.back().id, 0, 0, std::numeric_limits<qint64>::max(),
                                   [&](qint64, qint16 v, quint8 f) { actual << v; flags << f; });
        QCOMPARE(actual, (QList<int>{100, 101}));
        QCOMPARE(flags, (QList<quint8>{0, vard::ZoneHistory::NotInOrder | vard::ZoneHistory::ErrorPresent}));
        rig.lose();
        rig.tick();
        rig.bringUp("362.10 A", k362Settings);
        rig.values("A:T1=50;S1=0;S2=0;");
        QCOMPARE(rig.machine.History().segments().size(), size_t(2));
        QCOMPARE(rig.machine.History().segments().back().machineType, 4);
    }

    void hourOfHistoryInTheWindow()
    {
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        rig.values("A:T1=100;T2=120;S1=0;S2=0;");
        vard::ZoneHistory &history = rig.machine.History();
        const int width = int(history.segments().back().names.size());
        const qint64 start = history.segments().back().lastMs + 1000;
        // One hour at 1 s: Startup rises 100 -> 160 °C against a target of 150; from
        // minute 20 to 30 the machine is not in order.
        for (int s = 0; s < 3600; ++s) {
            std::vector<qint16> row(size_t(width), 0);
            row[0] = qint16(100 + s / 60);
            row[1] = 150;
            const bool notInOrder = s >= 1200 && s < 1800;
            history.add(start + s * 1000LL, row, notInOrder ? vard::ZoneHistory::NotInOrder : 0);
        }
        OpenZoneTrendWindow(&rig.machine, nullptr);
        const auto windows = QApplication::topLevelWidgets();
        TZoneTrendForm *trend = nullptr;
        for (QWidget *w : windows)
            if (auto *t = qobject_cast<TZoneTrendForm *>(w))
                trend = t;
        QVERIFY(trend);
        trend->resize(1000, 500);
        auto *zones = trend->findChild<QListWidget *>("lstZones");
        QCOMPARE(zones->count(), 6);
        QCOMPARE(zones->item(0)->text(), QString("Startup"));
        zones->item(1)->setCheckState(Qt::Unchecked); // Startup alone
        trend->findChild<QComboBox *>("comboSpan")->setCurrentIndex(1); // 1 h
        trend->Refresh();

        TTrendChart *chart = trend->Chart();
        const QImage shot = chart->grab().toImage();
        const QRect plot = chart->plotRect();
        // Startup's colour is on the plot, the shaded stretch lies in the middle third.
        QVERIFY(pixelsNear(shot, QColor(31, 78, 121), 30, plot) > 200);
        const int x20 = plot.left() + plot.width() * 21 / 60, x30 = plot.left() + plot.width() * 29 / 60;
        const QRect shaded(x20, plot.top() + plot.height() / 2, x30 - x20, 10);
        const QRect clear(plot.left() + plot.width() * 5 / 60, plot.top() + plot.height() / 2, x30 - x20, 10);
        QVERIFY2(pixelsNear(shot, QColor(255, 228, 195), 14, shaded) > shaded.width() * 5,
                 qPrintable(QString::number(pixelsNear(shot, QColor(255, 228, 195), 14, shaded))));
        QCOMPARE(pixelsNear(shot, QColor(255, 228, 195), 14, clear), 0);
        // The cursor reads both curves at once.
        const QString readout = chart->readoutAt(start + 1800 * 1000LL);
        QVERIFY2(readout.contains("Startup actual 130") && readout.contains("Startup target 150"), qPrintable(readout));

        // The export: a header and one line per sample of the segment.
        const QString csv = m_home->filePath("zones.csv");
        history.ExportCsv(history.segments().back().id, csv);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY2(lines.size() >= 3601, qPrintable(QString::number(lines.size())));
    }
};

QTEST_MAIN(TestTrend)
#include "tst_trend.moc"
