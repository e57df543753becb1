#include "machine/ObjZonesUnit.h"

#include <QCoreApplication>

void TZone::Clear()
{
    BoxLeft = BoxRight = BoxTop = BoxBottom = 0;
    ViewLeft = ViewRight = ViewTop = ViewBottom = 0;
    Name = QCoreApplication::translate("TZone", "Unknown");
    TempChannel = 0;
    MaxTemp = 450;
    TempSettable = false;
    IsInfrared = false;
    FanChannel = SpeedChannel = HeaterChannel = 0;
    StateBit = ErrorBit = 0;
    LabelX = LabelY = 0;
    TempLabel.clear();
    FanLabel.clear();
    SpeedLabel.clear();
}
