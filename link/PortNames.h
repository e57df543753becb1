#pragma once
// Which device serial port number n (1-based) names, and the serial devices the
// system has.

#include <QList>
#include <QMap>
#include <QString>

// One serial device as the operator chooses it: the name the program opens (a stable
// /dev/serial/by-id/ name where the system has one) and what the system says of it.
struct SerialPortEntry {
    QString device;
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// The folder of the stable USB serial names: VARD_SERIAL_BY_ID when set (tests), else
// /dev/serial/by-id.
QString SerialByIdFolder();

// The system's serial devices in the order the port numbers take them: the entries of
// the by-id folder (by name), then the ttyUSB*/ttyACM* devices not already named there,
// then the ttyS* ports, then any other serial device; numbers within a name in numeric
// order (ttyUSB2 before ttyUSB10). `known` is what the system lists (device path and
// details); a by-id entry takes the details of the device it points at.
QList<SerialPortEntry> OrderSerialPorts(const QString &byIdFolder, const QList<SerialPortEntry> &known);
// The same for the devices present now. Empty on Windows, whose ports are COM n.
QList<SerialPortEntry> SystemSerialPorts();

// The device that port n names for one scan of the link:
// - a device set with SetPortOverride (the built-in simulator) comes first;
// - else, when the operator pinned one device ([General] SerialPort of "Vard.ini",
//   chosen in the program options), the scan tries that device only;
// - else "COMn" on Windows;
// - else, when [Communications] names any Port<n>, Port<n> where given and /dev/ttyS<n-1>
//   for the others, as hand-written files have always meant;
// - else the n-th device of SystemSerialPorts(), and nothing beyond the last one.
// Read on the link thread when it starts and again while it scans.
class SerialPortNames {
public:
    static SerialPortNames read();
    // Empty when port n names no device: the scan passes over it.
    QString device(int n) const;
    // How many port numbers a scan goes through with [Communications] ComNo: one when
    // a device is pinned, else ComNo (at least one).
    int scanCount(int comNo) const;

    bool operator==(const SerialPortNames &other) const = default;

private:
    QMap<int, QString> m_devices;
    QString m_pinned;
    bool m_listed = false; // m_devices is the system's list: numbers beyond it name nothing
};

// The key that holds the operator's pinned device; empty means "search all ports".
QString PinnedSerialPortKey();
QString PinnedSerialPort();
// Throws vard::SettingsFileError when "Vard.ini" cannot be written.
void SetPinnedSerialPort(const QString &device);

// Points port n at a device for this run only, changing no file; an empty device
// removes the override. Takes effect for SerialPortNames read afterwards.
void SetPortOverride(int n, const QString &device);
