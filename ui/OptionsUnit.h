#pragma once
// "Set machine options": the machine's auto-heater option.

class QWidget;
class TMachine;

void ShowMachineOptions(QWidget *owner, TMachine *machine);
