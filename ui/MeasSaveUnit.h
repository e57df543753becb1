#pragma once
// Saving the measurement: the save dialog and the messages of a failed save.

class QWidget;
class TMessungInfo;

// Asks for a file name and writes the measurement there; false when the operator
// cancelled or the file could not be written (the operator has been told).
bool SaveMeasurement(QWidget *owner, TMessungInfo &measurement);
