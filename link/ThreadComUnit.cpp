#include "link/ThreadComUnit.h"

#include <QElapsedTimer>

#include <utility>

using namespace std::chrono;

namespace {

PortOutcome outcomeOf(OpenFailure failure)
{
    switch (failure) {
    case OpenFailure::Missing: return PortOutcome::Missing;
    case OpenFailure::PermissionDenied: return PortOutcome::PermissionDenied;
    case OpenFailure::Busy: return PortOutcome::Busy;
    case OpenFailure::None:
    case OpenFailure::Other: break;
    }
    return PortOutcome::OpenFailed;
}

} // namespace

bool TCom::PostRequest(const std::string &text)
{
    std::lock_guard lock(m_mutex);
    if (!Connected.load(std::memory_order_acquire) || SendPending.load(std::memory_order_acquire)
        || ReplyExpected.load(std::memory_order_acquire))
        return false;
    m_text = text;
    SendPending.store(true, std::memory_order_release);
    ReplyExpected.store(true, std::memory_order_release);
    return true;
}

bool TCom::PostRequest(const std::string &text, quint32 connection)
{
    std::lock_guard lock(m_mutex);
    if (m_connections != connection || !Connected.load(std::memory_order_acquire)
        || SendPending.load(std::memory_order_acquire) || ReplyExpected.load(std::memory_order_acquire))
        return false;
    m_text = text;
    SendPending.store(true, std::memory_order_release);
    ReplyExpected.store(true, std::memory_order_release);
    return true;
}

std::optional<std::string> TCom::TakeReply() const
{
    std::lock_guard lock(m_mutex);
    if (!Connected.load(std::memory_order_acquire) || ReplyExpected.load(std::memory_order_acquire))
        return std::nullopt;
    return m_text;
}

std::optional<std::string> TCom::TakeReply(quint32 connection) const
{
    std::lock_guard lock(m_mutex);
    if (m_connections != connection || !Connected.load(std::memory_order_acquire)
        || ReplyExpected.load(std::memory_order_acquire))
        return std::nullopt;
    return m_text;
}

std::string TCom::TakeDiscarded()
{
    std::lock_guard lock(m_mutex);
    std::string bytes;
    bytes.swap(m_discarded);
    return bytes;
}

void TCom::NoteDiscarded(const std::string &bytes)
{
    std::lock_guard lock(m_mutex);
    m_discarded.append(bytes, 0, std::min(bytes.size(), kMaxDiscarded - std::min(kMaxDiscarded, m_discarded.size())));
}

void TCom::MarkConnected()
{
    std::lock_guard lock(m_mutex);
    SendPending.store(false, std::memory_order_release);
    ReplyExpected.store(false, std::memory_order_release);
    ++m_connections;
    Connected.store(true, std::memory_order_release);
}

quint32 TCom::ConnectionCount() const
{
    std::lock_guard lock(m_mutex);
    return m_connections;
}

std::optional<std::string> TCom::PendingRequest() const
{
    std::lock_guard lock(m_mutex);
    if (!SendPending.load(std::memory_order_acquire))
        return std::nullopt;
    return m_text;
}

void TCom::DeliverReply(const std::string &line)
{
    std::lock_guard lock(m_mutex);
    m_text = line;
    SendPending.store(false, std::memory_order_release);
    ReplyExpected.store(false, std::memory_order_release);
}

void TCom::RequestWritten()
{
    std::lock_guard lock(m_mutex);
    if (!ReplyExpected.load(std::memory_order_acquire))
        SendPending.store(false, std::memory_order_release);
}

void TCom::Reset()
{
    std::lock_guard lock(m_mutex);
    Connected.store(false, std::memory_order_release);
    SendPending.store(false, std::memory_order_release);
    ReplyExpected.store(false, std::memory_order_release);
    m_text.clear();
}

