#pragma once
// The serial line as the link thread needs it: open by device name with the line
// settings, write one byte, read one byte with a time-out, close. One implementation
// on QSerialPort; it must be created, used and destroyed on one QThread.

#include <QString>

#include <chrono>
#include <memory>
#include <string>

struct SerialLineSettings {
    int Baudrate = 9600;
    int Bytesize = 8;
    int Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int StopBits = 0; // 0 one, 1 one and a half, 2 two
};

// Why a port did not open. Missing is no fault (the number names nothing present);
// the others are told to the operator.
enum class OpenFailure { None, Missing, PermissionDenied, Busy, Other };

struct OpenResult {
    OpenFailure failure = OpenFailure::None;
    QString detail; // the system's own words, for Other and the trace
    bool ok() const { return failure == OpenFailure::None; }
};

class SerialDevice {
public:
    enum class ReadResult { Byte, Timeout, Failed };

    virtual ~SerialDevice() = default;

    // Opens the device for exclusive use and applies the line settings; a value the
    // device does not take is left as the device had it. Says why when it does not open
    // (missing, busy, no permission).
    virtual OpenResult open(const QString &device, const SerialLineSettings &settings) = 0;
    virtual bool isOpen() const = 0;
    // False when the byte could not be handed to the device within the time-out.
    virtual bool writeByte(char byte, std::chrono::milliseconds timeout) = 0;
    // Waits at most `timeout` for one byte. Failed covers hang-up and any device error.
    virtual ReadResult readByte(char &byte, std::chrono::milliseconds timeout) = 0;
    // Throws away whatever input waits (at most kMaxDiscard bytes are looked at) and
    // returns it, so that the next read can only see an answer to what is written next.
    virtual std::string discardInput() = 0;
    virtual void close() = 0;

    static constexpr std::size_t kMaxDiscard = 65536;
};

std::unique_ptr<SerialDevice> createSerialDevice();
