#pragma once
// The measurement's one-page report (title, user, description, date, the curve with the
// liquidus and the soak band, the figures against the process window and its index),
// printed, previewed or written to PDF; and the figure texts the window shares with it.

#include <QDateTime>
#include <QString>

#include <optional>

#include "measure/ProcessWindow.h"
#include "measure/ProfileFigures.h"

class QPainter;
class QPrinter;
class QRectF;
class QWidget;

namespace vard {

class ProfileChart;

// "245.0 °C", "62.5 s", "2.35 K/s"; "—" for a figure that cannot be computed yet. A
// temperature has the decimals of the readings it came from (0: "183 °C").
QString FigureValueText(Figure figure, std::optional<double> value, int temperatureDecimals = 1);
// A temperature setting as text: "150 °C", "217.5 °C".
QString TemperatureText(double celsius);
// A limit as the window shows it: the number alone, "—" for none.
QString LimitText(Figure figure, std::optional<double> limit);
// "42 %"; "—" without an index.
QString IndexText(std::optional<double> index);
// Green below 100 %, red from 100 % on (at a limit is not inside any more), grey without.
QColor IndexColor(std::optional<double> index);

struct MeasurementReport {
    QString title;
    QString userName;
    QString description;
    QDateTime date;
    const ProfileChart *chart = nullptr;
    Figures figures;
    std::optional<ProcessWindow> window;
};

// Paints the report onto one page of the given size (in the painter's units).
void PaintReport(QPainter &painter, const QRectF &page, const MeasurementReport &report);
// Prints onto a set-up printer (or PDF printer). False when painting could not start.
bool PrintReport(QPrinter &printer, const MeasurementReport &report);
// A4 PDF at `path`; false with a reason when it cannot be written.
bool WriteReportPdf(const MeasurementReport &report, const QString &path, QString *error = nullptr);
// The dialogs: a printer chosen by the operator, and the preview.
void PrintReportDialog(QWidget *owner, const MeasurementReport &report);
void PreviewReportDialog(QWidget *owner, const MeasurementReport &report);

} // namespace vard
