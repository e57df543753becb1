#include "ui/AboutAppUnit.h"

void ShowAboutApp(QWidget *) {}
