#include "ui/MeasUnit.h"

void OpenMeasurementWindow(TMainWindow *) {}
