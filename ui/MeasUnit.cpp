#include "ui/MeasUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <limits>

#include "app/GlobalUnit.h"
#include "app/LocaleFormats.h"
#include "app/SleepInhibitor.h"
#include "machine/MachineUnit.h"
#include "measure/MeasJournal.h"
#include "measure/MeasRuns.h"
#include "measure/ObjMessungUnit.h"
#include "ui/MainUnit.h"
#include "ui/MeasSaveUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/ProcessWindowUnit.h"
#include "ui/widgets/ProfileChart.h"
#include "ui/widgets/Placement.h"
#include "ui/widgets/ToolIcons.h"

TMeasForm *MeasForm = nullptr;

namespace {

// The sampling interval of each item of comboInterval, in ms.
constexpr std::array<int, 4> kIntervalMs{500, 1000, 2000, 5000};
constexpr int kToolBarHeight = 50;
constexpr int kColumnWidth = 100;
// Rows reach the disk at least this often while measuring.
constexpr int kJournalFlushMs = 2000;
// How often the window looks whether readings still come.
constexpr int kReadingsCheckMs = 250;
enum FigureColumn { kFigureName, kFigureValue, kFigureLower, kFigureUpper, kFigureMark, kFigureColumns };

// ---- tool button pictures, drawn on a 32 x 32 grid

void drawStart(QPainter &p)
{
    p.setPen(QPen(QColor(20, 110, 40), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(50, 175, 75));
    p.drawPolygon(QPolygonF{QPointF(8.5, 4.5), QPointF(27.5, 16), QPointF(8.5, 27.5)});
}

void drawStop(QPainter &p)
{
    p.setPen(QPen(QColor(120, 20, 20), 1.5));
    p.setBrush(QColor(210, 45, 45));
    p.drawRoundedRect(QRectF(6.5, 6.5, 19, 19), 2.5, 2.5);
}

void drawClear(QPainter &p)
{
    // A table of samples, struck through.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(QRectF(3.5, 3.5, 22, 25));
    p.setPen(QPen(QColor(150, 160, 175), 1));
    for (qreal y : {9.5, 15.5, 21.5})
        p.drawLine(QPointF(3.5, y), QPointF(25.5, y));
    p.drawLine(QPointF(14.5, 3.5), QPointF(14.5, 28.5));
    p.setPen(QPen(QColor(200, 30, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(28, 28));
    p.drawLine(QPointF(28, 18), QPointF(18, 28));
}

// Fixed-point with two decimals in the user's locale, without thousands separators:
// 1234.50, never 1,234.50.
QString fixed2(double value)
{
    return vard::NumberLocale().toString(value, 'f', 2);
}

} // namespace

// ---------------------------------------------------------------- the table's lines

TMeasValuesModel::TMeasValuesModel(TMainWindow *main, QObject *parent) : QAbstractTableModel(parent), m_main(main)
{
    if (const TMessungInfo *m = measurement())
        m_lines = m->RowCount();
}

TMessungInfo *TMeasValuesModel::measurement() const
{
    return m_main ? m_main->Measurement() : nullptr;
}

int TMeasValuesModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(std::min<qsizetype>(m_lines, std::numeric_limits<int>::max()));
}

int TMeasValuesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TMeasValuesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole) {
        return index.column() == kTemperatureColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    const TMessungInfo *m = measurement();
    const qsizetype row = index.row();
    // A line the measurement no longer has shows nothing rather than another row's value.
    if (!m || row < 0 || row >= m->RowCount())
        return {};
    switch (index.column()) {
    case kTimeColumn: return TimeText(m->GetTime(row));
    case kTemperatureColumn: return TemperatureText(m->GetValue(row, 0));
    default: return {};
    }
}

QVariant TMeasValuesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole) {
        return section == kTemperatureColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kTimeColumn: return tr("Time");
    case kTemperatureColumn: return tr("Temperature");
    default: return {};
    }
}

void TMeasValuesModel::RowAdded(qsizetype row)
{
    if (row < m_lines)
        return;
    beginInsertRows(QModelIndex(), static_cast<int>(m_lines), static_cast<int>(row));
    m_lines = row + 1;
    endInsertRows();
}

void TMeasValuesModel::Clear()
{
    beginResetModel();
    m_lines = 0;
    if (TMessungInfo *m = measurement())
        m->ClearRows();
    endResetModel();
}

void TMeasValuesModel::Reload()
{
    beginResetModel();
    const TMessungInfo *m = measurement();
    m_lines = m ? m->RowCount() : 0;
    endResetModel();
}

void TMeasValuesModel::Retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
    if (m_lines > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::DisplayRole});
}

QString TMeasValuesModel::TimeText(quint32 ms)
{
    return fixed2(static_cast<double>(ms) / 1000.0) + QLatin1String(" s");
}

QString TMeasValuesModel::TemperatureText(quint32 tenths)
{
    return fixed2(static_cast<double>(static_cast<qint32>(tenths)) / 10.0) + QStringLiteral(" °C");
}

// ---------------------------------------------------------------- the window

