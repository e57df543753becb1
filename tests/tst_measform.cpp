// The temperature measurement window, driven like the operator drives it: starting and
// stopping the sampling, the refusal without a machine, the table that follows the
// samples, Clear, Save's descriptive texts, Escape, the window's position and lifetime,
// and the whole way from the simulated machine over a pseudo-terminal into the table.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

#include "ModalHelpers.h"
#include "ScriptedMachine.h"
#include "app/GlobalUnit.h"
#include "link/PortNames.h"
#include "app/LocaleFormats.h"
#include "measure/MeasJournal.h"
#include "measure/ObjMessungUnit.h"
#include "sim/SimulatedMachine.h"
#include "ui/MainUnit.h"
#include "ui/MeasUnit.h"

namespace {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

void answerBox(QMessageBox::StandardButton button, SeenBox *seen)
{
    whenModal([button, seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return;
        *seen = SeenBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(button)->click();
    });
}

// Counts the modal windows that come up while `action` runs and turns each one down.
int modalsDuring(const std::function<void()> &action)
{
    int count = 0;
    QWidget *last = nullptr;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog == last)
            return;
        last = dialog;
        ++count;
        dialog->reject();
    });
    watcher.start(5);
    action();
    watcher.stop();
    return count;
}

} // namespace

class TestMeasForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<TMainWindow> m_main;

    TMeasForm *open()
    {
        OpenMeasurementWindow(m_main.get());
        return MeasForm;
    }

    template <typename T> T *child(const char *name)
    {
        return MeasForm ? MeasForm->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }

    TMessungInfo &measurement() { return *m_main->Measurement(); }
    QAbstractItemModel *table() { return child<QTableView>("vstValues")->model(); }
    QString cell(int row, int column) { return table()->index(row, column).data().toString(); }

    // What the machine object does with an accepted sample.
    void addSample(quint32 ms, quint32 tenths)
    {
        QVERIFY(measurement().AddRow(TDataRow{ms, tenths, 1}));
        emit m_rig->machine.sampleRecorded(measurement().RowCount() - 1);
    }

    struct Controls {
        bool start, stop, clear, save, interval;
        bool operator==(const Controls &) const = default;
    };
    Controls controls()
    {
        return {child<QToolButton>("btnStart")->isEnabled(), child<QToolButton>("btnStop")->isEnabled(),
                child<QToolButton>("btnClear")->isEnabled(), child<QToolButton>("btnSave")->isEnabled(),
                child<QComboBox>("comboInterval")->isEnabled()};
    }
    static constexpr Controls kIdle{true, false, true, true, true};
    static constexpr Controls kMeasuring{false, true, false, false, false};

    const QString kNote = "PLEASE NOTE: While measuring, maschine state may not be refreshed properly!";

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        m_rig = std::make_unique<Rig>();
        m_main = std::make_unique<TMainWindow>(&m_rig->machine);
    }

    void cleanup()
    {
        CloseMeasurementWindow(); // before the main window and the machine it works with
        m_main.reset();
        m_rig.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        SetPortOverride(1, QString());
        qunsetenv("VARD_HOME");
    }

    // ------------------------------------------------------------ start and stop

    void startWithoutMachineIsRefused()
    {
        TMeasForm *form = open();
        child<QComboBox>("comboInterval")->setCurrentIndex(3);
        m_rig->machine.SetMeasureInterval(700);
        const quint32 startTick = 12345;
        m_main->SetMeasureStart(startTick);
        const double date = measurement().MeasDate;

        SeenBox seen;
        answerBox(QMessageBox::Ok, &seen);
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        QCOMPARE(seen.caption, QString("Info"));
        QCOMPARE(seen.text, QString("There is no machine connected. Cannot start measurement!"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        QVERIFY(controls() == kIdle);
        QVERIFY(!form->Measuring());
        QCOMPARE(child<QComboBox>("comboInterval")->currentIndex(), 3);
        QVERIFY(!m_rig->machine.Measuring());
        QVERIFY(!m_rig->machine.MeasureTimer().isActive());
        QCOMPARE(m_rig->machine.MeasureInterval(), 700);
        QCOMPARE(m_main->MeasureStart(), startTick);
        QCOMPARE(measurement().MeasDate, date);
        QCOMPARE(m_main->StatusText(1), QString());
    }

    void startAndStop_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ms");
        QTest::addRow("500 ms") << 0 << "500 ms" << 500;
        QTest::addRow("1 sec") << 1 << "1 sec" << 1000;
        QTest::addRow("2 sec") << 2 << "2 sec" << 2000;
        QTest::addRow("5 sec") << 3 << "5 sec" << 5000;
    }

    // Idle at creation; Start switches the sampling on at the chosen interval, stamps
    // the measurement and shows the note; Stop switches it off and takes the note away.
    void startAndStop()
    {
        QFETCH(int, item);
        QFETCH(QString, text);
        QFETCH(int, ms);
        m_rig->bringUp("362.10 A", k362Settings);
        TMeasForm *form = open();
        QVERIFY(controls() == kIdle);
        QCOMPARE(child<QComboBox>("comboInterval")->currentIndex(), 0);

        auto *combo = child<QComboBox>("comboInterval");
        combo->setCurrentIndex(item);
        QCOMPARE(combo->currentText(), text);
        measurement().MeasDate = 1.0;
        const quint32 before = TickCount();
        const QDateTime clockBefore = QDateTime::currentDateTime().addSecs(-1);
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        const quint32 after = TickCount();

        QVERIFY(controls() == kMeasuring);
        QVERIFY(form->Measuring());
        QVERIFY(m_rig->machine.Measuring());
        QVERIFY(m_rig->machine.MeasureTimer().isActive());
        QCOMPARE(m_rig->machine.MeasureInterval(), ms);
        QVERIFY(m_main->MeasureStart() - before <= after - before);
        QVERIFY(measurement().MeasDate >= TMessungInfo::ToDateValue(clockBefore));
        QVERIFY(measurement().MeasDate <= TMessungInfo::ToDateValue(QDateTime::currentDateTime().addSecs(1)));
        QCOMPARE(m_main->StatusText(1), kNote);

        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
        QVERIFY(controls() == kIdle);
        QVERIFY(!form->Measuring());
        QVERIFY(!m_rig->machine.Measuring());
        QVERIFY(!m_rig->machine.MeasureTimer().isActive());
        QCOMPARE(m_main->StatusText(1), QString());
        QCOMPARE(combo->currentIndex(), item);
    }

    // The date a measurement carries is its Start, also in the journal that a crash
    // leaves: not when the measurement object was made (an hour earlier here).
    void restoredMeasurementCarriesItsStart()
    {
        m_rig->bringUp("362.10 A", k362Settings);
        open();
        const QDateTime made = QDateTime::currentDateTime().addSecs(-3600);
        measurement().MeasDate = TMessungInfo::ToDateValue(made);
        const QDateTime before = QDateTime::currentDateTime();
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        const QDateTime after = QDateTime::currentDateTime();
        addSample(500, 2000);
        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);

        TMessungInfo restored;
        QString error;
        QVERIFY2(vard::MeasJournal::restore(TMeasForm::JournalFolder(), restored, &error), qPrintable(error));
        const QDateTime date = TMessungInfo::FromDateValue(restored.MeasDate);
        QVERIFY2(date >= before.addSecs(-1) && date <= after.addSecs(1),
                 qPrintable(date.toString(Qt::ISODateWithMs) + " is not the Start at " + before.toString(Qt::ISODateWithMs)));
        QCOMPARE(restored.RowCount(), qsizetype(1));
    }

    // On a machine type without a measuring channel Start still measures, and the
    // window says that nothing will come (and not that the machine is silent); on a
    // type with one it says nothing of the kind.
    void machineWithoutMeasuringChannel_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("noChannel");
        QTest::addRow("4QTR") << QByteArray("4QTR A") << kQtrSettings << true;
        QTest::addRow("362.10") << QByteArray("362.10 A") << k362Settings << false;
    }

    void machineWithoutMeasuringChannel()
    {
        QFETCH(QByteArray, ident);
        QFETCH(QByteArray, settings);
        QFETCH(bool, noChannel);
        m_rig->bringUp(ident, settings);
        QCOMPARE(m_rig->machine.MeasureRequest().isEmpty(), noChannel);
        TMeasForm *form = open();
        auto *note = child<QLabel>("lblNoChannel");
        QVERIFY(note);
        QVERIFY(note->isHidden());
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        QVERIFY(form->Measuring());
        QVERIFY(controls() == kMeasuring);
        QCOMPARE(note->isHidden(), !noChannel);
        if (noChannel) {
            QCOMPARE(note->text(), QString("This machine type has no measuring channel: no readings will come."));
            // Well past three intervals of 500 ms: still the one note, not the other.
            QTest::qWait(2500);
            QVERIFY(child<QLabel>("lblNoReadings")->isHidden());
        }
        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
        QVERIFY(note->isHidden());
    }

    // No reading for more than three intervals while measuring: the window says since
    // when (the Start, before any reading; else the last reading), on its own timer.
    // A reading takes the note away at once, and so does Stop.
    void silentMachineIsNoticed()
    {
        m_rig->bringUp("362.10 A", k362Settings);
        open();
        child<QComboBox>("comboInterval")->setCurrentIndex(0); // 500 ms
        auto *note = child<QLabel>("lblNoReadings");
        QVERIFY(note);
        const auto shown = [](const QDateTime &at) {
            return QString("No readings since %1 — the machine does not answer")
                .arg(QLocale().toString(at.time(), vard::TimeOfDayFormat(QLocale())));
        };
        const auto sinceOneOf = [&](const QDateTime &from, const QDateTime &to) {
            return note->text() == shown(from) || note->text() == shown(to);
        };

        QDateTime before = QDateTime::currentDateTime();
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        QDateTime after = QDateTime::currentDateTime();
        QVERIFY(note->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!note->isHidden(), 15000);
        QVERIFY2(sinceOneOf(before, after), qPrintable(note->text()));

        before = QDateTime::currentDateTime();
        addSample(500, 2000);
        after = QDateTime::currentDateTime();
        QVERIFY(note->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!note->isHidden(), 15000);
        QVERIFY2(sinceOneOf(before, after), qPrintable(note->text()));

        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
        QVERIFY(note->isHidden());
    }

    // Opening the window again shows the same window; opening never starts sampling.
    void openedOnceOnly()
    {
        m_rig->bringUp("362.10 A", k362Settings);
        TMeasForm *first = open();
        QVERIFY(first->isVisible());
        QCOMPARE(first->windowTitle(), QString("Temperature measurement"));
        first->hide();
        QCOMPARE(open(), first);
        QVERIFY(first->isVisible());
        QVERIFY(!m_rig->machine.Measuring());
        QVERIFY(controls() == kIdle);
    }

    // ------------------------------------------------------------ the table

    void cellTexts_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<quint32>("ms");
        QTest::addColumn<quint32>("tenths");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("temperature");
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::addRow("zero") << en << 0u << 0u << "0.00 s" << "0.00 °C";
        QTest::addRow("2500 ms, 215.3 degrees") << en << 2500u << 2153u << "2.50 s" << "215.30 °C";
        QTest::addRow("rounded to two decimals") << en << 1234u << 7u << "1.23 s" << "0.70 °C";
        QTest::addRow("thousands not grouped") << en << 1234567u << 12345u << "1234.57 s" << "1234.50 °C";
        // A time stamp is unsigned; a value holds the 32-bit pattern of a signed reading.
        QTest::addRow("large time stamp") << en << 4294967290u << 0u << "4294967.29 s" << "0.00 °C";
        QTest::addRow("minus five degrees") << en << 0u << quint32(-50) << "0.00 s" << "-5.00 °C";
        QTest::addRow("tenths below zero") << en << 0u << quint32(-7) << "0.00 s" << "-0.70 °C";
        QTest::addRow("lowest 16-bit reading") << en << 0u << quint32(-327680) << "0.00 s" << "-32768.00 °C";
        QTest::addRow("German, decimal comma") << de << 2500u << 2153u << "2,50 s" << "215,30 °C";
        QTest::addRow("German, minus five") << de << 0u << quint32(-50) << "0,00 s" << "-5,00 °C";
        QTest::addRow("German, not grouped") << de << 1234567u << 0u << "1234,57 s" << "0,00 °C";
    }

    void cellTexts()
    {
        QFETCH(QLocale, locale);
        QFETCH(quint32, ms);
        QFETCH(quint32, tenths);
        QFETCH(QString, time);
        QFETCH(QString, temperature);
        QLocale::setDefault(locale);
        open();
        addSample(ms, tenths);
        QCOMPARE(table()->rowCount(), 1);
        QCOMPARE(cell(0, 0), time);
        QCOMPARE(cell(0, 1), temperature);
        QCOMPARE(table()->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
    }

    void tableLayout()
    {
        open();
        auto *view = child<QTableView>("vstValues");
        QCOMPARE(table()->columnCount(), 2);
        QCOMPARE(table()->headerData(0, Qt::Horizontal).toString(), QString("Time"));
        QCOMPARE(table()->headerData(1, Qt::Horizontal).toString(), QString("Temperature"));
        QCOMPARE(view->columnWidth(0), 100);
        QCOMPARE(view->columnWidth(1), 100);
        QVERIFY(view->showGrid());
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(child<QTabWidget>("pctrlDefault")->currentWidget(), child<QWidget>("tabData"));
    }

    // Each announced sample adds its line at the end and brings it into view at the
    // bottom edge, without scrolling the columns sideways.
    void linesFollowSamples()
    {
        TMeasForm *form = open();
        form->resize(320, 300);
        auto *view = child<QTableView>("vstValues");
        view->setColumnWidth(0, 400);
        view->setColumnWidth(1, 400);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        for (quint32 i = 0; i < 500; ++i)
            addSample(i * 500, 2000 + i);
        QCOMPARE(table()->rowCount(), 500);
        QScrollBar *across = view->horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        across->setValue(across->maximum());

        addSample(250000, 2500);
        QCOMPARE(table()->rowCount(), 501);
        QCOMPARE(cell(500, 0), QString("250.00 s"));
        QCOMPARE(cell(500, 1), QString("250.00 °C"));
        const QRect last = view->visualRect(table()->index(500, 1));
        const int height = view->viewport()->height();
        QVERIFY2(last.bottom() < height && last.bottom() >= height - 2 * last.height(),
                 qPrintable(QString("line at %1..%2 in %3").arg(last.top()).arg(last.bottom()).arg(height)));
        QCOMPARE(across->value(), across->maximum());
        QCOMPARE(cell(0, 0), QString("0.00 s")); // the first line still shows the first row
    }

    // ------------------------------------------------------------ clear

    void clearEmptyTableAsksNothing()
    {
        open();
        int asked = modalsDuring([&] { QTest::mouseClick(child<QToolButton>("btnClear"), Qt::LeftButton); });
        QCOMPARE(asked, 0);
        QCOMPARE(table()->rowCount(), 0);
    }

    // Rows never saved are asked about first; then comes the question of every Clear.
    void clear_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("unsavedAnswer");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<int>("linesLeft");
        QTest::addRow("not saved: No keeps the lines") << QMessageBox::No << QMessageBox::NoButton << 3;
        QTest::addRow("No keeps the lines") << QMessageBox::Yes << QMessageBox::No << 3;
        QTest::addRow("Yes empties the table") << QMessageBox::Yes << QMessageBox::Yes << 0;
    }

    void clear()
    {
        QFETCH(QMessageBox::StandardButton, unsavedAnswer);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(int, linesLeft);
        open();
        addSample(0, 2000);
        addSample(500, 2010);
        addSample(1000, 2020);
        child<QLineEdit>("edtName")->setText("Oven run");
        child<QLineEdit>("edtSign")->setText("jd");
        child<QPlainTextEdit>("memoInfo")->setPlainText("first\nsecond");
        measurement().SetInfo(1, "Stored title");
        const double date = measurement().MeasDate;

        SeenBox unsaved, seen;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return;
            unsaved = SeenBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
            if (answer != QMessageBox::NoButton)
                answerBox(answer, &seen);
            box->button(unsavedAnswer)->click();
        });
        QTest::mouseClick(child<QToolButton>("btnClear"), Qt::LeftButton);
        QVERIFY2(unsaved.text.startsWith("The measurement has not been saved."), qPrintable(unsaved.text));
        QCOMPARE(unsaved.buttons, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::NoButton) {
            QCOMPARE(seen.caption, QString("Please confirm"));
            QCOMPARE(seen.text, QString("Do you really want to delete the current maeasurement data?"));
            QCOMPARE(seen.icon, QMessageBox::Question);
            QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        }

        QCOMPARE(table()->rowCount(), linesLeft);
        QCOMPARE(measurement().RowCount(), qsizetype(linesLeft));
        if (linesLeft)
            QCOMPARE(cell(2, 1), QString("202.00 °C"));
        QCOMPARE(child<QLineEdit>("edtName")->text(), QString("Oven run"));
        QCOMPARE(child<QLineEdit>("edtSign")->text(), QString("jd"));
        QCOMPARE(child<QPlainTextEdit>("memoInfo")->toPlainText(), QString("first\nsecond"));
        QCOMPARE(measurement().Title, QString("Stored title"));
        QCOMPARE(measurement().MeasDate, date);

        // A cleared table takes the next sample as its first line again.
        addSample(40, 1990);
        QCOMPARE(table()->rowCount(), linesLeft + 1);
        QCOMPARE(cell(linesLeft, 0), QString("0.04 s"));
    }

    // ------------------------------------------------------------ save

    // Save hands the three texts to the measurement before it asks for the file; the
    // description keeps its lines, with the files' CR LF between them.
    void saveStoresTheTexts()
    {
        open();
        addSample(0, 2000);
        child<QLineEdit>("edtName")->setText("Profile A");
        child<QLineEdit>("edtSign")->setText("Operator 2");
        child<QPlainTextEdit>("memoInfo")->setPlainText("Board 17\n\nsecond pass");
        const int dialogs = modalsDuring([&] { QTest::mouseClick(child<QToolButton>("btnSave"), Qt::LeftButton); });
        QVERIFY(dialogs <= 1); // the file dialog, turned down
        QCOMPARE(measurement().Title, QString("Profile A"));
        QCOMPARE(measurement().UserName, QString("Operator 2"));
        QCOMPARE(measurement().Description, QString("Board 17\r\n\r\nsecond pass"));
        QCOMPARE(measurement().RowCount(), qsizetype(1));
        QCOMPARE(table()->rowCount(), 1);
    }

    // A text export that cannot be written reaches the operator as an error report,
    // and the window stays usable.
    void failedTextExportIsReported()
    {
        open();
        addSample(0, 2000);
        QFile blocker(m_home->filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString target = m_home->filePath("blocker/run.txt"); // its folder is a file
        SeenBox seen;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return;
            answerBox(QMessageBox::Ok, &seen);
            if (auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit"))
                edit->setText(target);
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::mouseClick(child<QToolButton>("btnSave"), Qt::LeftButton);
        QTRY_COMPARE(seen.caption, QString("Error"));
        QVERIFY2(seen.text.contains(target), qPrintable(seen.text));
        QVERIFY(child<QToolButton>("btnSave")->isEnabled());
        QCOMPARE(measurement().RowCount(), qsizetype(1));
    }

    // ------------------------------------------------------------ escape

    void escapeHidesWhileSampling_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addRow("page control") << "pctrlDefault";
        QTest::addRow("table") << "vstValues";
        QTest::addRow("title") << "edtName";
        QTest::addRow("description") << "memoInfo";
    }

    void escapeHidesWhileSampling()
    {
        QFETCH(QString, focus);
        m_rig->bringUp("362.10 A", k362Settings);
        TMeasForm *form = open();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        addSample(0, 2000);
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        QVERIFY(form->Measuring());

        auto *target = form->findChild<QWidget *>(focus);
        QVERIFY(target);
        if (focus.startsWith("edt") || focus.startsWith("memo"))
            child<QTabWidget>("pctrlDefault")->setCurrentWidget(child<QWidget>("tabDescr"));
        child<QPlainTextEdit>("memoInfo")->setPlainText("kept");
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);

        QVERIFY(!form->isVisible());
        QCOMPARE(child<QPlainTextEdit>("memoInfo")->toPlainText(), QString("kept"));
        QVERIFY(m_rig->machine.Measuring());
        QVERIFY(m_rig->machine.MeasureTimer().isActive());
        QCOMPARE(m_main->StatusText(1), kNote);
        addSample(500, 2050); // sampling goes on behind the hidden window

        QCOMPARE(open(), form);
        QVERIFY(form->isVisible());
        QVERIFY(controls() == kMeasuring);
        QCOMPARE(table()->rowCount(), 2);
        QCOMPARE(cell(1, 1), QString("205.00 °C"));
    }

    // ------------------------------------------------------------ position and lifetime

    // The window opens where it was left, and stores its place when it goes, also when
    // the main window goes first and takes it along.
    void positionAndLifetime_data()
    {
        QTest::addColumn<bool>("mainGoesFirst");
        QTest::addRow("closed before the main window") << false;
        QTest::addRow("main window goes first") << true;
    }

    void positionAndLifetime()
    {
        QFETCH(bool, mainGoesFirst);
        m_rig->bringUp("362.10 A", k362Settings);
        WriteWindowPos("MeasForm", TWindowPos{40, 30, 520, 360});
        TMeasForm *form = open();
        QCOMPARE(form->pos(), QPoint(30, 40));
        QCOMPARE(form->size(), QSize(520, 360));

        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        addSample(0, 2000);
        form->move(70, 80);
        form->resize(500, 300);
        if (mainGoesFirst)
            m_main.reset();
        else
            CloseMeasurementWindow();
        QCOMPARE(MeasForm, nullptr);
        const TWindowPos stored = ReadWindowPos("MeasForm");
        QCOMPARE(stored.Top, 80);
        QCOMPARE(stored.Left, 70);
        QCOMPARE(stored.Width, 500);
        QCOMPARE(stored.Height, 300);
        // The machine goes on without the window, and nothing calls into it any more.
        emit m_rig->machine.sampleRecorded(0);
    }


    // Closing the main window ends the program even while this window is open; the
    // window goes as the event loop ends, before the windows and the machine of main()
    // are destroyed, and stores its place.
    void mainWindowClosingEndsProgram()
    {
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        TMeasForm *form = open();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        form->move(15, 25);
        SeenBox seen;
        QTimer::singleShot(0, m_main.get(), [&] {
            answerBox(QMessageBox::Yes, &seen);
            m_main->close();
        });
        constexpr int kStillRunning = 7;
        QTimer stillRunning; // goes with this test, so it cannot end a later one's loop
        stillRunning.setSingleShot(true);
        connect(&stillRunning, &QTimer::timeout, qApp, [] { QCoreApplication::exit(kStillRunning); });
        stillRunning.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(seen.caption, QString("Please confirm"));
        QCOMPARE(MeasForm, nullptr);
        QCOMPARE(ReadWindowPos("MeasForm").Left, 15);
        QCOMPARE(ReadWindowPos("MeasForm").Top, 25);
    }

    // ------------------------------------------------------------ end to end

    // The simulated machine's measuring channel, sampled on the real timers over a real
    // pseudo-terminal, fills the table; a second run after Stop appends its lines with
    // time stamps counted from its own Start.
    void samplesFromSimulatedMachine()
    {
        // The scripted rig is not used here: a real machine object with its link thread.
        m_main.reset();
        m_rig.reset();
        vardsim::SimulatedMachine sim(vardsim::MachineKind::T362_10);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QFile ini(m_home->filePath("Vard.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Communications]\r\nComNo=1\r\nReadTimeout=500\r\n");
        ini.close();
        SetPortOverride(1, sim.devicePath());
        auto machine = std::make_unique<TMachine>();
        auto main = std::make_unique<TMainWindow>(machine.get());
        QTRY_VERIFY_WITH_TIMEOUT(machine->IsConnected(), 3000);
        for (int i = 0; i < 60 && machine->PollState() != psReadValues; ++i) {
            QElapsedTimer t;
            t.start();
            while (machine->Com().ReplyExpected.load() && t.elapsed() < 3000)
                QTest::qWait(2);
            machine->RefreshTick();
        }
        QCOMPARE(machine->GetMachineType(), 4);

        OpenMeasurementWindow(main.get());
        QVERIFY(MeasForm);
        QAbstractItemModel *lines = child<QTableView>("vstValues")->model();
        TMessungInfo &m = *main->Measurement();
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        QCOMPARE(machine->MeasureInterval(), 500);
        QTRY_VERIFY_WITH_TIMEOUT(lines->rowCount() >= 3, 10000);
        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
        const int firstRun = lines->rowCount();
        QCOMPARE(qsizetype(firstRun), m.RowCount());
        const int probe = sim.withController([](vardsim::SimController &c) { return c.measuringValue(); });
        for (int k = 0; k < firstRun; ++k) {
            QCOMPARE(lines->index(k, 0).data().toString(), TMeasValuesModel::TimeText(m.GetTime(k)));
            QCOMPARE(lines->index(k, 1).data().toString(), TMeasValuesModel::TemperatureText(m.GetValue(k, 0)));
            QVERIFY(qAbs(int(m.GetValue(k, 0)) - probe * 10) <= 100);
            if (k > 0)
                QVERIFY(m.GetTime(k) > m.GetTime(k - 1));
        }
        const quint32 firstRunEnd = m.GetTime(firstRun - 1);
        QVERIFY(firstRunEnd >= 900);

        QElapsedTimer sinceStart;
        sinceStart.start();
        QTest::mouseClick(child<QToolButton>("btnStart"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(lines->rowCount() > firstRun, 10000);
        const qint64 elapsed = sinceStart.elapsed();
        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
        QVERIFY2(m.GetTime(firstRun) <= quint32(elapsed),
                 qPrintable(QString("second run's first stamp %1 ms, %2 ms after its Start")
                                .arg(m.GetTime(firstRun))
                                .arg(elapsed)));
        QCOMPARE(m.GetTime(firstRun - 1), firstRunEnd); // the first run's lines stay

        CloseMeasurementWindow();
        main.reset();
        machine.reset();
    }
};

QTEST_MAIN(TestMeasForm)
#include "tst_measform.moc"
