#pragma once
// The about boxes, the checksum tool and the launch of the measuring program.

class QWidget;

void ShowAboutApp(QWidget *owner);