TMeasForm::TMeasForm(TMainWindow *main, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_main(main),
      m_machine(main ? main->Machine() : nullptr),
      m_values(new TMeasValuesModel(main, this)),
      ToolBar1(new QToolBar(this)),
      btnStart(vard::MakeToolButton(QStringLiteral("btnStart"), vard::MakeToolIcon(drawStart), this)),
      btnStop(vard::MakeToolButton(QStringLiteral("btnStop"), vard::MakeToolIcon(drawStop), this)),
      btnClear(vard::MakeToolButton(QStringLiteral("btnClear"), vard::MakeToolIcon(drawClear), this)),
      btnSave(vard::MakeToolButton(QStringLiteral("btnSave"), vard::MakeToolIcon(vard::DrawSaveIcon), this)),
      pnlInt(new QWidget(this)),
      lblDefault(new QLabel(pnlInt)),
      comboInterval(new QComboBox(pnlInt)),
      pctrlDefault(new QTabWidget(this)),
      tabData(new QWidget),
      tabDescr(new QWidget),
      vstValues(new QTableView(tabData)),
      pnlDefault(new QWidget(tabDescr)),
      lblName(new QLabel(pnlDefault)),
      edtName(new QLineEdit(pnlDefault)),
      lblSign(new QLabel(pnlDefault)),
      edtSign(new QLineEdit(pnlDefault)),
      lblInfo(new QLabel(tabDescr)),
      memoInfo(new QPlainTextEdit(tabDescr)),
      splitData(new QSplitter(Qt::Horizontal, tabData)),
      pnlInsight(new QWidget),
      chart(new vard::ProfileChart(pnlInsight)),
      lblWindow(new QLabel(pnlInsight)),
      cbWindow(new QComboBox(pnlInsight)),
      btnEditWindow(new QPushButton(pnlInsight)),
      btnPreview(new QPushButton(pnlInsight)),
      btnPrint(new QPushButton(pnlInsight)),
      tblFigures(new QTableWidget(vard::kFigureCount, kFigureColumns, pnlInsight)),
      lblIndex(new QLabel(pnlInsight)),
      lblRun(new QLabel(pnlInsight)),
      lblNoChannel(new QLabel(pnlInsight)),
      lblNoReadings(new QLabel(pnlInsight)),
      m_journalTimer(new QTimer(this)),
      m_inhibitor(new vard::SleepInhibitor(this))
{
    setObjectName(QStringLiteral("MeasForm"));
    // Only the main window's closing ends the program; this one, left open, must not
    // keep it running.
    setAttribute(Qt::WA_QuitOnClose, false);

    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(vard::kToolIconSize, vard::kToolIconSize));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->addWidget(btnStart);
    ToolBar1->addWidget(btnStop);
    ToolBar1->addSeparator()->setObjectName(QStringLiteral("spacer1"));
    ToolBar1->addWidget(btnClear);
    ToolBar1->addSeparator()->setObjectName(QStringLiteral("spacer2"));
    ToolBar1->addWidget(btnSave);

    pnlInt->setObjectName(QStringLiteral("pnlInt"));
    lblDefault->setObjectName(QStringLiteral("lblDefault"));
    comboInterval->setObjectName(QStringLiteral("comboInterval"));
    comboInterval->setEditable(false);
    for (size_t i = 0; i < kIntervalMs.size(); ++i)
        comboInterval->addItem(QString());
    comboInterval->setCurrentIndex(0);
    comboInterval->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblDefault->setBuddy(comboInterval);
    auto *intervalLayout = new QHBoxLayout(pnlInt);
    intervalLayout->setContentsMargins(12, 0, 6, 0);
    intervalLayout->addWidget(lblDefault);
    intervalLayout->addWidget(comboInterval);
    ToolBar1->addWidget(pnlInt);

    btnStop->setEnabled(false);

    pctrlDefault->setObjectName(QStringLiteral("pctrlDefault"));
    tabData->setObjectName(QStringLiteral("tabData"));
    tabDescr->setObjectName(QStringLiteral("tabDescr"));
    pctrlDefault->addTab(tabData, QString());
    pctrlDefault->addTab(tabDescr, QString());
    pctrlDefault->setCurrentIndex(0);

    vstValues->setObjectName(QStringLiteral("vstValues"));
    vstValues->setModel(m_values);
    vstValues->setShowGrid(true);
    vstValues->setSelectionBehavior(QAbstractItemView::SelectRows);
    vstValues->setSelectionMode(QAbstractItemView::SingleSelection);
    vstValues->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vstValues->setWordWrap(false);
    vstValues->setCornerButtonEnabled(false);
    // One fixed height for every line: the view then places a million lines without
    // measuring any of them.
    QHeaderView *rows = vstValues->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(vstValues->fontMetrics().height() + 6);
    // Interactive columns: dragged by their divider, and fitted to their texts by a
    // double click on it (the table view connects that itself).
    QHeaderView *columns = vstValues->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    columns->resizeSection(TMeasValuesModel::kTimeColumn, kColumnWidth);
    columns->resizeSection(TMeasValuesModel::kTemperatureColumn, kColumnWidth);
    // The table keeps the left side with its own columns; the curve and its figures
    // take the rest.
    splitData->setObjectName(QStringLiteral("splitData"));
    splitData->setChildrenCollapsible(false);
    splitData->addWidget(vstValues);
    // In a small window the panel scrolls instead of forcing the window larger than
    // the operator left it.
    auto *insightScroll = new QScrollArea;
    insightScroll->setObjectName(QStringLiteral("scrollInsight"));
    insightScroll->setWidgetResizable(true);
    insightScroll->setFrameShape(QFrame::NoFrame);
    insightScroll->setWidget(pnlInsight);
    splitData->addWidget(insightScroll);
    splitData->setStretchFactor(0, 0);
    splitData->setStretchFactor(1, 1);
    splitData->setSizes({2 * kColumnWidth + 30, 560});
    pnlInsight->setObjectName(QStringLiteral("pnlInsight"));
    lblWindow->setObjectName(QStringLiteral("lblWindow"));
    cbWindow->setObjectName(QStringLiteral("cbWindow"));
    cbWindow->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblWindow->setBuddy(cbWindow);
    btnEditWindow->setObjectName(QStringLiteral("btnEditWindow"));
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    tblFigures->setObjectName(QStringLiteral("tblFigures"));
    tblFigures->verticalHeader()->hide();
    tblFigures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFigures->setSelectionMode(QAbstractItemView::NoSelection);
    tblFigures->setFocusPolicy(Qt::NoFocus);
    tblFigures->horizontalHeader()->setSectionResizeMode(kFigureName, QHeaderView::Stretch);
    for (int c = kFigureValue; c < kFigureColumns; ++c)
        tblFigures->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    tblFigures->verticalHeader()->setDefaultSectionSize(tblFigures->fontMetrics().height() + 6);
    tblFigures->setFixedHeight(tblFigures->horizontalHeader()->sizeHint().height()
                               + vard::kFigureCount * tblFigures->verticalHeader()->defaultSectionSize() + 4);
    tblFigures->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int r = 0; r < vard::kFigureCount; ++r) {
        for (int c = 0; c < kFigureColumns; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(c == kFigureName ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
            tblFigures->setItem(r, c, item);
        }
    }
    lblIndex->setObjectName(QStringLiteral("lblIndex"));
    lblIndex->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *windowRow = new QHBoxLayout;
    windowRow->addWidget(lblWindow);
    windowRow->addWidget(cbWindow, 1);
    windowRow->addWidget(btnEditWindow);
    windowRow->addSpacing(12);
    windowRow->addWidget(btnPreview);
    windowRow->addWidget(btnPrint);
    lblRun->setObjectName(QStringLiteral("lblRun"));
    lblRun->hide();
    // The notes stand out: each tells the operator that the curve is not coming.
    for (QLabel *note : {lblNoChannel, lblNoReadings}) {
        note->setWordWrap(true);
        note->setStyleSheet(QStringLiteral("QLabel { color: #b41e1e; font-weight: bold; }"));
        note->hide();
    }
    lblNoChannel->setObjectName(QStringLiteral("lblNoChannel"));
    lblNoReadings->setObjectName(QStringLiteral("lblNoReadings"));
    auto *insight = new QVBoxLayout(pnlInsight);
    insight->setContentsMargins(6, 6, 6, 6);
    insight->addWidget(lblNoChannel);
    insight->addWidget(lblNoReadings);
    insight->addWidget(chart, 1);
    insight->addLayout(windowRow);
    insight->addWidget(lblRun);
    insight->addWidget(tblFigures);
    insight->addWidget(lblIndex);
    auto *dataLayout = new QVBoxLayout(tabData);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->addWidget(splitData);

    pnlDefault->setObjectName(QStringLiteral("pnlDefault"));
    lblName->setObjectName(QStringLiteral("lblName"));
    edtName->setObjectName(QStringLiteral("edtName"));
    lblName->setBuddy(edtName);
    lblSign->setObjectName(QStringLiteral("lblSign"));
    edtSign->setObjectName(QStringLiteral("edtSign"));
    lblSign->setBuddy(edtSign);
    auto *fields = new QGridLayout(pnlDefault);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(lblName, 0, 0);
    fields->addWidget(edtName, 0, 1);
    fields->addWidget(lblSign, 1, 0);
    fields->addWidget(edtSign, 1, 1);
    fields->setColumnStretch(1, 1);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    memoInfo->setObjectName(QStringLiteral("memoInfo"));
    memoInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lblInfo->setBuddy(memoInfo);
    auto *descrLayout = new QVBoxLayout(tabDescr);
    descrLayout->addWidget(pnlDefault);
    descrLayout->addSpacing(4);
    descrLayout->addWidget(lblInfo);
    descrLayout->addWidget(memoInfo, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(pctrlDefault, 1);

    connect(btnStart, &QToolButton::clicked, this, &TMeasForm::btnStartClick);
    connect(btnStop, &QToolButton::clicked, this, &TMeasForm::btnStopClick);
    connect(btnClear, &QToolButton::clicked, this, &TMeasForm::btnClearClick);
    connect(btnSave, &QToolButton::clicked, this, &TMeasForm::btnSaveClick);
    connect(btnEditWindow, &QPushButton::clicked, this, &TMeasForm::btnEditWindowClick);
    connect(btnPreview, &QPushButton::clicked, this, &TMeasForm::btnPreviewClick);
    connect(btnPrint, &QPushButton::clicked, this, &TMeasForm::btnPrintClick);
    connect(cbWindow, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        // Item 0 is "no process window".
        SetProcessWindow(index >= 1 && index <= m_offeredWindows.size()
                             ? std::optional<vard::ProcessWindow>(m_offeredWindows.at(index - 1))
                             : std::nullopt);
    });
    m_readingsTimer = new QTimer(this);
    m_readingsTimer->setInterval(kReadingsCheckMs);
    connect(m_readingsTimer, &QTimer::timeout, this, &TMeasForm::checkReadings);
    m_journalTimer->setInterval(kJournalFlushMs);
    connect(m_journalTimer, &QTimer::timeout, this, &TMeasForm::flushJournal);
    if (m_machine)
        connect(m_machine, &TMachine::sampleRecorded, this, &TMeasForm::sampleRecorded);
    // The window sees every key before its controls: Escape closes it wherever the
    // focus is, even in a control that would take Escape for itself.
    qApp->installEventFilter(this);

    vard::RestoreWindowPos(this, objectName());

    retranslateUi();
    fillWindowChoice();
    SetProcessWindow(std::nullopt);
    reloadCurve();
}

