#include "ui/MeasSaveUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "app/GlobalUnit.h"
#include "measure/MeasCsv.h"
#include "measure/ObjMessungUnit.h"
#include "ui/MessageBoxes.h"

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("MeasSaveUnit", source);
}

struct FilterEntry {
    const char *filter;
    const char *extension;
};

constexpr FilterEntry kFilters[] = {
    {QT_TRANSLATE_NOOP("MeasSaveUnit", "Tavo files (*.tavo)"), ".tavo"},
    {QT_TRANSLATE_NOOP("MeasSaveUnit", "Reference files (*.mref)"), ".mref"},
    {QT_TRANSLATE_NOOP("MeasSaveUnit", "Text files (*.txt)"), ".txt"},
    {QT_TRANSLATE_NOOP("MeasSaveUnit", "CSV (*.csv)"), ".csv"},
};

QStringList filterTexts()
{
    QStringList filters;
    for (const FilterEntry &entry : kFilters)
        filters << text(entry.filter);
    return filters;
}

} // namespace

bool SaveMeasurement(QWidget *owner, TMessungInfo &measurement)
{
    // The operator's data folder, not the program's (read-only when installed).
    // Created here so the dialog opens in it even the first time.
    const QString folder = DataDir() + QLatin1String("Data");
    QDir().mkpath(folder);

    QFileDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("saveMeasurementDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The built-in dialog behaves the same on every desktop, and tests can answer it.
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(folder);
    const QStringList filters = filterTexts();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    return SaveMeasurementTo(owner, measurement, dialog.selectedFiles().first(),
                             static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
}

bool SaveMeasurementTo(QWidget *owner, TMessungInfo &measurement, const QString &path, int filterIndex)
{
    if (filterIndex < 0 || filterIndex >= static_cast<int>(std::size(kFilters)))
        filterIndex = 0;
    measurement.FileName = path;
    if (QFileInfo(path).suffix().isEmpty())
        measurement.FileName += QLatin1String(kFilters[filterIndex].extension);

    const QString suffix = QFileInfo(measurement.FileName).suffix();
    if (suffix == QLatin1String("txt")) {
        measurement.ExportText(measurement.FileName);
        return true;
    }
    if (suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0) {
        vard::ExportCsv(measurement, measurement.FileName);
        return true;
    }
    QString reason;
    const TMessungInfo::WriteResult result = measurement.WriteBinary(measurement.FileName, &reason);
    if (result == TMessungInfo::WriteResult::Ok)
        return true;
    vard::ReportError(owner, TMessungInfo::WriteErrorText(result, measurement.FileName, reason));
    return false;
}
