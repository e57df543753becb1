#include "ui/TrendUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "app/GlobalUnit.h"
#include "machine/MachineUnit.h"
#include "machine/ZoneHistory.h"
#include "measure/ObjMessungUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/Placement.h"
#include "ui/widgets/ProfileChart.h"

namespace {

constexpr std::array<qint64, 4> kSpansMs{10LL * 60 * 1000, 60LL * 60 * 1000, 8LL * 3600 * 1000, 24LL * 3600 * 1000};
const QColor kPalette[] = {QColor(31, 78, 121), QColor(200, 60, 30), QColor(40, 140, 60), QColor(130, 60, 160),
                           QColor(200, 130, 0), QColor(0, 130, 150), QColor(120, 120, 120), QColor(160, 40, 100)};
const QColor kNotInOrderShade(255, 200, 120, 90);
const QColor kErrorShade(230, 60, 60, 90);

TZoneTrendForm *g_trendForm = nullptr;

} // namespace

// ---------------------------------------------------------------- the plot

TTrendChart::TTrendChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("trendChart"));
    setMouseTracking(true);
    setMinimumSize(320, 200);
}

void TTrendChart::show(const vard::ZoneHistory *history, int segmentId, const std::vector<Curve> &curves, qint64 spanMs)
{
    m_history = history;
    m_segment = segmentId;
    m_curves = curves;
    m_toMs = 0;
    if (history) {
        for (const auto &s : history->segments())
            if (s.id == segmentId)
                m_toMs = s.lastMs;
    }
    m_fromMs = m_toMs - spanMs;
    update();
}

QRect TTrendChart::plotRect() const
{
    return rect().adjusted(52, 24, -12, -28);
}

qint64 TTrendChart::timeAtX(int x) const
{
    const QRect r = plotRect();
    if (r.width() <= 0)
        return m_fromMs;
    return m_fromMs + qint64(double(x - r.left()) / r.width() * double(m_toMs - m_fromMs));
}

QString TTrendChart::readoutAt(qint64 ms) const
{
    if (!m_history || m_curves.empty())
        return QString();
    QStringList parts;
    parts << QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms).time(), QStringLiteral("HH:mm:ss"));
    const qint64 window = std::max<qint64>(2000, (m_toMs - m_fromMs) / 400);
    for (const Curve &c : m_curves) {
        qint64 best = std::numeric_limits<qint64>::max();
        int value = 0;
        m_history->read(m_segment, c.series, ms - window, ms + window, [&](qint64 t, qint16 v, quint8) {
            if (std::llabs(t - ms) < best) {
                best = std::llabs(t - ms);
                value = v;
            }
        });
        if (best != std::numeric_limits<qint64>::max())
            parts << QStringLiteral("%1 %2").arg(c.name).arg(value);
    }
    return parts.join(u'\n');
}

void TTrendChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect r = plotRect();
    p.setPen(Qt::black);
    if (!m_history || m_curves.empty() || r.width() < 10 || r.height() < 10 || m_toMs <= m_fromMs) {
        p.drawText(rect(), Qt::AlignCenter, tr("No history yet"));
        return;
    }
    const int columns = r.width();
    const double msPerColumn = double(m_toMs - m_fromMs) / columns;
    // Per curve and column: the lowest and highest value, and whether any sample fell in.
    struct Column {
        int lo = std::numeric_limits<int>::max();
        int hi = std::numeric_limits<int>::min();
    };
    std::vector<std::vector<Column>> cols(m_curves.size(), std::vector<Column>(size_t(columns)));
    int lo = std::numeric_limits<int>::max(), hi = std::numeric_limits<int>::min();
    for (size_t i = 0; i < m_curves.size(); ++i) {
        m_history->read(m_segment, m_curves[i].series, m_fromMs, m_toMs, [&](qint64 t, qint16 v, quint8) {
            const int x = std::clamp(int(double(t - m_fromMs) / msPerColumn), 0, columns - 1);
            Column &c = cols[i][size_t(x)];
            c.lo = std::min(c.lo, int(v));
            c.hi = std::max(c.hi, int(v));
            lo = std::min(lo, int(v));
            hi = std::max(hi, int(v));
        });
    }
    if (lo > hi) {
        p.drawText(rect(), Qt::AlignCenter, tr("No samples in this time span"));
        return;
    }
    const double margin = std::max(2.0, (hi - lo) * 0.05);
    const double y0 = lo - margin, y1 = hi + margin;
    const auto yOf = [&](double v) { return r.bottom() - (v - y0) / (y1 - y0) * r.height(); };
    const auto xOf = [&](qint64 t) { return r.left() + double(t - m_fromMs) / double(m_toMs - m_fromMs) * r.width(); };

    // Shaded periods first, behind everything.
    for (const auto &[mask, colour] : {std::pair{quint8(vard::ZoneHistory::NotInOrder), kNotInOrderShade},
                                       std::pair{quint8(vard::ZoneHistory::ErrorPresent), kErrorShade}}) {
        for (const auto &[a, b] : m_history->flaggedPeriods(m_segment, m_fromMs, m_toMs, mask)) {
            const double xa = xOf(a), xb = std::max(xOf(b), xa + 1);
            p.fillRect(QRectF(xa, r.top(), xb - xa, r.height()), colour);
        }
    }
    // Grid and axes.
    p.setPen(QPen(QColor(220, 220, 220), 0));
    const double yStep = vard::ProfileChart::NiceStep(y1 - y0, 6);
    const QLocale locale;
    for (double v = std::ceil(y0 / yStep) * yStep; v <= y1; v += yStep) {
        p.setPen(QPen(QColor(220, 220, 220), 0));
        p.drawLine(QPointF(r.left(), yOf(v)), QPointF(r.right(), yOf(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, yOf(v) - 8, r.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   locale.toString(qRound(v)));
    }
    p.setPen(Qt::black);
    p.drawText(QRectF(0, r.top() - 22, r.left() - 4, 18), Qt::AlignRight | Qt::AlignVCenter, tr("°C"));
    // Clock steps: whole minutes and hours a reader expects on a time axis.
    qint64 tStep = 720LL * 60000;
    for (qint64 minutes : {1, 2, 5, 10, 15, 30, 60, 120, 180, 240, 360, 480, 720}) {
        if ((m_toMs - m_fromMs) / (minutes * 60000) <= 8) {
            tStep = minutes * 60000;
            break;
        }
    }
    // Steps counted in local time, so "14:00" falls on the hour.
    const qint64 offset = qint64(QDateTime::fromMSecsSinceEpoch(m_fromMs).offsetFromUtc()) * 1000;
    for (qint64 t = ((m_fromMs + offset) / tStep + 1) * tStep - offset; t <= m_toMs; t += tStep) {
        p.setPen(QPen(QColor(220, 220, 220), 0));
        p.drawLine(QPointF(xOf(t), r.top()), QPointF(xOf(t), r.bottom()));
        p.setPen(Qt::black);
        p.drawText(QRectF(xOf(t) - 40, r.bottom() + 4, 80, 18), Qt::AlignCenter,
                   locale.toString(QDateTime::fromMSecsSinceEpoch(t).time(), QStringLiteral("HH:mm")));
    }
    p.setPen(QPen(Qt::black, 0));
    p.drawRect(r);

    // The curves: per column a bar from its lowest to its highest value, reaching over
    // to the neighbour's range so the curve stays joined. Bars, not a stroked path: a
    // path that doubles back in every column costs a hundred times more to stroke. A
    // target curve leaves out every other stretch of columns, which reads as dashed.
    for (size_t i = 0; i < m_curves.size(); ++i) {
        const QColor colour = m_curves[i].colour;
        std::optional<std::pair<double, double>> previous; // its bar's top and bottom
        for (int x = 0; x < columns; ++x) {
            const Column &c = cols[i][size_t(x)];
            if (c.lo > c.hi)
                continue;
            double top = yOf(c.hi), bottom = yOf(c.lo);
            if (previous) { // join: reach the previous column's range
                top = std::min(top, previous->second);
                bottom = std::max(bottom, previous->first);
            }
            previous = std::pair{yOf(c.hi), yOf(c.lo)};
            if (m_curves[i].dashed && (x / 6) % 2 == 1)
                continue;
            p.fillRect(QRectF(r.left() + x, top - 0.8, 1.6, bottom - top + 1.6), colour);
        }
    }
    // Legend, in as many rows as the plot's width needs, on a light ground so the
    // curves behind it do not blur it.
    {
        const QFontMetrics fm = p.fontMetrics();
        const int rowHeight = fm.height() + 2;
        std::vector<std::pair<QPoint, const Curve *>> entries;
        int lx = r.left() + 6, ly = r.top() + 4, right = r.left();
        for (const Curve &c : m_curves) {
            const int w = 20 + fm.horizontalAdvance(c.name);
            if (lx + w > r.right() - 6 && lx > r.left() + 6) {
                lx = r.left() + 6;
                ly += rowHeight;
            }
            entries.push_back({QPoint(lx, ly), &c});
            right = std::max(right, lx + w);
            lx += w + 10;
        }
        if (!entries.empty()) {
            p.fillRect(QRect(QPoint(r.left() + 2, r.top() + 2), QPoint(std::min(right + 4, r.right() - 1), ly + rowHeight)),
                       QColor(255, 255, 255, 210));
        }
        for (const auto &[at, c] : entries) {
            QPen pen(c->colour, 2);
            if (c->dashed)
                pen.setStyle(Qt::DashLine);
            p.setPen(pen);
            p.drawLine(at.x(), at.y() + rowHeight / 2, at.x() + 16, at.y() + rowHeight / 2);
            p.setPen(Qt::black);
            p.drawText(QRect(at.x() + 20, at.y(), fm.horizontalAdvance(c->name) + 2, rowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, c->name);
        }
    }
    // The cursor and what it reads.
    if (m_cursorX >= r.left() && m_cursorX <= r.right()) {
        p.setPen(QPen(QColor(60, 60, 60), 0, Qt::DotLine));
        p.drawLine(m_cursorX, r.top(), m_cursorX, r.bottom());
        const QString text = readoutAt(timeAtX(m_cursorX));
        // Right of the cursor where it fits, else left of it; never beyond the plot.
        const QRect box = p.fontMetrics().boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignLeft, text).adjusted(-4, -2, 4, 2);
        int x = m_cursorX + 8;
        if (x + box.width() > r.right())
            x = m_cursorX - 8 - box.width();
        x = std::max(r.left() + 1, x);
        const QRect at(x, std::max(r.top() + 1, r.bottom() - 8 - box.height()), box.width(), box.height());
        p.fillRect(at, QColor(255, 255, 225));
        p.setPen(Qt::black);
        p.drawRect(at);
        p.drawText(at.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void TTrendChart::mouseMoveEvent(QMouseEvent *event)
{
    m_cursorX = int(event->position().x());
    update();
}

void TTrendChart::leaveEvent(QEvent *)
{
    m_cursorX = -1;
    update();
}

// ---------------------------------------------------------------- the window

TZoneTrendForm::TZoneTrendForm(TMachine *machine, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_machine(machine),
      lblZones(new QLabel(this)),
      lstZones(new QListWidget(this)),
      lblSpan(new QLabel(this)),
      comboSpan(new QComboBox(this)),
      btnExport(new QPushButton(this)),
      m_chart(new TTrendChart(this)),
      m_refresh(new QTimer(this))
{
    setObjectName(QStringLiteral("TrendForm"));
    setAttribute(Qt::WA_QuitOnClose, false);
    lstZones->setObjectName(QStringLiteral("lstZones"));
    lstZones->setMaximumWidth(180);
    comboSpan->setObjectName(QStringLiteral("comboSpan"));
    for (size_t i = 0; i < kSpansMs.size(); ++i)
        comboSpan->addItem(QString());
    comboSpan->setCurrentIndex(initialSpan());
    btnExport->setObjectName(QStringLiteral("btnExport"));

    auto *side = new QVBoxLayout;
    side->addWidget(lblZones);
    side->addWidget(lstZones, 1);
    side->addWidget(lblSpan);
    side->addWidget(comboSpan);
    side->addWidget(btnExport);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(m_chart, 1);

    connect(lstZones, &QListWidget::itemChanged, this, &TZoneTrendForm::Refresh);
    connect(comboSpan, qOverload<int>(&QComboBox::activated), this, &TZoneTrendForm::Refresh);
    connect(btnExport, &QPushButton::clicked, this, &TZoneTrendForm::btnExportClick);
    connect(m_refresh, &QTimer::timeout, this, &TZoneTrendForm::Refresh);
    m_refresh->start(2000);

    resize(900, 480);
    vard::RestoreWindowPos(this, objectName());
    retranslateUi();
    Refresh();
}

TZoneTrendForm::~TZoneTrendForm()
{
    try {
        WriteWindowPos(objectName(), TWindowPos{pos().y(), pos().x(), width(), height()});
    } catch (const std::exception &) {
        // Losing a trend window's place is not worth a message at quit.
    }
}

int TZoneTrendForm::initialSpan() const
{
    // The shortest span that shows the whole of the latest stretch: a few minutes of
    // history are not lost in an hour's width.
    if (!m_machine)
        return 0;
    const auto segments = m_machine->History().segments();
    if (segments.empty())
        return 0;
    const qint64 length = segments.back().lastMs - segments.back().firstMs;
    for (size_t i = 0; i < kSpansMs.size(); ++i)
        if (length <= kSpansMs[i])
            return int(i);
    return int(kSpansMs.size()) - 1;
}

void TZoneTrendForm::fillZones()
{
    const QStringList zones = m_machine ? m_machine->HistoryZones(m_segment) : QStringList();
    QStringList shown;
    for (int i = 0; i < lstZones->count(); ++i)
        shown << lstZones->item(i)->text();
    if (shown == zones)
        return;
    const QSignalBlocker quiet(lstZones);
    lstZones->clear();
    for (int i = 0; i < zones.size(); ++i) {
        auto *item = new QListWidgetItem(zones.at(i), lstZones);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(i < 2 ? Qt::Checked : Qt::Unchecked); // a start, not everything at once
    }
}

void TZoneTrendForm::Refresh()
{
    if (!m_machine)
        return;
    const auto segments = m_machine->History().segments();
    m_segment = segments.empty() ? 0 : segments.back().id;
    fillZones();
    std::vector<TTrendChart::Curve> curves;
    for (int i = 0; i < lstZones->count(); ++i) {
        if (lstZones->item(i)->checkState() != Qt::Checked)
            continue;
        const QColor colour = kPalette[size_t(i) % std::size(kPalette)];
        const QString zone = lstZones->item(i)->text();
        curves.push_back({2 * i, colour, false, tr("%1 actual").arg(zone)});
        curves.push_back({2 * i + 1, colour, true, tr("%1 target").arg(zone)});
    }
    const int span = std::clamp(comboSpan->currentIndex(), 0, int(kSpansMs.size()) - 1);
    m_chart->show(&m_machine->History(), m_segment, curves, kSpansMs[size_t(span)]);
    btnExport->setEnabled(m_segment != 0);
}

void TZoneTrendForm::btnExportClick()
{
    if (!m_machine || m_segment == 0)
        return;
    const QString folder = DataDir() + QStringLiteral("Data");
    QDir().mkpath(folder);
    const QString path = QFileDialog::getSaveFileName(this, tr("Export zone history"),
                                                      folder + QStringLiteral("/zones.csv"), tr("CSV (*.csv)"),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    try {
        m_machine->History().ExportCsv(m_segment, path);
    } catch (const vard::MeasFileError &e) {
        vard::ReportError(this, e.message());
    }
}

void TZoneTrendForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TZoneTrendForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void TZoneTrendForm::retranslateUi()
{
    setWindowTitle(tr("Zone trend"));
    lblZones->setText(tr("Zones:"));
    lblSpan->setText(tr("Time span:"));
    const QStringList spans{tr("10 min"), tr("1 h"), tr("8 h"), tr("24 h")};
    for (int i = 0; i < spans.size(); ++i)
        comboSpan->setItemText(i, spans.at(i));
    btnExport->setText(tr("Export CSV..."));
    Refresh();
}

void OpenZoneTrendWindow(TMachine *machine, QWidget *owner)
{
    if (!g_trendForm) {
        if (!machine)
            return;
        g_trendForm = new TZoneTrendForm(machine);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_trendForm, &CloseZoneTrendWindow);
        QObject::connect(machine, &QObject::destroyed, g_trendForm, &CloseZoneTrendWindow);
        if (owner)
            QObject::connect(owner, &QObject::destroyed, g_trendForm, &CloseZoneTrendWindow);
    }
    g_trendForm->show();
    g_trendForm->raise();
    g_trendForm->activateWindow();
}

void CloseZoneTrendWindow()
{
    TZoneTrendForm *form = g_trendForm;
    g_trendForm = nullptr;
    delete form;
}
