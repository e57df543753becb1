#include "measure/MeasCsv.h"

#include <QCoreApplication>
#include <QDateTime>

#include <functional>

#include "app/SafeSave.h"
#include "measure/CsvFormat.h"
#include "measure/ObjMessungUnit.h"

namespace vard {

namespace {

using csv::formatFor;
using csv::headerCell;
using csv::putHundredths;

// Hands the file's text on in pieces of about `chunk` bytes.
void produce(const TMessungInfo &m, const QLocale &locale, qsizetype chunk,
             const std::function<bool(const QByteArray &)> &sink)
{
    const csv::Format f = formatFor(locale);
    const auto tr = [](const char *s) { return QCoreApplication::translate("vard", s); };
    QByteArray out;
    out += headerCell(tr("Date and time"), f.separator);
    out += f.separator;
    out += headerCell(tr("Time (s)"), f.separator);
    for (int c = 0; c < m.ChannelCount(); ++c) {
        out += f.separator;
        QString name = m.GetChannel(c)->Name.trimmed();
        // A channel nobody named carries the program's default name, which says nothing
        // to the reader of the file: it measures a temperature.
        if (name == QLatin1String("Unknown") || name == TKanalInfo().Name.trimmed())
            name = tr("Temperature");
        out += headerCell(QStringLiteral("%1 (°C)").arg(name.isEmpty() ? tr("Channel %1").arg(c + 1) : name),
                          f.separator);
    }
    out += "\r\n";

    const QDateTime start = TMessungInfo::FromDateValue(m.MeasDate);
    for (qsizetype r = 0; r < m.RowCount(); ++r) {
        const quint32 ms = m.GetTime(r);
        out += start.addMSecs(ms).toString(QLatin1String(csv::kDateTimeFormat)).toLatin1();
        out += f.separator;
        putHundredths(out, (static_cast<qint64>(ms) + 5) / 10, f.decimal);
        for (int c = 0; c < m.ChannelCount(); ++c) {
            out += f.separator;
            // Tenths of a degree, a reading below zero in two's complement.
            putHundredths(out, static_cast<qint64>(static_cast<qint32>(m.GetValue(r, c))) * 10, f.decimal);
        }
        out += "\r\n";
        if (out.size() >= chunk) {
            if (!sink(out))
                return;
            out.clear();
        }
    }
    if (!out.isEmpty())
        sink(out);
}

} // namespace

QByteArray CsvText(const CsvProducer &produce)
{
    QByteArray all;
    produce(1 << 20, [&all](const QByteArray &piece) {
        all += piece;
        return true;
    });
    return all;
}

void SaveCsv(const QString &path, const CsvProducer &produce)
{
    SafeSave save(path, SafeSave::Fallback::DirectWrite);
    if (!save.open()) {
        throw MeasFileError(path,
                            TMessungInfo::WriteErrorText(TMessungInfo::WriteResult::CannotAccess, path,
                                                         save.errorString()),
                            save.errorString());
    }
    produce(1 << 16, [&save](const QByteArray &piece) { return save.write(piece); });
    if (!save.commit()) {
        throw MeasFileError(path,
                            TMessungInfo::WriteErrorText(TMessungInfo::WriteResult::WriteFailed, path,
                                                         save.errorString()),
                            save.errorString());
    }
}

QByteArray MeasurementCsv(const TMessungInfo &measurement, const QLocale &locale)
{
    return CsvText([&](qsizetype chunk, const CsvSink &sink) { produce(measurement, locale, chunk, sink); });
}

void ExportCsv(const TMessungInfo &measurement, const QString &path, const QLocale &locale)
{
    SaveCsv(path, [&](qsizetype chunk, const CsvSink &sink) { produce(measurement, locale, chunk, sink); });
}

} // namespace vard
