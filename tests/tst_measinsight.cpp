// What the measurement window adds beside its table: the live curve, the profile's
// figures against a process window and its index as the operator sees them (pixels),
// the report as a PDF (rendered back to an image), and the journal that survives a
// SIGKILL of a real measuring program (a child process on the real timers, the real link
// thread and the simulated machine on a pseudo-terminal) and is offered at the next start.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <memory>

#include "ModalHelpers.h"
#include "PixelHelpers.h"
#include "ScriptedMachine.h"
#include "app/GlobalUnit.h"
#include "link/PortNames.h"
#include "measure/MeasJournal.h"
#include "measure/ObjMessungUnit.h"
#include "sim/SimulatedMachine.h"
#include "ui/MainUnit.h"
#include "ui/MeasReport.h"
#include "ui/MeasUnit.h"
#include "ui/widgets/ProfileChart.h"

namespace {

// A trapezoid: 25 °C rising 2 K/s to 245 °C (110 s), 30 s held, falling 3 K/s to 25 °C.
// Sampled every 500 ms, in tenths as the machine delivers them.
std::vector<std::pair<quint32, quint32>> trapezoid()
{
    std::vector<std::pair<quint32, quint32>> rows;
    for (quint32 ms = 0; ms <= 213334; ms += 500) {
        const double t = ms / 1000.0;
        double c = 25 + 2 * t;
        if (t > 110)
            c = 245;
        if (t > 140)
            c = 245 - 3 * (t - 140);
        rows.emplace_back(ms, quint32(qRound(c * 10)));
    }
    return rows;
}

// The measuring program, as far as a crash goes: a real machine object on the
// simulator, the real windows, Start pressed; it runs until it is killed.
int runMeasuringChild()
{
    vardsim::SimulatedMachine sim(vardsim::MachineKind::T362_10);
    if (!sim.start())
        return 3;
    SetPortOverride(1, sim.devicePath());
    TMachine machine;
    TMainWindow main(&machine);
    QElapsedTimer waited;
    waited.start();
    while (machine.GetMachineType() == 0 && waited.elapsed() < 60000)
        QTest::qWait(20);
    if (machine.GetMachineType() == 0)
        return 4;
    OpenMeasurementWindow(&main);
    MeasForm->findChild<QComboBox *>(QStringLiteral("comboInterval"))->setCurrentIndex(0); // 500 ms
    MeasForm->StartMeasuring();
    std::puts("measuring");
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

class TestMeasInsight : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<TMainWindow> m_main;

    TMeasForm *open()
    {
        OpenMeasurementWindow(m_main.get());
        return MeasForm;
    }
    void addSample(quint32 ms, quint32 tenths)
    {
        QVERIFY(m_main->Measurement()->AddRow(TDataRow{ms, tenths, 1}));
        emit m_rig->machine.sampleRecorded(m_main->Measurement()->RowCount() - 1);
    }
    void feedTrapezoid()
    {
        for (const auto &[ms, tenths] : trapezoid())
            addSample(ms, tenths);
    }
    static vard::ProcessWindow window(double peakLow, double peakHigh)
    {
        vard::ProcessWindow w;
        w.name = QStringLiteral("Test window");
        w.limitsOf(vard::Figure::Peak) = {peakLow, peakHigh};
        w.limitsOf(vard::Figure::MaxRise) = {std::nullopt, 3.0}; // one-sided: in/out only
        return w;
    }

    static std::optional<double> CurrentIndex(const TMeasForm *form)
    {
        return form->CurrentWindow() ? form->CurrentWindow()->index(form->CurrentFigures()) : std::nullopt;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        m_rig = std::make_unique<Rig>();
        m_main = std::make_unique<TMainWindow>(&m_rig->machine);
    }

    void cleanup()
    {
        CloseMeasurementWindow();
        m_main.reset();
        m_rig.reset();
        SetPortOverride(1, QString());
        qunsetenv("VARD_HOME");
    }

    // The index as the operator reads it: its number, and green inside, red outside,
    // drawn as such (not only set as such).
    void figuresAndIndexAsShown_data()
    {
        QTest::addColumn<double>("peakLow");
        QTest::addColumn<double>("peakHigh");
        QTest::addColumn<QString>("index");
        QTest::addColumn<bool>("green");
        QTest::newRow("centred") << 235.0 << 255.0 << "0 %" << true;
        QTest::newRow("half way") << 235.0 << 275.0 << "50 %" << true;
        QTest::newRow("at a limit") << 225.0 << 245.0 << "100 %" << false;
        QTest::newRow("outside") << 230.0 << 240.0 << "200 %" << false;
    }

    void figuresAndIndexAsShown()
    {
        QFETCH(double, peakLow);
        QFETCH(double, peakHigh);
        QFETCH(QString, index);
        QFETCH(bool, green);
        TMeasForm *form = open();
        form->resize(1000, 700);
        form->show();
        feedTrapezoid();
        QCOMPARE(form->Chart()->sampleCount(), qsizetype(trapezoid().size()));

        form->SetProcessWindow(window(peakLow, peakHigh));
        const auto *figures = form->findChild<QTableWidget *>("tblFigures");
        QCOMPARE(figures->item(int(vard::Figure::Peak), 1)->text(), QString("245.0 °C"));
        QCOMPARE(figures->item(int(vard::Figure::MaxRise), 1)->text(), QString("2.00 K/s"));
        QCOMPARE(figures->item(int(vard::Figure::MaxFall), 1)->text(), QString("-3.00 K/s"));
        QVERIFY(figures->item(int(vard::Figure::MaxRise), 4)->text().contains("in"));
        QCOMPARE(form->IndexLabelText(), "Process Window Index: " + index);

        auto *label = form->findChild<QLabel *>("lblIndex");
        const QImage shot = label->grab().toImage();
        const int greens = pixelsNear(shot, vard::IndexColor(0.0));
        const int reds = pixelsNear(shot, vard::IndexColor(500.0));
        QVERIFY2(green ? greens > 30 && reds == 0 : reds > 30 && greens == 0,
                 qPrintable(QString("green %1, red %2").arg(greens).arg(reds)));

        // Without a window nothing is judged.
        form->SetProcessWindow(std::nullopt);
        QCOMPARE(form->IndexLabelText(), QString("Process Window Index: —"));
        QCOMPARE(figures->item(int(vard::Figure::Peak), 4)->text(), QString());
    }

    // A machine that reads in whole degrees and falls silent for 15 s in the soak,
    // measured at 500 ms: the curve is open over the gap, the soak is not given and
    // says why, the figures not touched by the gap stand, in whole degrees.
    void gapInTheReadingsAsShown()
    {
        m_rig->bringUp("362.10 A", k362Settings);
        TMeasForm *form = open();
        form->findChild<QComboBox *>("comboInterval")->setCurrentIndex(0);
        form->StartMeasuring();
        QVERIFY(form->Measuring());
        qsizetype gapAt = -1;
        for (quint32 ms = 0; ms <= 185000; ms += 500) {
            if (ms > 70000 && ms < 85000)
                continue;
            const double t = ms / 1000.0;
            const double c = t <= 110 ? 25 + 2 * t : t <= 130 ? 245 : 245 - 4 * (t - 130);
            if (ms == 85000)
                gapAt = m_main->Measurement()->RowCount();
            addSample(ms, quint32(qRound(c * 10)));
        }
        form->StopMeasuring();
        QCOMPARE(form->Chart()->breaks(), std::vector<qsizetype>{gapAt});

        const auto value = [&](vard::Figure f) {
            return MeasForm->findChild<QTableWidget *>("tblFigures")->item(int(f), 1);
        };
        QCOMPARE(value(vard::Figure::Peak)->text(), QString("245 °C"));
        QCOMPARE(value(vard::Figure::TimeAboveLiquidus)->text(), QString("41.0 s"));
        QCOMPARE(value(vard::Figure::SoakTime)->text(), QString("—"));
        QCOMPARE(value(vard::Figure::SoakTime)->toolTip(),
                 QString("Not given: the machine gave no readings for 15 s during this stretch"));
        QCOMPARE(value(vard::Figure::MaxRise)->text(), QString("2.00 K/s"));
        QCOMPARE(value(vard::Figure::Peak)->toolTip(), QString());

        // The same curve without the gap: the soak is given and says what it counts.
        CloseMeasurementWindow();
        m_main->Measurement()->ClearRows();
        form = open();
        for (quint32 ms = 0; ms <= 110000; ms += 500)
            addSample(ms, 250 + ms / 50);
        QCOMPARE(value(vard::Figure::SoakTime)->text(), QString("25.0 s"));
        QCOMPARE(value(vard::Figure::SoakTime)->toolTip(), QString("From reaching 150 °C to reaching 200 °C on the way up"));
        QVERIFY(form->Chart()->breaks().empty());
    }

    // A second Start appends rows whose clock starts again at 0: the curve goes on after
    // the first run instead of drawing back over it.
    void secondRunContinuesTheCurve()
    {
        TMeasForm *form = open();
        for (quint32 ms = 0; ms <= 10000; ms += 500)
            addSample(ms, 2000);
        for (quint32 ms = 0; ms <= 5000; ms += 500)
            addSample(ms, 2100);
        QCOMPARE(form->Chart()->sampleCount(), qsizetype(32));
        QVERIFY2(form->Chart()->viewRange().right() >= 14.9, qPrintable(QString::number(form->Chart()->viewRange().right())));
        // The figures are the second run's, on its own clock.
        QCOMPARE(form->CurrentFigures().peak.value_or(0), 210.0);
        QCOMPARE(form->CurrentFigures().timeOfPeak.value_or(-1), 0.0);
        QCOMPARE(form->RunCount(), 2);
        QCOMPARE(form->Chart()->breaks(), std::vector<qsizetype>{21});
    }

    // Two runs, the first a hotter profile: the figures and the index are the second
    // run's alone, and the panel says which run they are of; only with two runs. A
    // measurement restored from the journal keeps its runs apart the same way.
    void figuresOfTheLatestRun()
    {
        TMeasForm *form = open();
        form->SetProcessWindow(window(230, 250));
        auto *runLabel = form->findChild<QLabel *>("lblRun");
        QVERIFY(runLabel);
        for (quint32 ms = 0; ms <= 60000; ms += 500)
            addSample(ms, 250 + ms / 25); // 25 °C up to 265 °C at 4 K/s
        QVERIFY(runLabel->isHidden());
        QCOMPARE(form->RunCount(), 1);
        feedTrapezoid();

        vard::ProfileFigures alone(form->CurrentWindow()->settings);
        for (const auto &[ms, tenths] : trapezoid())
            alone.add(ms, qint32(tenths) / 10.0);
        const auto same = [&](const vard::Figures &f) {
            for (vard::Figure figure : vard::kAllFigures)
                QVERIFY2(f.value(figure) == alone.figures().value(figure), qPrintable(vard::Figures::name(figure)));
        };
        same(form->CurrentFigures());
        QVERIFY(form->CurrentFigures().maxRise.value_or(99) < 2.1);
        QCOMPARE(form->RunCount(), 2);
        QVERIFY(!runLabel->isHidden());
        QCOMPARE(runLabel->text(), QString("Run 2 of 2"));
        const QString index = form->IndexLabelText();
        QCOMPARE(index, QString("Process Window Index: %1").arg(vard::IndexText(CurrentIndex(form))));

        // The journal's copy, restored into a new window.
        QVERIFY(vard::MeasJournal(TMeasForm::JournalFolder()).begin(*m_main->Measurement()));
        CloseMeasurementWindow();
        m_main->Measurement()->ClearRows();
        form = open();
        QString error;
        QVERIFY2(form->RestoreJournal(&error), qPrintable(error));
        form->SetProcessWindow(window(230, 250));
        QCOMPARE(form->RunCount(), 2);
        QCOMPARE(form->Chart()->breaks(), std::vector<qsizetype>{121});
        same(form->CurrentFigures());
        QCOMPARE(form->IndexLabelText(), index);
    }

    // The report goes to PDF without a printer; rendered back, the page carries the
    // curve and the red index.
    void reportToPdf()
    {
        const QString renderer = QStandardPaths::findExecutable("pdftoppm");
        if (renderer.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        TMeasForm *form = open();
        feedTrapezoid();
        form->SetProcessWindow(window(230, 240));
        const QString pdf = m_home->filePath("report.pdf");
        QString error;
        QVERIFY2(vard::WriteReportPdf(form->Report(), pdf, &error), qPrintable(error));
        QVERIFY(QFile(pdf).size() > 1000);
        QProcess render;
        render.start(renderer, {"-r", "80", "-png", "-singlefile", pdf, m_home->filePath("page")});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        const QImage page(m_home->filePath("page.png"));
        QVERIFY(!page.isNull());
        QVERIFY2(page.height() > page.width(), "one portrait page");
        QVERIFY2(pixelsNear(page, vard::ProfileChart::curveColor()) > 40, "the curve is on the page");
        QVERIFY2(pixelsNear(page, vard::IndexColor(500.0)) > 20, "the index is on the page, red");
        int ink = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                ink += qGray(page.pixel(x, y)) < 128;
        QVERIFY2(ink > 500, qPrintable(QString::number(ink)));
    }

    // A journal the operator put off restoring is not overwritten by a new Start
    // without asking; a Clear of other rows leaves it alone.
    void putOffJournalIsNotOverwritten()
    {
        m_rig->bringUp("362.10 A", k362Settings);
        const QString folder = TMeasForm::JournalFolder();
        {
            TMessungInfo earlier;
            earlier.SetChannelCount(1);
            QVERIFY(earlier.AddRow({500, 2000, 1}));
            vard::MeasJournal journal(folder);
            QVERIFY(journal.begin(earlier));
        }
        const auto rowsKept = [&] {
            TMessungInfo m;
            return vard::MeasJournal::restore(folder, m) ? m.RowCount() : -1;
        };
        TMeasForm *form = open();
        addSample(0, 2100); // rows of this session, cleared again (two questions, both Yes)
        answerBox(QMessageBox::Yes);
        answerBox(QMessageBox::Yes);
        form->btnClearClick();
        QCOMPARE(m_main->Measurement()->RowCount(), qsizetype(0));
        QCOMPARE(rowsKept(), qsizetype(1));

        QString asked;
        answerBox(QMessageBox::No, &asked);
        form->StartMeasuring();
        QVERIFY2(asked.contains("not saved is still kept"), qPrintable(asked));
        QVERIFY(!form->Measuring());
        QCOMPARE(rowsKept(), qsizetype(1));

        answerBox(QMessageBox::Yes);
        form->StartMeasuring();
        QVERIFY(form->Measuring());
        QCOMPARE(rowsKept(), qsizetype(0)); // this run's journal now
        form->StopMeasuring();
    }

    // A measuring program killed outright: the rows it had flushed come back at the next
    // start, which offers them; Clear then ends the journal.
    void killedMidMeasurementIsRestored()
    {
        QFile ini(m_home->filePath("Vard.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Communications]\r\nComNo=1\r\nReadTimeout=500\r\n");
        ini.close();
        const QString folder = TMeasForm::JournalFolder();

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VARD_HOME", m_home->path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"--measuring-child"});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("measuring")
                                     || child.state() != QProcess::Running,
                                 90000);
        QCOMPARE(child.state(), QProcess::Running);
        // Wait for a good number of flushed rows, then kill it at once.
        qsizetype onDisk = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                TMessungInfo seen;
                onDisk = vard::MeasJournal::restore(folder, seen) ? seen.RowCount() : 0;
                return onDisk >= 12;
            }(),
            90000);
        {
            TMessungInfo last;
            QVERIFY(vard::MeasJournal::restore(folder, last));
            onDisk = last.RowCount();
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        TMessungInfo restored;
        QVERIFY(vard::MeasJournal::restore(folder, restored));
        QVERIFY2(restored.RowCount() >= onDisk, qPrintable(QString("%1 < %2").arg(restored.RowCount()).arg(onDisk)));
        for (qsizetype r = 1; r < restored.RowCount(); ++r)
            QVERIFY(restored.GetTime(r) > restored.GetTime(r - 1));
        QVERIFY(qint32(restored.GetValue(0, 0)) > 0); // the simulator's oven is warm

        // The next start: the offer, taken.
        QString offered;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return;
            offered = box->text();
            for (QAbstractButton *b : box->buttons())
                if (b->text() == "Restore")
                    b->click();
        });
        OfferMeasurementRestore(m_main.get());
        QVERIFY2(offered.contains(QString::number(restored.RowCount()) + " sample"), qPrintable(offered));
        QVERIFY(MeasForm);
        QCOMPARE(m_main->Measurement()->RowCount(), restored.RowCount());
        QCOMPARE(MeasForm->findChild<QTableView *>("vstValues")->model()->rowCount(), int(restored.RowCount()));
        QCOMPARE(MeasForm->Chart()->sampleCount(), restored.RowCount());
        QVERIFY(MeasForm->CurrentFigures().peak.has_value());
        QVERIFY(MeasForm->HasUnsavedRows());

        // Quitting now asks about it; Clear (both questions answered Yes) ends the journal.
        answerBox(QMessageBox::No);
        QVERIFY(!MeasForm->ConfirmQuit());
        whenModal([](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return;
            answerBox(QMessageBox::Yes);
            box->button(QMessageBox::Yes)->click();
        });
        MeasForm->btnClearClick();
        QCOMPARE(m_main->Measurement()->RowCount(), 0);
        QVERIFY(!vard::MeasJournal::exists(folder));
        QVERIFY(MeasForm->ConfirmQuit());
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--measuring-child") == 0)
        return runMeasuringChild();
    TestMeasInsight test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_measinsight.moc"
