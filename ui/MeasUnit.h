#pragma once
// The "Temperature measurement" window: switches the machine's sampling of its
// measuring channel on and off at the chosen interval, shows the samples as a table,
// clears them, and describes and saves the measurement.
//
// It keeps no data of its own: line k of the table is row k of the main window's
// measurement. The machine object appends the rows and announces each one; the window
// only adds the line. Beside the table it draws the curve, computes the profile's
// figures against a process window and journals the rows, so that a crash loses none
// of them. Created on first use, the window lives until the program ends; closing it
// only hides it, and sampling goes on meanwhile.

#include <QAbstractTableModel>
#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

#include "measure/ProcessWindow.h"
#include "measure/ProfileFigures.h"
#include "ui/MeasReport.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTableView;
class QToolBar;
class QToolButton;
class TMachine;
class TMainWindow;
class TMessungInfo;

// The lines of the sample table. Every text is made when the view asks for it, so a
// long measurement costs the table nothing but its line count.
class TMeasValuesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kTimeColumn = 0, kTemperatureColumn = 1, kColumnCount = 2 };

    explicit TMeasValuesModel(TMainWindow *main, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The measurement accepted the row with this index: the lines up to it appear.
    void RowAdded(qsizetype row);
    // No lines, then no rows.
    void Clear();
    // The lines anew from the measurement's rows (after it was filled from elsewhere).
    void Reload();
    // The header texts and every cell follow a new language and its decimal separator.
    void Retranslate();

    // "%2.2f s" of the time stamp in seconds and "%2.2f °C" of the value in degrees, in
    // the user's locale. The value is the stored 32-bit pattern of a signed reading: a
    // reading below zero shows with its minus sign.
    static QString TimeText(quint32 ms);
    static QString TemperatureText(quint32 tenths);

private:
    TMessungInfo *measurement() const;

    QPointer<TMainWindow> m_main;
    // The lines announced so far; the view is told of every change to it, which the
    // measurement's own row count could not guarantee.
    qsizetype m_lines = 0;
};

namespace vard {
class MeasJournal;
class ProfileChart;
class SleepInhibitor;
} // namespace vard
class QPushButton;
class QSplitter;
class QTableWidget;
class QTimer;

class TMeasForm : public QWidget {
    Q_OBJECT
public:
    // Restores the position from "Vard.pos" ("MeasForm"); idle, "500 ms" chosen.
    explicit TMeasForm(TMainWindow *main, QWidget *parent = nullptr);
    // Stores the position in "Vard.pos".
    ~TMeasForm() override;

    // Refused with a warning while no machine is identified.
    void StartMeasuring();
    void StopMeasuring();
    // Measuring is the state in which Stop can be pressed.
    bool Measuring() const;
    TMeasValuesModel *Values() const { return m_values; }

    // Handlers, public so that tests can drive them like the operator does.
    void btnStartClick() { StartMeasuring(); }
    void btnStopClick() { StopMeasuring(); }
    void btnClearClick();
    void btnSaveClick();
    void btnPrintClick();
    void btnPreviewClick();
    void btnEditWindowClick();

    // Rows recorded since the last successful save (or Clear, or restore).
    bool HasUnsavedRows() const;
    // Before the program quits: true to go on. With unsaved rows the operator is asked
    // ("The measurement has not been saved. ..."); its journal stays for the next start.
    bool ConfirmQuit();

    // The curve, its figures and the chosen process window, as shown.
    const vard::ProfileChart *Chart() const { return chart; }
    vard::Figures CurrentFigures() const { return m_figures.figures(); }
    const std::optional<vard::ProcessWindow> &CurrentWindow() const { return m_window; }
    // Nothing: no window, the figures with the usual settings.
    void SetProcessWindow(const std::optional<vard::ProcessWindow> &window);
    vard::MeasurementReport Report() const;
    // Index text as shown, for tests ("42 %", "—").
    QString IndexLabelText() const;
    // The runs the measurement's rows were recorded in (Start after Stop begins another).
    int RunCount() const { return m_runCount; }