TMeasForm::~TMeasForm()
{
    // A measurement still running, or stopped and not saved, keeps its journal for the
    // next start; what was queued goes to the disk now. (Not the texts: the main
    // window and its measurement may be gone already.)
    if (m_journal && m_journal->isOpen())
        m_journal->flush();
    // Nothing unsaved (saved, or no row recorded since): nothing to offer next time.
    if (!HasUnsavedRows())
        endJournal();
    m_inhibitor->release();
    try {
        WriteWindowPos(objectName(), TWindowPos{pos().y(), pos().x(), width(), height()});
    } catch (const vard::SettingsFileError &e) {
        vard::ReportError(this, e.message());
    } catch (const std::exception &e) {
        vard::ReportError(this, QString::fromLocal8Bit(e.what()));
    }
}

TMessungInfo *TMeasForm::measurement() const
{
    return m_main ? m_main->Measurement() : nullptr;
}

bool TMeasForm::Measuring() const
{
    return btnStop->isEnabled();
}

void TMeasForm::setMeasuringState(bool measuring)
{
    btnStop->setEnabled(measuring);
    btnStart->setEnabled(!measuring);
    btnClear->setEnabled(!measuring);
    btnSave->setEnabled(!measuring);
    comboInterval->setEnabled(!measuring);
}

