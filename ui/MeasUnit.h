#pragma once
// The "Temperature measurement" window.

class TMainWindow;

void OpenMeasurementWindow(TMainWindow *main);