    // The journal's folder: "Data" in the data folder.
    static QString JournalFolder();
    // Takes the measurement of an earlier run from its journal into the main window's
    // measurement, with its texts; the rows count as unsaved. False with a reason.
    bool RestoreJournal(QString *error);

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sampleRecorded(qsizetype row);
    void setMeasuringState(bool measuring);
    void retranslateUi();
    TMessungInfo *measurement() const;
    // The curve and the figures from every row the measurement holds.
    void reloadCurve();
    void addToCurve(qsizetype row);
    // The row's time on the curve: runs after the first continue where it ended.
    qint64 curveTime(quint32 rowMs, bool newRun);
    // The figures start over for a new run, with its gap threshold.
    void beginRun(std::optional<qint64> intervalMs);
    void showFigures();
    // The notes about readings that do not come (no channel, a silent machine).
    void checkReadings();
    void fillWindowChoice();
    void flushJournal();
    void endJournal();
    void takeTextsIntoMeasurement();

    QPointer<TMainWindow> m_main;
    QPointer<TMachine> m_machine;
    TMeasValuesModel *m_values;

    QToolBar *ToolBar1;
    QToolButton *btnStart;
    QToolButton *btnStop;
    QToolButton *btnClear;
    QToolButton *btnSave;
    QWidget *pnlInt;
    QLabel *lblDefault;
    QComboBox *comboInterval;
    QTabWidget *pctrlDefault;
    QWidget *tabData;
    QWidget *tabDescr;
    QTableView *vstValues;
    QWidget *pnlDefault;
    QLabel *lblName;
    QLineEdit *edtName;
    QLabel *lblSign;
    QLineEdit *edtSign;
    QLabel *lblInfo;
    QPlainTextEdit *memoInfo;

    // Beside the table: the live curve, the figures against a process window, the index.
    QSplitter *splitData;
    QWidget *pnlInsight;
    vard::ProfileChart *chart;
    QLabel *lblWindow;
    QComboBox *cbWindow;
    QPushButton *btnEditWindow;
    QPushButton *btnPreview;
    QPushButton *btnPrint;
    QTableWidget *tblFigures;
    QLabel *lblIndex;
    QLabel *lblRun;
    QLabel *lblNoChannel;
    QLabel *lblNoReadings;

    vard::ProfileFigures m_figures;
    std::optional<vard::ProcessWindow> m_window;
    QList<vard::ProcessWindow> m_offeredWindows;
    // A new run's time stamps start again at 0; the curve goes on after the last one.
    qint64 m_curveOffsetMs = 0;
    qint64 m_lastCurveMs = -1;
    // The run the figures are of: the latest one.
    int m_runCount = 0;
    quint32 m_lastRowMs = 0;
    std::optional<qint64> m_runIntervalMs; // nothing: not known, no gaps are seen
    int m_startIntervalMs = 0; // chosen at the last Start
    // When the last reading came (or Start was pressed, before any).
    QTimer *m_readingsTimer = nullptr;
    quint32 m_lastReadingTick = 0;
    QDateTime m_lastReadingAt;
    bool m_unsaved = false;
    std::unique_ptr<vard::MeasJournal> m_journal;
    QTimer *m_journalTimer;
    bool m_journalProblemTold = false;
    bool m_journalRestored = false; // the measurement came from the journal on disk
    QStringList m_journalTexts; // as the journal has them
    vard::SleepInhibitor *m_inhibitor;
};

// The one measurement window while it exists; the machine's samples reach its table
// through it.
extern TMeasForm *MeasForm;

// Creates the window on first use, then shows it and brings it to the front. Opening
// it does not start sampling.
void OpenMeasurementWindow(TMainWindow *main);
// Destroys the window (its position is stored). It must go before the main window and
// the machine it works with; it also goes by itself when the application's event loop
// ends or when either of them is destroyed first.
void CloseMeasurementWindow();

// At start-up: a journal left by a run that ended without saving its measurement is
// offered for restoring ("Restore", "Discard", or neither: asked again next time).
void OfferMeasurementRestore(TMainWindow *main);