void TMeasForm::StartMeasuring()
{
    if (!m_machine || !m_main)
        return;
    if (m_machine->GetMachineType() == 0) {
        QMessageBox box(QMessageBox::Warning, tr("Info"),
                        tr("There is no machine connected. Cannot start measurement!"), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("messageBox"));
        box.exec();
        return;
    }
    // A journal this window does not hold is an earlier run's unsaved measurement (its
    // restore was put off): a new journal would overwrite it.
    if (!m_journal && !m_journalRestored && vard::MeasJournal::exists(JournalFolder())
        && !vard::AskConfirm(this,
                             tr("An earlier measurement that was not saved is still kept for restoring. "
                                "Starting a new measurement discards it. Start anyway?"),
                             true))
        return;
    setMeasuringState(true);
    const int index = comboInterval->currentIndex();
    if (index >= 0 && index < static_cast<int>(kIntervalMs.size())) {
        m_startIntervalMs = kIntervalMs[static_cast<size_t>(index)];
        m_machine->SetMeasureInterval(m_startIntervalMs);
    } else {
        m_startIntervalMs = m_machine->MeasureInterval();
    }
    if (TMessungInfo *m = measurement()) {
        takeTextsIntoMeasurement();
        // The journal keeps the date it is begun with: it must be this run's Start, or
        // a restored measurement would carry when the measurement object was made.
        m->MeasDate = TMessungInfo::ToDateValue(QDateTime::currentDateTime());
        m_journal = std::make_unique<vard::MeasJournal>(JournalFolder());
        m_journalTexts = QStringList{m->Title, m->UserName, m->Description};
        QString reason;
        if (!m_journal->begin(*m, &reason)) {
            m_journal.reset();
            vard::ReportError(this, tr("The measurement cannot be kept safe against a crash: %1\n"
                                       "It is recorded, but lost if the program ends before it is saved.")
                                        .arg(reason));
            // The run starts once that was read; no journal holds the earlier date.
            m->MeasDate = TMessungInfo::ToDateValue(QDateTime::currentDateTime());
        }
        m_journalProblemTold = false;
    }
    m_journalRestored = false; // the journal is this run's now
    m_journalTimer->start();
    m_inhibitor->acquire(tr("Temperature measurement running"));
    // Rows already there stay; this run's time stamps count from here, once any message
    // above has been answered.
    m_main->SetMeasureStart(TickCount());
    m_machine->SetMeasuring(true);
    m_machine->NoteEvent(tr("Measurement started"));
    m_main->SetStatusText(1, tr("PLEASE NOTE: While measuring, maschine state may not be refreshed properly!"));
    // Start counts as the last sign of life until the first reading comes.
    m_lastReadingTick = TickCount();
    m_lastReadingAt = QDateTime::currentDateTime();
    m_readingsTimer->start();
    checkReadings();
}

