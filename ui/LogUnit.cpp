#include "ui/LogUnit.h"

#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QShortcut>
#include <QTextLayout>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

#include "app/GlobalUnit.h"
#include "app/LocaleFormats.h"
#include "app/SafeSave.h"
#include "app/TextCodec.h"
#include "machine/MachineUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/LineNumberTextView.h"
#include "ui/widgets/Placement.h"
#include "ui/widgets/ToolIcons.h"

namespace {

// The choices of comboInterval, in minutes.
constexpr std::array<int, 7> kIntervalMinutes{1, 2, 3, 5, 10, 30, 60};
constexpr int kStartIntervalIndex = 5; // 30 minutes
constexpr int kMsPerMinute = 60000;

// Page layout of the printed log, in inches.
constexpr qreal kMarginLeft = 0.75;
constexpr qreal kMarginRight = 0.5;
constexpr qreal kMarginTop = 0.75;
constexpr qreal kMarginBottom = 0.75;
constexpr qreal kNumberColumn = 0.5;
constexpr qreal kNumberGap = 0.15; // between a line number and its text, inside the column
constexpr qreal kLineSpacing = 1.5;
// The screen resolution the text view's pixel font size is meant for.
constexpr qreal kScreenDpi = 96.0;

// A decimal number of at least `digits` digits, zeros filled in after the sign: 5 with
// three digits gives 005, -5 gives -005, 100 with two digits stays 100.
QString zeroPadded(int value, int digits)
{
    QString text = QString::number(std::abs(static_cast<qint64>(value)));
    if (text.size() < digits)
        text.prepend(QString(digits - text.size(), u'0'));
    if (value < 0)
        text.prepend(u'-');
    return text;
}

QString timeOfDay()
{
    const QLocale locale;
    return locale.toString(QTime::currentTime(), vard::TimeOfDayFormat(locale));
}

// ---- tool button pictures, drawn on a 32 x 32 grid

void drawPage(QPainter &p)
{
    QPainterPath page;
    page.moveTo(6, 2.5);
    page.lineTo(20, 2.5);
    page.lineTo(26, 8.5);
    page.lineTo(26, 29.5);
    page.lineTo(6, 29.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(252, 252, 252));
    p.drawPath(page);
    p.setBrush(QColor(215, 215, 215));
    p.drawPolygon(QPolygonF{QPointF(20, 2.5), QPointF(20, 8.5), QPointF(26, 8.5)});
    p.setPen(QPen(QColor(120, 140, 170), 1.5));
    for (qreal y : {12.0, 16.0, 20.0, 24.0})
        p.drawLine(QPointF(9.5, y), QPointF(y < 13 ? 17.5 : 22.5, y));
}

void drawDoLog(QPainter &p)
{
    drawPage(p);
    p.setPen(QPen(QColor(120, 20, 20), 1));
    p.setBrush(QColor(215, 40, 40));
    p.drawEllipse(QPointF(23, 23), 6.5, 6.5);
}

void drawClear(QPainter &p)
{
    drawPage(p);
    p.setPen(QPen(QColor(200, 30, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(28, 28));
    p.drawLine(QPointF(28, 18), QPointF(18, 28));
}

void drawPrint(QPainter &p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(QRectF(9.5, 2.5, 13, 11)); // paper going in
    p.setBrush(QColor(110, 115, 125));
    p.drawRoundedRect(QRectF(2.5, 11.5, 27, 12), 2.5, 2.5);
    p.setBrush(QColor(70, 200, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(25, 15.5), 1.4, 1.4);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(QRectF(7.5, 19.5, 17, 10)); // printed page
    p.setPen(QPen(QColor(120, 140, 170), 1.5));
    p.drawLine(QPointF(10, 23.5), QPointF(22, 23.5));
    p.drawLine(QPointF(10, 26.5), QPointF(19, 26.5));
}

} // namespace

TLogForm::TLogForm(TMachine *machine, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_machine(machine),
      ToolBar(new QToolBar(this)),
      btnDoLog(vard::MakeToolButton(QStringLiteral("btnDoLog"), vard::MakeToolIcon(drawDoLog), this)),
      btnClear(vard::MakeToolButton(QStringLiteral("btnClear"), vard::MakeToolIcon(drawClear), this)),
      btnPrint(vard::MakeToolButton(QStringLiteral("btnPrint"), vard::MakeToolIcon(drawPrint), this)),
      btnSave(vard::MakeToolButton(QStringLiteral("btnSave"), vard::MakeToolIcon(vard::DrawSaveIcon), this)),
      lblDefault(new QLabel(this)),
      comboInterval(new QComboBox(this)),
      m_logView(new LineNumberTextView(this)),
      memoLog(m_logView->textView()),
      tmrLog(new QTimer(this))
{
    setObjectName(QStringLiteral("LogForm"));
    // Closing the main window ends the program even while this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setIconSize(QSize(vard::kToolIconSize, vard::kToolIconSize));
    ToolBar->setMovable(false);
    ToolBar->addWidget(btnDoLog);
    ToolBar->addWidget(btnClear);
    ToolBar->addWidget(btnPrint);
    ToolBar->addWidget(btnSave);
    ToolBar->addSeparator();
    lblDefault->setObjectName(QStringLiteral("lblDefault"));
    lblDefault->setContentsMargins(6, 0, 6, 0);
    ToolBar->addWidget(lblDefault);
    comboInterval->setObjectName(QStringLiteral("comboInterval"));
    comboInterval->setEditable(false);
    for (size_t i = 0; i < kIntervalMinutes.size(); ++i)
        comboInterval->addItem(QString());
    comboInterval->setCurrentIndex(kStartIntervalIndex);
    comboInterval->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ToolBar->addWidget(comboInterval);

    btnDoLog->setCheckable(true);
    btnDoLog->setChecked(true);
    btnClear->setEnabled(false);
    btnPrint->setEnabled(false);
    btnSave->setEnabled(false);

    m_logView->setObjectName(QStringLiteral("splitterLog"));
    m_logView->gutter()->setObjectName(QStringLiteral("PlusGutter"));
    memoLog->setObjectName(QStringLiteral("memoLog"));
    QFont logFont(QStringLiteral("Arial"));
    logFont.setStyleHint(QFont::SansSerif);
    logFont.setPixelSize(13);
    memoLog->setFont(logFont);
    memoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memoLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar);
    layout->addWidget(m_logView, 1);
    lblFileProblem = new QLabel(this);
    lblFileProblem->setObjectName(QStringLiteral("lblFileProblem"));
    lblFileProblem->setWordWrap(true);
    lblFileProblem->setStyleSheet(QStringLiteral("QLabel { background-color: #fff3cd; color: #7a1f00; padding: 3px; }"));
    lblFileProblem->hide();
    layout->addWidget(lblFileProblem);
    if (vard::LogFiles::EnabledSetting()) {
        m_files = std::make_unique<vard::LogFiles>(DataDir() + QStringLiteral("Logs"));
        m_files->removeOlderThan(vard::LogFiles::KeepDaysSetting(), QDate::currentDate());
    }

    tmrLog->setObjectName(QStringLiteral("tmrLog"));
    tmrLog->setInterval(kIntervalMinutes[kStartIntervalIndex] * kMsPerMinute);

    connect(tmrLog, &QTimer::timeout, this, &TLogForm::tmrLogTimer);
    connect(btnDoLog, &QToolButton::toggled, this, &TLogForm::btnDoLogClick);
    connect(comboInterval, &QComboBox::activated, this, &TLogForm::comboIntervalSelect);
    connect(btnClear, &QToolButton::clicked, this, &TLogForm::btnClearClick);
    connect(btnSave, &QToolButton::clicked, this, &TLogForm::btnSaveClick);
    connect(btnPrint, &QToolButton::clicked, this, &TLogForm::btnPrintClick);
    // A window shortcut sees Esc before whichever control has the focus.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    vard::RestoreWindowPos(this, QStringLiteral("LogForm"));

    AddLine(tr("Application started on %1").arg(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)),
            true);
    retranslateUi();
    tmrLog->start();
}

TLogForm::~TLogForm()
{
    try {
        WriteWindowPos(QStringLiteral("LogForm"), TWindowPos{pos().y(), pos().x(), width(), height()});
    } catch (const vard::SettingsFileError &e) {
        vard::ReportError(this, e.message());
    } catch (const std::exception &e) {
        vard::ReportError(this, QString::fromLocal8Bit(e.what()));
    }
}

void TLogForm::AddLine(const QString &text, bool stamp)
{
    const QString line = stamp ? u'[' + timeOfDay() + QLatin1String("] ") + text : text;
    memoLog->appendLine(line);
    if (!m_files)
        return;
    // A line the file refuses stays queued there and goes first once the disk takes it
    // again; the window says so once, and stops saying it when it works again.
    if (m_files->append(line, QDateTime::currentDateTime())) {
        lblFileProblem->hide();
        return;
    }
    QString problem;
    if (m_files->takeNewProblem(&problem)) {
        lblFileProblem->setText(tr("The log cannot be written to its daily file: %1\n"
                                   "The lines are kept and written once it works again.")
                                    .arg(problem));
        lblFileProblem->show();
    }
}

QStringList TLogForm::Lines() const
{
    return memoLog->lines();
}

QString TLogForm::PeriodicLine(const TMachine &machine)
{
    if (machine.ZoneCount() == 0)
        return {};
    // Every part is one translatable text whose first argument is the line so far; the
    // arguments go in with one multi-argument arg() so that a percent sign in a value
    // already in the line can never be taken for a placeholder.
    QString line;
    for (int i = 0; i < machine.ZoneCount(); ++i) {
        const TZone *zone = machine.GetZone(i);
        if (!zone)
            continue;
        const int t = zone->TempChannel;
        const int f = zone->FanChannel;
        const int v = zone->SpeedChannel;
        const int h = zone->HeaterChannel;
        if (t > 0) {
            if (f != 0) {
                line = tr("%1  %2=%3°C (%4%) | %5°C (%6%),")
                           .arg(line, zone->Name, zeroPadded(machine.GetTargetTemp(t), 3),
                                zeroPadded(machine.GetTargetFan(f), 2), zeroPadded(machine.GetActualTemp(t), 3),
                                zeroPadded(machine.GetActualFan(f), 2));
            } else if (zone->IsInfrared) {
                const int preselection = machine.GetTargetTemp(t);
                line = tr("%1  %2=%3 (%4%),")
                           .arg(line, zone->Name, QString::number(preselection), zeroPadded(preselection * 20, 2));
            } else {
                line = tr("%1  %2=%3°C | %4°C,")
                           .arg(line, zone->Name, zeroPadded(machine.GetTargetTemp(t), 3),
                                zeroPadded(machine.GetActualTemp(t), 3));
            }
        }
        if (v > 0) {
            line = tr("%1  %2=%3 cm/min | %4 cm/min,")
                       .arg(line, zone->Name, zeroPadded(machine.GetTargetSpeed(v), 2),
                            zeroPadded(machine.GetActualSpeed(v), 2));
        }
        if (h > 0)
            line = tr("%1  Heater=%2,").arg(line, machine.GetHeater(h) != 0 ? tr("On") : tr("Off"));
    }
    QString state;
    if (machine.IsReady())
        state = tr("Ready");
    else if (machine.GetOptionFlag(1))
        state = tr("Hood open / Emergency off");
    else
        state = tr("Not Ready");
    line = tr("%1  Machine state=%2,").arg(line, state);
    line.chop(1);
    return line;
}

void TLogForm::tmrLogTimer()
{
    if (!m_machine)
        return;
    const QString line = PeriodicLine(*m_machine);
    if (!line.isEmpty())
        AddLine(line, true);
}

void TLogForm::btnDoLogClick(bool down)
{
    // QTimer::start restarts the period: a restart waits a full interval.
    if (down)
        tmrLog->start();
    else
        tmrLog->stop();
    btnClear->setEnabled(!down);
    btnPrint->setEnabled(!down);
    btnSave->setEnabled(!down);
    retranslateUi();
}

void TLogForm::comboIntervalSelect(int index)
{
    if (index < 0 || index >= static_cast<int>(kIntervalMinutes.size()))
        return;
    const int ms = kIntervalMinutes[static_cast<size_t>(index)] * kMsPerMinute;
    if (ms == tmrLog->interval())
        return;
    // On a running timer this restarts the wait; a stopped one keeps it for its start.
    tmrLog->setInterval(ms);
}

void TLogForm::btnClearClick()
{
    if (vard::AskConfirm(this, tr("Do you really want to clear the current log?"), true))
        memoLog->clearLines();
}

QString TLogForm::chooseSaveFileName()
{
    const QString filters = tr("Log files (*.log)") + QLatin1String(";;") + tr("All files (*.*)");
    // The overwrite question is the window's own (below); the dialog's would ask twice.
    return QFileDialog::getSaveFileName(this, tr("Save log"), m_saveFolder, filters, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void TLogForm::btnSaveClick()
{
    QString path = chooseSaveFileName();
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).fileName().contains(u'.'))
        path += QLatin1String(".log");
    if (QFileInfo::exists(path)
        && !vard::AskConfirm(
            this, tr("The selected log file already exists.\nDo you want to continue and overwrite this file?"))) {
        return;
    }
    if (writeLogFile(path))
        m_saveFolder = QFileInfo(path).absolutePath();
}

bool TLogForm::writeLogFile(const QString &path)
{
    QByteArray bytes;
    for (const QString &line : memoLog->lines()) {
        bytes += vard::toCp1252(line);
        bytes += "\r\n";
    }
    // Written beside the target and renamed over it only when complete, so a failed
    // save leaves an earlier file as it was; a folder that refuses the temporary file
    // gets a writable target written in place.
    const vard::SaveResult result = vard::SaveWholeFile(path, bytes, vard::SafeSave::Fallback::DirectWrite);
    if (result)
        return true;
    vard::ReportError(this, tr("The log could not be saved to \"%1\".\n%2")
                                .arg(QDir::toNativeSeparators(path), result.reason));
    return false;
}

void TLogForm::btnPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QGuiApplication::applicationDisplayName());
    printer.setPageMargins(QMarginsF(kMarginLeft, kMarginTop, kMarginRight, kMarginBottom), QPageLayout::Inch);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("printPreview"));
    preview.setWindowTitle(tr("Print preview"));
    bool reported = false;
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this, &reported](QPrinter *target) {
        if (!PaintLog(target) && !reported) {
            reported = true;
            vard::ReportError(this, tr("The log could not be printed."));
        }
    });
    preview.exec();
}

