#include "ui/OptionsUnit.h"

void ShowMachineOptions(QWidget *, TMachine *) {}
