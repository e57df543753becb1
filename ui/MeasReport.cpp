#include "ui/MeasReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextOption>

#include <algorithm>
#include <cmath>

#include "app/LocaleFormats.h"
#include "ui/widgets/ProfileChart.h"

namespace vard {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("vard", text); }

int decimalsOf(Figure figure)
{
    switch (figure) {
    case Figure::MaxRise:
    case Figure::MaxFall: return 2;
    default: return 1;
    }
}

QString number(double value, int decimals)
{
    return NumberLocale().toString(value, 'f', decimals);
}

} // namespace

QString FigureValueText(Figure figure, std::optional<double> value, int temperatureDecimals)
{
    if (!value)
        return QStringLiteral("—");
    const int decimals = Figures::unit(figure) == QStringLiteral("°C") ? std::clamp(temperatureDecimals, 0, 1)
                                                                        : decimalsOf(figure);
    return number(*value, decimals) + u' ' + Figures::unit(figure);
}

QString TemperatureText(double celsius)
{
    return number(celsius, celsius == std::round(celsius) ? 0 : 1) + QStringLiteral(" °C");
}

QString LimitText(Figure figure, std::optional<double> limit)
{
    return limit ? number(*limit, decimalsOf(figure)) : QStringLiteral("—");
}

QString IndexText(std::optional<double> index)
{
    return index ? number(*index, 0) + QStringLiteral(" %") : QStringLiteral("—");
}

QColor IndexColor(std::optional<double> index)
{
    if (!index)
        return QColor(110, 110, 110);
    return *index < 100.0 ? QColor(0, 140, 60) : QColor(200, 30, 30);
}

void PaintReport(QPainter &p, const QRectF &page, const MeasurementReport &r)
{
    p.save();
    p.fillRect(page, Qt::white);
    const double unit = page.width() / 180.0; // about a millimetre on A4
    const double margin = 12 * unit;
    QRectF area = page.adjusted(margin, margin, -margin, -margin);
    p.setPen(Qt::black);

    QFont titleFont = p.font();
    titleFont.setPixelSize(qMax(1, int(7 * unit)));
    titleFont.setBold(true);
    QFont bodyFont = p.font();
    bodyFont.setPixelSize(qMax(1, int(3.6 * unit)));
    QFont boldBody = bodyFont;
    boldBody.setBold(true);

    // Heading: the title, then who and when.
    p.setFont(titleFont);
    const QString title = r.title.trimmed().isEmpty() ? tr("Temperature measurement") : r.title.trimmed();
    QRectF line(area.left(), area.top(), area.width(), 10 * unit);
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    double y = line.bottom() + 2 * unit;
    p.setFont(bodyFont);
    const QLocale locale;
    const QString when = r.date.isValid() ? locale.toString(r.date, QLocale::ShortFormat) : QStringLiteral("—");
    const QString who = r.userName.trimmed().isEmpty() ? QStringLiteral("—") : r.userName.trimmed();
    p.drawText(QRectF(area.left(), y, area.width(), 6 * unit), Qt::AlignLeft | Qt::AlignVCenter,
               tr("User: %1").arg(who) + QStringLiteral("     ") + tr("Date: %1").arg(when));
    y += 6 * unit;
    if (!r.description.trimmed().isEmpty()) {
        QString description = r.description.trimmed();
        description.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        const QRectF box(area.left(), y, area.width(), 22 * unit);
        QRectF used;
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, description, &used);
        y += qMin(used.height(), box.height()) + 2 * unit;
    }
    y += 2 * unit;

    // The curve.
    const QRectF chartRect(area.left(), y, area.width(), area.width() * 0.55);
    if (r.chart) {
        // Through an image at screen scale: the chart's fonts and strokes are sized for
        // a screen, and a printer's thousand dots per inch would shrink them to nothing.
        const QSizeF logical(900, 900 * chartRect.height() / chartRect.width());
        QImage image((logical * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        QPainter ip(&image);
        ip.setRenderHint(QPainter::Antialiasing);
        r.chart->render(&ip, QRectF(QPointF(0, 0), logical));
        ip.end();
        p.drawImage(chartRect, image);
    }
    p.setPen(QPen(QColor(160, 160, 160), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(chartRect);
    y = chartRect.bottom() + 6 * unit;

    // The figures against the window.
    p.setFont(boldBody);
    p.setPen(Qt::black);
    const QString windowName = r.window ? r.window->name : tr("none");
    p.drawText(QRectF(area.left(), y, area.width(), 6 * unit), Qt::AlignLeft | Qt::AlignVCenter,
               tr("Process window: %1").arg(windowName));
    y += 8 * unit;
    const double columns[] = {0.0, 0.34, 0.52, 0.69, 0.86};
    const QString heads[] = {tr("Figure"), tr("Value"), tr("Lower limit"), tr("Upper limit"), tr("Result")};
    const double rowHeight = 6 * unit;
    for (int c = 0; c < 5; ++c) {
        p.drawText(QRectF(area.left() + columns[c] * area.width(), y, 0.2 * area.width(), rowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, heads[c]);
    }
    y += rowHeight;
    p.setPen(QPen(Qt::black, 0));
    p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    p.setFont(bodyFont);
    for (Figure f : kAllFigures) {
        const std::optional<double> value = r.figures.value(f);
        const FigureLimits limits = r.window ? r.window->limitsOf(f) : FigureLimits{};
        QString mark;
        QColor markColor = Qt::black;
        if (value && (limits.lower || limits.upper)) {
            const bool in = r.window->inside(f, *value);
            mark = in ? tr("in") : tr("OUT");
            markColor = in ? QColor(0, 140, 60) : QColor(200, 30, 30);
        }
        const QString cells[] = {Figures::name(f), FigureValueText(f, value, r.figures.temperatureDecimals), LimitText(f, limits.lower),
                                 LimitText(f, limits.upper), mark};
        for (int c = 0; c < 5; ++c) {
            p.setPen(c == 4 ? markColor : QColor(Qt::black));
            p.drawText(QRectF(area.left() + columns[c] * area.width(), y, 0.25 * area.width(), rowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, cells[c]);
        }
        y += rowHeight;
    }
    y += 4 * unit;

    // The index, large and coloured.
    const std::optional<double> index = r.window ? r.window->index(r.figures) : std::nullopt;
    QFont big = titleFont;
    big.setPixelSize(qMax(1, int(9 * unit)));
    p.setFont(big);
    p.setPen(IndexColor(index));
    p.drawText(QRectF(area.left(), y, area.width(), 12 * unit), Qt::AlignLeft | Qt::AlignVCenter,
               tr("Process Window Index: %1").arg(IndexText(index)));
    p.restore();
}

bool PrintReport(QPrinter &printer, const MeasurementReport &report)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    PaintReport(painter, QRectF(QPointF(0, 0), page.size()), report);
    return painter.end();
}

bool WriteReportPdf(const MeasurementReport &report, const QString &path, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setCreator(QStringLiteral("Vard"));
    printer.setDocName(report.title);
    const bool ok = PrintReport(printer, report) && QFileInfo(path).size() > 0;
    if (!ok && error)
        *error = tr("Cannot write the report to \"%1\".").arg(path);
    return ok;
}

void PrintReportDialog(QWidget *owner, const MeasurementReport &report)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (dialog.exec() == QDialog::Accepted)
        PrintReport(printer, report);
}

void PreviewReportDialog(QWidget *owner, const MeasurementReport &report)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(report.title);
    QPrintPreviewDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("printPreviewDialog"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&report](QPrinter *target) { PrintReport(*target, report); });
    dialog.resize(800, 900);
    dialog.exec();
}

} // namespace vard