void TMeasForm::StopMeasuring()
{
    const bool wasMeasuring = Measuring();
    setMeasuringState(false);
    if (m_machine) {
        m_machine->SetMeasuring(false);
        if (wasMeasuring)
            m_machine->NoteEvent(tr("Measurement stopped"));
    }
    m_journalTimer->stop();
    m_readingsTimer->stop();
    checkReadings();
    flushJournal();
    m_inhibitor->release();
    if (m_main)
        m_main->SetStatusText(1, QString());
}

void TMeasForm::btnClearClick()
{
    if (m_values->rowCount() == 0)
        return;
    // No is the default: Enter alone must not throw a measurement away.
    if (m_unsaved
        && !vard::AskConfirm(this, tr("The measurement has not been saved. Do you want to delete it anyway?"), true))
        return;
    if (!vard::AskConfirm(this, tr("Do you really want to delete the current maeasurement data?"), true))
        return;
    m_values->Clear();
    endJournal();
    m_unsaved = false;
    reloadCurve();
}

void TMeasForm::btnSaveClick()
{
    TMessungInfo *m = measurement();
    if (!m)
        return;
    takeTextsIntoMeasurement();
    // A failed text export is reported like any unexpected failure, but from here:
    // an exception must not unwind through the toolkit's event handling.
    bool saved = false;
    try {
        saved = SaveMeasurement(this, *m);
    } catch (const vard::MeasFileError &e) {
        vard::ReportError(this, e.message());
    }
    if (saved) {
        // Safe in its file now: the journal has done its work.
        endJournal();
        m_unsaved = false;
    }
}

void TMeasForm::takeTextsIntoMeasurement()
{
    TMessungInfo *m = measurement();
    if (!m)
        return;
    m->SetInfo(1, edtName->text());
    m->SetInfo(2, edtSign->text());
    // The measurement keeps the description with the line breaks of its files.
    QString description = memoInfo->toPlainText();
    description.replace(u'\n', QLatin1String("\r\n"));
    m->SetInfo(3, description);
}

void TMeasForm::sampleRecorded(qsizetype row)
{
    m_lastReadingTick = TickCount();
    m_lastReadingAt = QDateTime::currentDateTime();
    if (!lblNoReadings->isHidden())
        checkReadings();
    m_values->RowAdded(row);
    m_unsaved = true;
    addToCurve(row);
    if (m_journal && m_journal->isOpen()) {
        if (const TMessungInfo *m = measurement(); m && row < m->RowCount()) {
            TDataRow values;
            values.reserve(static_cast<size_t>(m->ChannelCount()) + 2);
            values.push_back(m->GetTime(row));
            for (int c = 0; c < m->ChannelCount(); ++c)
                values.push_back(m->GetValue(row, c));
            values.push_back(m->GetFlag(row));
            m_journal->append(values);
        }
    }
    const int last = m_values->rowCount() - 1;
    if (row < last) {
        // Into view without centring it, and without moving the columns sideways.
        QScrollBar *horizontal = vstValues->horizontalScrollBar();
        const int across = horizontal->value();
        vstValues->scrollTo(m_values->index(static_cast<int>(row), 0), QAbstractItemView::EnsureVisible);
        horizontal->setValue(across);
    } else if (last >= 0) {
        // The usual case, a line at the end: the view lays out the new line before it
        // scrolls, which scrollTo() would not, leaving the line half hidden.
        vstValues->scrollToBottom();
    }
}

bool TMeasForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TMeasForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void TMeasForm::retranslateUi()
{
    setWindowTitle(tr("Temperature measurement"));
    btnStart->setText(tr("Start measurement"));
    btnStart->setToolTip(tr("Start measurement"));
    btnStop->setText(tr("Stop measurement"));
    btnStop->setToolTip(tr("Stop measurement"));
    btnClear->setText(tr("Clear measurement"));
    btnClear->setToolTip(tr("Clear measurement"));
    btnSave->setText(tr("Save measurement"));
    btnSave->setToolTip(tr("Save measurement"));
    lblDefault->setText(tr("Select interval:"));
    const std::array<QString, kIntervalMs.size()> items{tr("500 ms"), tr("1 sec"), tr("2 sec"), tr("5 sec")};
    for (size_t i = 0; i < items.size(); ++i)
        comboInterval->setItemText(static_cast<int>(i), items[i]);
    pctrlDefault->setTabText(pctrlDefault->indexOf(tabData), tr("Data"));
    pctrlDefault->setTabText(pctrlDefault->indexOf(tabDescr), tr("Description"));
    lblName->setText(tr("Title:"));
    lblSign->setText(tr("User name:"));
    lblInfo->setText(tr("Measurement info:"));
    m_values->Retranslate();
    checkReadings();
    lblWindow->setText(tr("Process window:"));
    btnEditWindow->setText(tr("Edit..."));
    btnPreview->setText(tr("Print preview"));
    btnPrint->setText(tr("Print..."));
    tblFigures->setHorizontalHeaderLabels({tr("Figure"), tr("Value"), tr("Lower limit"), tr("Upper limit"), QString()});
    if (cbWindow->count() > 0)
        cbWindow->setItemText(0, tr("(none)"));
    showFigures();
    if (Measuring() && m_main)
        m_main->SetStatusText(1, tr("PLEASE NOTE: While measuring, maschine state may not be refreshed properly!"));
}

