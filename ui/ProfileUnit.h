#pragma once
// Named sets of target values in "Profiles.vard" and the dialog that loads, saves and
// erases them.

class QWidget;
class TMachine;
class TDebugForm;

// Refuses with "Machine is not connected!" when no machine is connected; otherwise
// shows the "Manage profiles" dialog modally. `debug` (may be null) receives the trace
// line of a failing profile file.
void ShowProfileDialog(QWidget *owner, TMachine *machine, TDebugForm *debug);
