#pragma once
// The measurement as CSV for spreadsheets: UTF-8, one header line, one line per sample
// with the sample's local date and time (ISO 8601), the seconds since the start and each
// channel in °C, two decimals each. Separator and decimal sign follow the language:
// comma and point where the decimal sign is a point, semicolon and comma where it is a
// comma (so a German spreadsheet splits the columns by itself).

#include <QLocale>
#include <QString>

#include <functional>

class TMessungInfo;

namespace vard {

// Writes the file through a temporary beside it (a failure leaves an earlier file as it
// was); throws vard::MeasFileError naming the file on failure.
void ExportCsv(const TMessungInfo &measurement, const QString &path, const QLocale &locale = QLocale());

// The whole file's text, for tests and small measurements.
QByteArray MeasurementCsv(const TMessungInfo &measurement, const QLocale &locale = QLocale());

// For every CSV file of the program: `produce` hands the text on in pieces of about
// `chunk` bytes to the sink, and stops when the sink says false. CsvText collects it;
// SaveCsv writes it through a temporary beside the file and throws vard::MeasFileError
// naming the file on failure.
using CsvSink = std::function<bool(const QByteArray &piece)>;
using CsvProducer = std::function<void(qsizetype chunk, const CsvSink &sink)>;
QByteArray CsvText(const CsvProducer &produce);
void SaveCsv(const QString &path, const CsvProducer &produce);

} // namespace vard
