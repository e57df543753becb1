#include "ui/ProfileUnit.h"

void ShowProfileDialog(QWidget *, TMachine *, TDebugForm *) {}