// ---------------------------------------------------------------- curve, figures, window

void TMeasForm::reloadCurve()
{
    chart->clear();
    m_figures.reset();
    m_curveOffsetMs = 0;
    m_lastCurveMs = -1;
    m_runCount = 0;
    m_lastRowMs = 0;
    m_runIntervalMs.reset();
    if (const TMessungInfo *m = measurement(); m && m->ChannelCount() > 0) {
        const auto timeOf = [m](qsizetype r) { return m->GetTime(r); };
        const std::vector<vard::RowRun> runs = vard::SplitIntoRuns(*m);
        std::vector<qint64> times;
        std::vector<double> values;
        std::vector<qsizetype> breaks;
        times.reserve(static_cast<size_t>(m->RowCount()));
        values.reserve(static_cast<size_t>(m->RowCount()));
        for (const vard::RowRun &run : runs) {
            // The interval these rows were taken at is not kept with them.
            beginRun(vard::MedianSpacingMs(run, timeOf));
            for (qsizetype r = run.first; r < run.first + run.count; ++r) {
                const quint32 rowMs = m->GetTime(r);
                const bool newRun = r == run.first;
                if (r > 0 && (newRun || (m_runIntervalMs && qint64(rowMs) - qint64(m_lastRowMs)
                                                                  > vard::GapThresholdMs(*m_runIntervalMs))))
                    breaks.push_back(r);
                times.push_back(curveTime(rowMs, newRun));
                values.push_back(static_cast<qint32>(m->GetValue(r, 0)) / 10.0);
                m_lastRowMs = rowMs;
            }
        }
        // The figures are the latest run's, on its own clock.
        if (!runs.empty()) {
            const vard::RowRun &last = runs.back();
            for (qsizetype r = last.first; r < last.first + last.count; ++r)
                m_figures.add(m->GetTime(r), values[static_cast<size_t>(r)]);
        }
        chart->setSamples(times, values, breaks);
    }
    showFigures();
}

void TMeasForm::beginRun(std::optional<qint64> intervalMs)
{
    ++m_runCount;
    m_runIntervalMs = intervalMs && *intervalMs > 0 ? intervalMs : std::nullopt;
    m_figures.reset();
    m_figures.setGapThresholdMs(m_runIntervalMs ? std::optional<qint64>(vard::GapThresholdMs(*m_runIntervalMs))
                                                : std::nullopt);
}

qint64 TMeasForm::curveTime(quint32 rowMs, bool newRun)
{
    // A later run's clock starts again near 0: it goes on where the one before ended.
    if (newRun && m_lastCurveMs >= 0)
        m_curveOffsetMs = m_lastCurveMs - qint64(rowMs);
    const qint64 t = std::max(qint64(rowMs) + m_curveOffsetMs, m_lastCurveMs);
    m_lastCurveMs = t;
    return t;
}

void TMeasForm::addToCurve(qsizetype row)
{
    const TMessungInfo *m = measurement();
    if (!m || row >= m->RowCount() || m->ChannelCount() == 0)
        return;
    const quint32 rowMs = m->GetTime(row);
    const bool newRun = m_runCount == 0 || row == 0 || vard::StartsNewRun(m_lastRowMs, rowMs);
    if (newRun) // rows recorded without Start have no known interval
        beginRun(Measuring() ? std::optional<qint64>(m_startIntervalMs) : std::nullopt);
    const bool gap = !newRun && m_runIntervalMs
                     && qint64(rowMs) - qint64(m_lastRowMs) > vard::GapThresholdMs(*m_runIntervalMs);
    const qint64 t = curveTime(rowMs, newRun);
    const double celsius = static_cast<qint32>(m->GetValue(row, 0)) / 10.0;
    chart->appendSample(t, celsius, (newRun && row > 0) || gap);
    m_figures.add(rowMs, celsius);
    m_lastRowMs = rowMs;
    showFigures();
}

void TMeasForm::checkReadings()
{
    const bool noChannel = Measuring() && m_machine && m_machine->MeasureRequest().isEmpty();
    lblNoChannel->setText(tr("This machine type has no measuring channel: no readings will come."));
    lblNoChannel->setHidden(!noChannel);
    // More than three intervals without a reading: the machine has stopped answering.
    const bool silent = Measuring() && !noChannel && m_startIntervalMs > 0
                        && qint64(quint32(TickCount() - m_lastReadingTick)) > vard::GapThresholdMs(m_startIntervalMs);
    if (silent)
        lblNoReadings->setText(tr("No readings since %1 — the machine does not answer")
                                   .arg(QLocale().toString(m_lastReadingAt.time(), vard::TimeOfDayFormat(QLocale()))));
    lblNoReadings->setHidden(!silent);
}

