#pragma once
// One zone of the machine type that is connected: the heated, fanned, transport and
// heater sections, each with its channels into the machine's value table, its limits,
// its box in the textual view and its labels on the machine picture.

#include <QString>

class TZone {
public:
    TZone() { Clear(); }
    void Clear();

    // Box in the textual view's reference coordinates (752 x 400); a box with equal
    // left and right edges is not drawn.
    int BoxLeft, BoxRight, BoxTop, BoxBottom;
    // The box scaled to the view's current size; kept up to date by the view.
    int ViewLeft, ViewRight, ViewTop, ViewBottom;
    QString Name;
    // The name as the program's source has it, for naming the zone again when the
    // interface language changes; "Startup" is the same in every language.
    const char *NameSource = "";
    int TempChannel;   // 1..20, 0 = no temperature
    int MaxTemp;       // highest target the operator may set, °C
    bool TempSettable; // false: shown only
    bool IsInfrared;   // the channel carries an IR power preselection 0..5
    int FanChannel;
    int SpeedChannel;
    int HeaterChannel;
    int StateBit;      // 1..8, 0 = none
    int ErrorBit;      // 1..7, 0 = none
    int LabelX, LabelY; // value labels on the machine picture, reference coordinates
    // Object names of the graphic view's labels that show this zone's values; empty
    // for none.
    QString TempLabel, FanLabel, SpeedLabel;
};
