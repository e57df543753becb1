#pragma once
// "Program options": where the separate measuring program lives.

class QWidget;

void ShowProgramOptions(QWidget *owner);