void TMeasForm::showFigures()
{
    const vard::Figures figures = m_figures.figures();
    for (vard::Figure f : vard::kAllFigures) {
        const int r = static_cast<int>(f);
        const std::optional<double> value = figures.value(f);
        const vard::FigureLimits limits = m_window ? m_window->limitsOf(f) : vard::FigureLimits{};
        QString name = vard::Figures::name(f);
        if (f == vard::Figure::Peak && figures.timeOfPeak)
            name += QStringLiteral(" (%1)").arg(vard::FigureValueText(vard::Figure::TimeToPeak, figures.timeOfPeak));
        tblFigures->item(r, kFigureName)->setText(name);
        QTableWidgetItem *valueItem = tblFigures->item(r, kFigureValue);
        valueItem->setText(vard::FigureValueText(f, value, figures.temperatureDecimals));
        QString why;
        if (const std::optional<double> gap = figures.withheldForGap(f))
            why = tr("Not given: the machine gave no readings for %1 s during this stretch")
                      .arg(vard::NumberLocale().toString(*gap, 'f', 0));
        else if (f == vard::Figure::SoakTime)
            why = tr("From reaching %1 to reaching %2 on the way up")
                      .arg(vard::TemperatureText(m_figures.settings().soakLow),
                           vard::TemperatureText(m_figures.settings().soakHigh));
        valueItem->setToolTip(why);
        tblFigures->item(r, kFigureName)->setToolTip(f == vard::Figure::SoakTime && !figures.withheldForGap(f) ? why
                                                                                                              : QString());
        tblFigures->item(r, kFigureLower)->setText(vard::LimitText(f, limits.lower));
        tblFigures->item(r, kFigureUpper)->setText(vard::LimitText(f, limits.upper));
        QTableWidgetItem *mark = tblFigures->item(r, kFigureMark);
        if (value && m_window && (limits.lower || limits.upper)) {
            const bool in = m_window->inside(f, *value);
            mark->setText(in ? QStringLiteral("✔ ") + tr("in") : QStringLiteral("✘ ") + tr("out"));
            mark->setForeground(in ? QColor(0, 130, 50) : QColor(200, 30, 30));
        } else {
            mark->setText(QString());
        }
    }
    // The figures and the index are the latest run's; said when there are others.
    lblRun->setText(tr("Run %1 of %2").arg(m_runCount).arg(m_runCount));
    lblRun->setHidden(m_runCount < 2);
    const std::optional<double> index = m_window ? m_window->index(figures) : std::nullopt;
    lblIndex->setText(tr("Process Window Index: %1").arg(vard::IndexText(index)));
    // A style sheet, not the palette: the widget style may ignore a label's palette.
    lblIndex->setStyleSheet(QStringLiteral("QLabel { color: %1; font-size: 20pt; font-weight: bold; }")
                                .arg(vard::IndexColor(index).name()));
}

QString TMeasForm::IndexLabelText() const
{
    return lblIndex->text();
}

void TMeasForm::fillWindowChoice()
{
    const QString current = m_window ? m_window->name : QString();
    m_offeredWindows = TProcessWindowForm::Offered();
    cbWindow->clear();
    cbWindow->addItem(tr("(none)"));
    for (const vard::ProcessWindow &w : m_offeredWindows)
        cbWindow->addItem(w.name);
    const int at = current.isEmpty() ? 0 : cbWindow->findText(current, Qt::MatchFixedString);
    cbWindow->setCurrentIndex(at < 0 ? 0 : at);
}

void TMeasForm::SetProcessWindow(const std::optional<vard::ProcessWindow> &window)
{
    m_window = window;
    const vard::FigureSettings settings = window ? window->settings : vard::FigureSettings{};
    if (!(settings == m_figures.settings()))
        m_figures.setSettings(settings);
    chart->setLiquidus(settings.liquidus);
    chart->setBand(settings.soakLow, settings.soakHigh);
    if (window) {
        int at = cbWindow->findText(window->name, Qt::MatchFixedString);
        if (at == 0) // "(none)" is not a window, whatever one is called
            at = -1;
        if (at < 0) { // an edited window not saved under its name
            cbWindow->addItem(window->name);
            m_offeredWindows << *window;
            at = cbWindow->count() - 1;
        } else {
            m_offeredWindows[at - 1] = *window;
        }
        cbWindow->setCurrentIndex(at);
    } else {
        cbWindow->setCurrentIndex(0);
    }
    showFigures();
}

void TMeasForm::btnEditWindowClick()
{
    const std::optional<vard::ProcessWindow> chosen = ShowProcessWindowDialog(this, m_window);
    fillWindowChoice(); // saved or erased ones
    if (chosen)
        SetProcessWindow(chosen);
    else
        SetProcessWindow(m_window && cbWindow->findText(m_window->name, Qt::MatchFixedString) >= 0 ? m_window
                                                                                                   : std::nullopt);
}

vard::MeasurementReport TMeasForm::Report() const
{
    vard::MeasurementReport report;
    report.title = edtName->text();
    report.userName = edtSign->text();
    report.description = memoInfo->toPlainText();
    if (const TMessungInfo *m = measurement(); m && m->RowCount() > 0)
        report.date = TMessungInfo::FromDateValue(m->MeasDate);
    report.chart = chart;
    report.figures = m_figures.figures();
    report.window = m_window;
    return report;
}

void TMeasForm::btnPrintClick()
{
    vard::PrintReportDialog(this, Report());
}