void TCom::NotePortEvent(const PortEvent &event)
{
    std::lock_guard lock(m_portMutex);
    if (m_portEvents.size() >= kMaxPortEvents)
        m_portEvents.removeFirst();
    m_portEvents.append(event);
    if (!event.isProblem()) {
        m_problems.remove(event.device);
        return;
    }
    const auto known = m_problems.constFind(event.device);
    if (known != m_problems.constEnd() && *known == event)
        return;
    m_problems.insert(event.device, event);
    if (m_newProblems.size() < kMaxPortEvents)
        m_newProblems.append(event);
}

QList<PortEvent> TCom::TakePortEvents()
{
    std::lock_guard lock(m_portMutex);
    return std::exchange(m_portEvents, {});
}

QList<PortEvent> TCom::TakeNewPortProblems()
{
    std::lock_guard lock(m_portMutex);
    return std::exchange(m_newProblems, {});
}

QList<PortEvent> TCom::PortProblems() const
{
    std::lock_guard lock(m_portMutex);
    return m_problems.values();
}

std::string TCom::Text() const
{
    std::lock_guard lock(m_mutex);
    return m_text;
}

TThreadCom::TThreadCom(TCom *com, DeviceFactory factory, QObject *parent)
    : QThread(parent), m_com(com), m_factory(std::move(factory))
{
    m_com->PortNumber.store(1, std::memory_order_release);
    m_com->SendPending.store(false, std::memory_order_release);
    m_com->ReplyExpected.store(false, std::memory_order_release);
    m_com->Connected.store(false, std::memory_order_release);
    const QString section = QStringLiteral("Communications");
    Baudrate = ReadSettingInt(section, QStringLiteral("Baudrate"), 9600);
    Bytesize = ReadSettingInt(section, QStringLiteral("Bytesize"), 8);
    Parity = ReadSettingInt(section, QStringLiteral("Parity"), 0);
    StopBits = ReadSettingInt(section, QStringLiteral("StopBits"), 0);
    ComNo = ReadSettingInt(section, QStringLiteral("ComNo"), 10);
    WriteTimeout = ReadSettingInt(section, QStringLiteral("WriteTimeout"), 1000);
    ReadTimeout = ReadSettingInt(section, QStringLiteral("ReadTimeout"), 2000);
    m_portNames = SerialPortNames::read();
    m_namesRead = steady_clock::now();
}

QString TThreadCom::DeviceName(int n) const
{
    std::lock_guard lock(m_namesMutex);
    return m_portNames.device(n);
}

QString TThreadCom::CurrentDevice() const
{
    return DeviceName(m_com->PortNumber.load(std::memory_order_relaxed));
}

void TThreadCom::RereadPortNames()
{
    SerialPortNames names = SerialPortNames::read();
    m_namesRead = steady_clock::now();
    std::lock_guard lock(m_namesMutex);
    m_portNames = std::move(names);
}

TThreadCom::~TThreadCom()
{
    // The owner stops the thread first; this is the last line of defence, not the plan.
    requestInterruption();
    wait();
}

void TThreadCom::run()
{
    m_device = m_factory();
    Execute();
    m_device.reset();
    m_finished.store(true, std::memory_order_release);
}

void TThreadCom::Execute()
{
    while (!isInterruptionRequested()) {
        m_com->PortNumber.store(1, std::memory_order_release);
        while (!m_com->Connected.load(std::memory_order_acquire) && !isInterruptionRequested()) {
            if (m_reloadNames.exchange(false, std::memory_order_acq_rel)
                || (m_com->PortNumber.load(std::memory_order_relaxed) == 1
                    && steady_clock::now() - m_namesRead >= kRescanInterval))
                RereadPortNames();
            TryPort();
            msleep(kStepPause.count());
        }
        while (m_com->Connected.load(std::memory_order_acquire) && !isInterruptionRequested()) {
            if (m_reloadNames.exchange(false, std::memory_order_acq_rel)) {
                const QString inUse = CurrentDevice();
                RereadPortNames();
                if (CurrentDevice() != inUse) {
                    ClosePort();
                    break;
                }
            }
            Exchange();
            msleep(kStepPause.count());
        }
    }
    ClosePort();
}