bool TLogForm::PaintLog(QPrinter *printer) const
{
    QPainter painter;
    if (!painter.begin(printer))
        return false;

    // The layout is measured from the sheet's edges whatever margins the printer was
    // given; the painter's origin is the corner of the printer's page rectangle.
    const qreal dpiX = printer->logicalDpiX();
    const qreal dpiY = printer->logicalDpiY();
    const QRectF paper = printer->paperRect(QPrinter::DevicePixel);
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    const QRectF area = QRectF(paper.left() + kMarginLeft * dpiX, paper.top() + kMarginTop * dpiY,
                               paper.width() - (kMarginLeft + kMarginRight) * dpiX,
                               paper.height() - (kMarginTop + kMarginBottom) * dpiY)
                            .translated(-page.topLeft());
    const qreal numberRight = area.left() + (kNumberColumn - kNumberGap) * dpiX;
    const qreal textLeft = area.left() + kNumberColumn * dpiX;
    const qreal textWidth = std::max(1.0, area.right() - textLeft);

    // The view's font is sized in screen pixels; on paper it keeps its size in points.
    QFont font = memoLog->font();
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / kScreenDpi);
    painter.setFont(font);
    const QFontMetricsF metrics(font, printer);
    const qreal lineHeight = kLineSpacing * metrics.height();
    const int rowsPerPage = std::max(1, static_cast<int>(std::floor(area.height() / lineHeight)));

    // Lines longer than the column wrap onto further rows rather than being cut off at
    // the margin; the number stands on a line's first row.
    struct Row {
        int number; // 0 on a continuation row
        QString text;
    };
    std::vector<Row> rows;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QStringList lines = memoLog->lines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &text = lines[i];
        QTextLayout layout(text, font, printer);
        layout.setTextOption(option);
        layout.beginLayout();
        int number = static_cast<int>(i) + 1;
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(textWidth);
            rows.push_back({number, text.mid(row.textStart(), row.textLength())});
            number = 0;
        }
        layout.endLayout();
        if (number != 0) // an empty line still takes its row
            rows.push_back({number, QString()});
    }
    const int pageCount = std::max(1, static_cast<int>((rows.size() + rowsPerPage - 1) / rowsPerPage));

    // The pages the print dialog asked for, as often as it asked, where the printer
    // does not make the copies itself.
    int first = 1;
    int last = pageCount;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        first = std::max(1, printer->fromPage());
        last = std::min(pageCount, printer->toPage() > 0 ? printer->toPage() : pageCount);
    }
    QList<int> order;
    for (int p = first; p <= last; ++p)
        order.append(p);
    if (printer->pageOrder() == QPrinter::LastPageFirst)
        std::reverse(order.begin(), order.end());
    const int copies = printer->supportsMultipleCopies() ? 1 : std::max(1, printer->copyCount());
    QList<int> sequence;
    if (printer->collateCopies()) {
        for (int c = 0; c < copies; ++c)
            sequence += order;
    } else {
        for (int p : order)
            for (int c = 0; c < copies; ++c)
                sequence.append(p);
    }

    bool firstSheet = true;
    for (int p : sequence) {
        if (!firstSheet)
            printer->newPage();
        firstSheet = false;
        const size_t begin = static_cast<size_t>(p - 1) * static_cast<size_t>(rowsPerPage);
        const size_t end = std::min(rows.size(), begin + static_cast<size_t>(rowsPerPage));
        qreal top = area.top();
        for (size_t r = begin; r < end; ++r) {
            const qreal baseline = top + metrics.ascent();
            if (rows[r].number > 0) {
                const QString number = QString::number(rows[r].number);
                painter.drawText(QPointF(numberRight - metrics.horizontalAdvance(number), baseline), number);
            }
            painter.drawText(QPointF(textLeft, baseline), rows[r].text);
            top += lineHeight;
        }
    }
    return painter.end();
}

void TLogForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void TLogForm::retranslateUi()
{
    setWindowTitle(tr("System Log"));
    const bool logging = btnDoLog->isChecked();
    btnDoLog->setText(tr("Logging"));
    btnDoLog->setToolTip(logging ? tr("Stop system logging") : tr("Start system logging"));
    btnClear->setText(tr("Clear"));
    btnClear->setToolTip(tr("Clear log"));
    btnPrint->setText(tr("Print"));
    btnPrint->setToolTip(tr("Print log"));
    btnSave->setText(tr("Save"));
    btnSave->setToolTip(tr("Save log"));
    lblDefault->setText(tr("Select logging interval:"));
    // Item texts only: the selected interval stays as it is.
    for (size_t i = 0; i < kIntervalMinutes.size(); ++i)
        comboInterval->setItemText(static_cast<int>(i), tr("%1 min.").arg(kIntervalMinutes[i]));
}
