#pragma once
// Saving the measurement: the save dialog and the messages of a failed save.

#include <QString>

class QWidget;
class TMessungInfo;

// Asks for a file name and writes the measurement there; false when the operator
// cancelled or the binary file could not be written (the operator has been told). A
// failed text export throws vard::MeasFileError, which the application's top-level
// handler reports.
bool SaveMeasurement(QWidget *owner, TMessungInfo &measurement);

// What SaveMeasurement does once the operator has chosen: path as typed and the filter
// entry selected (0 Tavo, 1 reference, 2 text; out of range counts as the first). A name without
// extension gets the filter's; ".txt" (in that spelling) is the text export, anything
// else the binary layout. Failures as SaveMeasurement.
bool SaveMeasurementTo(QWidget *owner, TMessungInfo &measurement, const QString &path, int filterIndex);
