#include "ui/SettingsUnit.h"

void ShowProgramOptions(QWidget *) {}
