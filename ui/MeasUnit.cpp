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
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <exception>
#include <limits>

#include "app/GlobalUnit.h"
#include "machine/MachineUnit.h"
#include "measure/ObjMessungUnit.h"
#include "ui/MainUnit.h"
#include "ui/MeasSaveUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/Placement.h"
#include "ui/widgets/ToolIcons.h"

TMeasForm *MeasForm = nullptr;

namespace {

// The sampling interval of each item of comboInterval, in ms.
constexpr std::array<int, 4> kIntervalMs{500, 1000, 2000, 5000};
constexpr int kToolBarHeight = 50;
constexpr int kColumnWidth = 100;

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
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
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
      memoInfo(new QPlainTextEdit(tabDescr))
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
    auto *dataLayout = new QVBoxLayout(tabData);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->addWidget(vstValues);

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
    if (m_machine)
        connect(m_machine, &TMachine::sampleRecorded, this, &TMeasForm::sampleRecorded);
    // The window sees every key before its controls: Escape closes it wherever the
    // focus is, even in a control that would take Escape for itself.
    qApp->installEventFilter(this);

    vard::RestoreWindowPos(this, objectName());

    retranslateUi();
}

TMeasForm::~TMeasForm()
{
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
    setMeasuringState(true);
    const int index = comboInterval->currentIndex();
    if (index >= 0 && index < static_cast<int>(kIntervalMs.size()))
        m_machine->SetMeasureInterval(kIntervalMs[static_cast<size_t>(index)]);
    if (TMessungInfo *m = measurement())
        m->MeasDate = TMessungInfo::ToDateValue(QDateTime::currentDateTime());
    // Rows already there stay; this run's time stamps count from here.
    m_main->SetMeasureStart(TickCount());
    m_machine->SetMeasuring(true);
    m_main->SetStatusText(1, tr("PLEASE NOTE: While measuring, maschine state may not be refreshed properly!"));
}

void TMeasForm::StopMeasuring()
{
    setMeasuringState(false);
    if (m_machine)
        m_machine->SetMeasuring(false);
    if (m_main)
        m_main->SetStatusText(1, QString());
}

void TMeasForm::btnClearClick()
{
    if (m_values->rowCount() == 0)
        return;
    // No is the default: Enter alone must not throw a measurement away.
    if (!vard::AskConfirm(this, tr("Do you really want to delete the current maeasurement data?"), true))
        return;
    m_values->Clear();
}

void TMeasForm::btnSaveClick()
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
    // A failed text export is reported like any unexpected failure, but from here:
    // an exception must not unwind through the toolkit's event handling.
    try {
        SaveMeasurement(this, *m);
    } catch (const vard::MeasFileError &e) {
        vard::ReportError(this, e.message());
    }
}

void TMeasForm::sampleRecorded(qsizetype row)
{
    m_values->RowAdded(row);
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
    if (Measuring() && m_main)
        m_main->SetStatusText(1, tr("PLEASE NOTE: While measuring, maschine state may not be refreshed properly!"));
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

void CloseMeasurementWindow()
{
    TMeasForm *form = MeasForm;
    MeasForm = nullptr;
    delete form;
}
