#include "link/SerialDevice.h"

#include <QFile>
#include <QSerialPort>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// The flow control a port is set to before we open it. The probe keeps its own handle
// open until the port is open, so that closing it is never the last close of the device
// (which would drop the modem lines on the way).
class FlowProbe {
public:
    explicit FlowProbe(const QString &device)
    {
#ifdef Q_OS_UNIX
        m_fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            m_failure = classify(errno);
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            if (tio.c_cflag & CRTSCTS)
                m_flow = QSerialPort::HardwareControl;
            else if (tio.c_iflag & (IXON | IXOFF))
                m_flow = QSerialPort::SoftwareControl;
        }
#else
        Q_UNUSED(device);
#endif
    }
    ~FlowProbe()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    FlowProbe(const FlowProbe &) = delete;
    FlowProbe &operator=(const FlowProbe &) = delete;

    QSerialPort::FlowControl flowControl() const { return m_flow; }
    // What the system said when the device was opened here; the port itself says less
    // (busy and no permission are one error to it).
    const OpenResult &failure() const { return m_failure; }

private:
#ifdef Q_OS_UNIX
    static OpenResult classify(int error)
    {
        switch (error) {
        case EACCES:
        case EPERM: return {OpenFailure::PermissionDenied, qt_error_string(error)};
        case EBUSY: return {OpenFailure::Busy, qt_error_string(error)};
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR: return {OpenFailure::Missing, qt_error_string(error)};
        default: return {OpenFailure::Other, qt_error_string(error)};
        }
    }
#endif
    OpenResult m_failure;
    QSerialPort::FlowControl m_flow = QSerialPort::NoFlowControl;
    int m_fd = -1;
};

class QtSerialDevice final : public SerialDevice {
public:
    OpenResult open(const QString &device, const SerialLineSettings &s) override
    {
        m_port.setPortName(device);
        // QSerialPort applies a flow control of its own when it opens the port; the port
        // keeps the one it had, so that is what we hand it.
        const FlowProbe probe(device);
        if (!probe.failure().ok())
            return probe.failure();
        m_port.setFlowControl(probe.flowControl());
        if (!m_port.open(QIODevice::ReadWrite)) {
            OpenResult result{OpenFailure::Other, m_port.errorString()};
            // The device itself opened for the probe: a refusal now is the lock of
            // another program that holds the port.
            if (m_port.error() == QSerialPort::PermissionError)
                result.failure = OpenFailure::Busy;
            else if (m_port.error() == QSerialPort::DeviceNotFoundError)
                result.failure = OpenFailure::Missing;
            m_port.clearError();
            return result;
        }
        // A value the device refuses keeps the device's own; flow control and the rest
        // stay as the port had them.
        m_port.setBaudRate(s.Baudrate);
        if (s.Bytesize >= 5 && s.Bytesize <= 8)
            m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.Bytesize));
        static constexpr QSerialPort::Parity kParity[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                          QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                          QSerialPort::SpaceParity};
        if (s.Parity >= 0 && s.Parity <= 4)
            m_port.setParity(kParity[s.Parity]);
        static constexpr QSerialPort::StopBits kStop[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                          QSerialPort::TwoStop};
        if (s.StopBits >= 0 && s.StopBits <= 2)
            m_port.setStopBits(kStop[s.StopBits]);
        m_port.clearError();
        // Whatever the line carried before we owned it (a reply nobody waited for) is
        // not an answer to our handshake.
        m_port.clear(QSerialPort::Input);
        return {};
    }

    bool isOpen() const override { return m_port.isOpen(); }

    bool writeByte(char byte, std::chrono::milliseconds timeout) override
    {
        if (m_port.write(&byte, 1) != 1)
            return false;
        while (m_port.bytesToWrite() > 0) {
            if (!m_port.waitForBytesWritten(static_cast<int>(timeout.count())))
                return false;
        }
        return m_port.error() == QSerialPort::NoError;
    }

    ReadResult readByte(char &byte, std::chrono::milliseconds timeout) override
    {
        // waitForReadyRead only reports bytes that arrive while it waits; those read
        // earlier already sit in the buffer.
        if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(static_cast<int>(timeout.count()))) {
            if (m_port.error() == QSerialPort::TimeoutError) {
                m_port.clearError();
                return ReadResult::Timeout;
            }
            return ReadResult::Failed;
        }
        return m_port.getChar(&byte) ? ReadResult::Byte : ReadResult::Failed;
    }

    std::string discardInput() override
    {
        std::string bytes;
        for (;;) {
            const QByteArray chunk = m_port.readAll();
            bytes.append(chunk.constData(), std::size_t(chunk.size()));
            if (bytes.size() >= kMaxDiscard || !m_port.waitForReadyRead(0))
                break;
        }
        if (m_port.error() == QSerialPort::TimeoutError)
            m_port.clearError();
        m_port.clear(QSerialPort::Input);
        return bytes;
    }

    void close() override
    {
        if (m_port.isOpen())
            m_port.close();
        m_port.clearError();
    }

private:
    QSerialPort m_port;
};

} // namespace

std::unique_ptr<SerialDevice> createSerialDevice()
{
    return std::make_unique<QtSerialDevice>();
}
