#pragma once
// One channel of a temperature measurement, and one marker. The program keeps Code and
// Option as it found them and writes them to the file unchanged.

#include <QString>

class TKanalInfo {
public:
    TKanalInfo();
    QString Name;      // column title of the text export
    qint16 Code = -1;
    quint8 Option = 1;
};

class TMarkerInfo {
public:
    qint32 Position = 0;
    QString Text;
};
