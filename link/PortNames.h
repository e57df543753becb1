#pragma once
// Which device serial port number n (1-based) names.

#include <QMap>
#include <QString>

// "COMn" on Windows; on Linux [Communications] Port<n> of "Vard.ini" when present, else
// /dev/ttyS<n-1>. A device set with SetPortOverride (the built-in simulator) comes
// before both. Read once from the settings, then asked from any thread.
class SerialPortNames {
public:
    static SerialPortNames read();
    QString device(int n) const;

private:
    QMap<int, QString> m_devices;
};

// Points port n at a device for this run only, changing no file; an empty device
// removes the override. Takes effect for SerialPortNames read afterwards.
void SetPortOverride(int n, const QString &device);