void TThreadCom::AdvancePort()
{
    int count = 0;
    {
        std::lock_guard lock(m_namesMutex);
        count = m_portNames.scanCount(ComNo);
    }
    const int next = m_com->PortNumber.load(std::memory_order_relaxed) + 1;
    m_com->PortNumber.store(next > count ? 1 : next, std::memory_order_release);
}

void TThreadCom::TryPort()
{
    const QString device = CurrentDevice();
    if (device.isEmpty()) { // a number beyond the devices the system has
        AdvancePort();
        return;
    }
    const OpenResult opened = m_device->open(device, SerialLineSettings{Baudrate, Bytesize, Parity, StopBits});
    if (!opened.ok()) {
        m_com->NotePortEvent({device, outcomeOf(opened.failure), opened.detail});
        AdvancePort();
        return;
    }
    WriteBuffer = m_com->HandshakeRequest;
    Ok = true;
    WriteLine();
    if (Ok)
        ReadLine();
    if (!Ok) {
        m_com->NotePortEvent({device, PortOutcome::NoAnswer, {}});
    } else if (ReplyBuffer.compare(0, m_com->HandshakeReply.size(), m_com->HandshakeReply) != 0) {
        m_com->NotePortEvent({device, PortOutcome::WrongAnswer, QString::fromLatin1(ReplyBuffer)});
        ClosePort();
    }
    if (Ok) {
        m_com->NotePortEvent({device, PortOutcome::Connected, {}});
        m_com->MarkConnected();
    } else {
        AdvancePort();
    }
}

void TThreadCom::WriteLine()
{
    if (WriteBuffer.empty() || WriteBuffer.back() != '\r')
        WriteBuffer.push_back('\r');
    for (char byte : WriteBuffer) {
        if (!Ok)
            return;
        if (!m_device->writeByte(byte, milliseconds(WriteTimeout)))
            ClosePort();
    }
}

void TThreadCom::ReadLine()
{
    ReplyBuffer.clear();
    for (;;) {
        // Every byte gets ReadTimeout ms; the wait is cut into slices so that a
        // termination request does not have to sit out a silent machine.
        // A ReadTimeout below 1 means no time-out at all, as the port's own settings read it.
        QElapsedTimer waited;
        waited.start();
        char byte = 0;
        SerialDevice::ReadResult result = SerialDevice::ReadResult::Timeout;
        for (;;) {
            const milliseconds left = ReadTimeout < 1 ? kCancelSlice
                                                      : milliseconds(ReadTimeout) - milliseconds(waited.elapsed());
            if (left <= milliseconds::zero() || isInterruptionRequested())
                break;
            result = m_device->readByte(byte, std::min(left, kCancelSlice));
            if (result != SerialDevice::ReadResult::Timeout)
                break;
        }
        if (result != SerialDevice::ReadResult::Byte) {
            ClosePort();
            return;
        }
        if (byte == '\r')
            return;
        if (ReplyBuffer.size() >= kMaxLineLength) {
            ClosePort();
            return;
        }
        ReplyBuffer.push_back(byte);
    }
}

void TThreadCom::Exchange()
{
    if (const auto request = m_com->PendingRequest()) {
        // Nothing on the line can be the reply to a request not yet written: a stray or
        // late line taken as this request's answer would put every later reply one
        // behind, for good.
        const std::string stray = m_device->discardInput();
        if (!stray.empty())
            m_com->NoteDiscarded(stray);
        WriteBuffer = *request;
        WriteLine();
        if (Ok)
            m_com->RequestWritten();
    }
    if (m_com->ReplyExpected.load(std::memory_order_acquire) && Ok) {
        ReadLine();
        if (Ok)
            m_com->DeliverReply(ReplyBuffer);
    }
}

void TThreadCom::ClosePort()
{
    Ok = false;
    m_com->Reset();
    ReplyBuffer.clear();
    WriteBuffer.clear();
    if (m_device)
        m_device->close();
}