void TMeasForm::btnPreviewClick()
{
    vard::PreviewReportDialog(this, Report());
}

// ---------------------------------------------------------------- nothing lost

QString TMeasForm::JournalFolder()
{
    return DataDir() + QStringLiteral("Data");
}

void TMeasForm::flushJournal()
{
    if (!m_journal || !m_journal->isOpen())
        return;
    QString reason;
    if (!m_journal->flush(&reason) && !m_journalProblemTold) {
        // Told once a run: the measurement goes on, the journal tries again next time.
        m_journalProblemTold = true;
        if (m_main)
            m_main->SetStatusText(1, tr("The measurement cannot be kept safe against a crash: %1").arg(reason));
    }
    // The texts as typed so far, when they changed.
    takeTextsIntoMeasurement();
    if (const TMessungInfo *m = measurement()) {
        const QStringList texts{m->Title, m->UserName, m->Description};
        if (texts != m_journalTexts && m_journal->updateTexts(*m))
            m_journalTexts = texts;
    }
}

void TMeasForm::endJournal()
{
    if (m_journal)
        m_journal->remove();
    else if (m_journalRestored) // the journal this measurement came from
        vard::MeasJournal(JournalFolder()).remove();
    m_journal.reset();
    m_journalRestored = false;
}

bool TMeasForm::HasUnsavedRows() const
{
    return m_unsaved && m_values->rowCount() > 0;
}

bool TMeasForm::ConfirmQuit()
{
    if (!HasUnsavedRows())
        return true;
    const bool kept = (m_journal && m_journal->isOpen()) || m_journalRestored;
    return vard::AskConfirm(this,
                            kept ? tr("The measurement has not been saved. Do you want to quit anyway?\n"
                                      "It will be offered for restoring at the next start.")
                                 : tr("The measurement has not been saved. Do you want to quit anyway?\n"
                                      "It will be lost."),
                            true);
}

bool TMeasForm::RestoreJournal(QString *error)
{
    TMessungInfo *m = measurement();
    if (!m)
        return false;
    if (!vard::MeasJournal::restore(JournalFolder(), *m, error))
        return false;
    m_values->Reload();
    m_journalRestored = true;
    edtName->setText(m->Title);
    edtSign->setText(m->UserName);
    QString description = m->Description;
    description.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    memoInfo->setPlainText(description);
    m_unsaved = true;
    reloadCurve();
    return true;
}

// ---------------------------------------------------------------- entry points

void OpenMeasurementWindow(TMainWindow *main)
{
    if (!MeasForm) {
        if (!main)
            return;
        MeasForm = new TMeasForm(main);
        // The window must never outlive what it works with: it goes when the event loop
        // ends (before the windows of main() are destroyed), and at the latest with the
        // main window or the machine object.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, MeasForm, &CloseMeasurementWindow);
        QObject::connect(main, &QObject::destroyed, MeasForm, &CloseMeasurementWindow);
        if (TMachine *machine = main->Machine())
            QObject::connect(machine, &QObject::destroyed, MeasForm, &CloseMeasurementWindow);
    }
    MeasForm->setWindowState(MeasForm->windowState() & ~Qt::WindowMinimized);
    MeasForm->show();
    MeasForm->raise();
    MeasForm->activateWindow();
}

void OfferMeasurementRestore(TMainWindow *main)
{
    const QString folder = TMeasForm::JournalFolder();
    if (!main || !vard::MeasJournal::exists(folder))
        return;
    // Read once to tell the operator what it holds.
    TMessungInfo found;
    QString reason;
    const bool readable = vard::MeasJournal::restore(folder, found, &reason);
    QMessageBox box(main);
    box.setObjectName(QStringLiteral("restoreBox"));
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(TMeasForm::tr("Unsaved measurement"));
    if (readable) {
        box.setText(TMeasForm::tr("A measurement of %1 with %n sample(s) was not saved when the program ended. "
                                  "Restore it?",
                                  nullptr, int(std::min<qsizetype>(found.RowCount(), std::numeric_limits<int>::max())))
                        .arg(QLocale().toString(TMessungInfo::FromDateValue(found.MeasDate), QLocale::ShortFormat)));
    } else {
        box.setText(TMeasForm::tr("A measurement that was not saved cannot be restored: %1").arg(reason));
    }
    QPushButton *restore = readable ? box.addButton(TMeasForm::tr("Restore"), QMessageBox::AcceptRole) : nullptr;
    QPushButton *discard = box.addButton(TMeasForm::tr("Discard"), QMessageBox::DestructiveRole);
    QPushButton *later = box.addButton(TMeasForm::tr("Not now"), QMessageBox::RejectRole);
    box.setDefaultButton(restore ? restore : later);
    box.setEscapeButton(later);
    box.exec();
    if (restore && box.clickedButton() == restore) {
        OpenMeasurementWindow(main);
        if (MeasForm && !MeasForm->RestoreJournal(&reason))
            vard::ReportError(main, TMeasForm::tr("The measurement cannot be restored: %1").arg(reason));
    } else if (box.clickedButton() == discard) {
        vard::MeasJournal(folder).remove();
    }
}

void CloseMeasurementWindow()
{
    TMeasForm *form = MeasForm;
    MeasForm = nullptr;
    delete form;
}
