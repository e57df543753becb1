#pragma once
// The machine link: the mailbox between the machine object (main thread) and the
// communication thread, and the thread that owns the serial line. The thread scans the
// ports until a machine answers the handshake, then carries one request line and one
// reply line at a time. Any failed read or write closes the port and the scan starts
// again at port 1.

#include <QList>
#include <QMap>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/GlobalUnit.h"
#include "link/PortNames.h"
#include "link/SerialDevice.h"

// What one attempt on a port came to.
enum class PortOutcome { Connected, NoAnswer, WrongAnswer, Missing, PermissionDenied, Busy, OpenFailed };

struct PortEvent {
    QString device;
    PortOutcome outcome = PortOutcome::Missing;
    QString detail; // the system's words, or the handshake reply that was not the machine's

    // A port that is there but cannot be used by us: the operator must hear of it.
    bool isProblem() const
    {
        return outcome == PortOutcome::PermissionDenied || outcome == PortOutcome::Busy
               || outcome == PortOutcome::OpenFailed;
    }
    bool operator==(const PortEvent &) const = default;
};

// The mailbox. The flags hand the text from one thread to the other; a hand-over (the
// text together with the flags that announce it) happens under one lock, so neither
// side ever sees a half-written or half-cleared text.
class TCom {
public:
    // Written once by the machine object before the thread exists, only read afterwards.
    std::string HandshakeRequest;
    std::string HandshakeReply;

    // Each flag is written by the side the protocol gives it to; stores are release,
    // loads acquire, so the text is complete before a flag announces it.
    std::atomic<bool> SendPending{false};   // Text waits to be written to the port
    std::atomic<bool> ReplyExpected{false}; // a reply line is to be read into Text
    std::atomic<bool> Connected{false};     // a port is open and its handshake succeeded
    std::atomic<int> PortNumber{0};         // port being tried or in use, 1..ComNo

    // How many handshakes have succeeded so far. A link lost and found again between two
    // poll steps shows only here: Connected is true both times. Written under the lock
    // together with Connected, so a reader never sees the new link with the old count.
    quint32 ConnectionCount() const;

    // Main thread. Hands a request over when the link is up and the mailbox idle; true
    // when it was taken.
    bool PostRequest(const std::string &text);
    // The same, refused unless the link is still the one of that connection count: a
    // request meant for one machine never goes to the one that answered after a loss.
    bool PostRequest(const std::string &text, quint32 connection);
    // Main thread. The reply line, when the link is up and no reply is still awaited.
    std::optional<std::string> TakeReply() const;
    std::optional<std::string> TakeReply(quint32 connection) const;
    // Main thread. What the link threw away since the last call (stray input found on
    // the line before a request went out), for the trace.
    std::string TakeDiscarded();

    // Communication thread.
    std::optional<std::string> PendingRequest() const; // the text, when SendPending
    void DeliverReply(const std::string &line);        // text first, then both flags drop
    void RequestWritten();                             // a request that wants no reply
    void Reset();                                      // link lost: flags and text cleared
    void MarkConnected();                              // handshake done: count up, link up
    void NoteDiscarded(const std::string &bytes);      // stray input dropped before a request

    // Communication thread: the result of one attempt on a port.
    void NotePortEvent(const PortEvent &event);
    // Main thread. Every attempt since the last call, oldest first (the newest
    // kMaxPortEvents when nobody asked for a while), for the trace.
    QList<PortEvent> TakePortEvents();
    // Main thread. The ports that turned faulty, or faulty for another reason, since the
    // last call: each problem once, not at every scan.
    QList<PortEvent> TakeNewPortProblems();
    // The ports that are faulty now, by device name. A port leaves the list when it
    // opens or is gone.
    QList<PortEvent> PortProblems() const;

    std::string Text() const;

    static constexpr qsizetype kMaxPortEvents = 256;

private:
    // Bounds what waits for the trace when nobody reads it.
    static constexpr std::size_t kMaxDiscarded = 4096;

    mutable std::mutex m_portMutex; // guards the three port lists; never held with m_mutex
    QList<PortEvent> m_portEvents;
    QList<PortEvent> m_newProblems;
    QMap<QString, PortEvent> m_problems;

    mutable std::mutex m_mutex; // guards m_text, m_discarded, m_connections; makes each hand-over one step
    std::string m_text;
    std::string m_discarded;
    quint32 m_connections = 0;
};

class TThreadCom : public QThread {
    Q_OBJECT
public:
    using DeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

    // A reply line longer than this is noise, not an answer: the read fails.
    static constexpr std::size_t kMaxLineLength = 4096;
    // The pause after every step: keeps the idle thread from spinning and sets how
    // quickly a new request is picked up.
    static constexpr std::chrono::milliseconds kStepPause{10};
    // How often a blocking read looks at the termination request.
    static constexpr std::chrono::milliseconds kCancelSlice{50};

    // Reads [Communications] of "Vard.ini" and the port names. Start it with start();
    // stop it with requestInterruption() and wait().
    explicit TThreadCom(TCom *com, DeviceFactory factory = createSerialDevice, QObject *parent = nullptr);
    ~TThreadCom() override;

    // The device that port n means for this thread.
    QString DeviceName(int n) const;
    // Any thread. The port names are read again before the next attempt; a link on a
    // device the new names no longer give is dropped and the scan starts again.
    void ReloadPortNames() { m_reloadNames.store(true, std::memory_order_release); }
    // While scanning, the names are read again at most this often, so that an adapter
    // plugged in later is found.
    static constexpr std::chrono::milliseconds kRescanInterval{1000};
    // True once Execute has returned (acquire): everything it touched is settled.
    bool HasFinished() const { return m_finished.load(std::memory_order_acquire); }

    int Baudrate = 9600;
    int Bytesize = 8;
    int Parity = 0;
    int StopBits = 0;
    int ComNo = 10;
    int WriteTimeout = 1000;
    int ReadTimeout = 2000;

protected:
    void run() override;

private:
    void Execute();
    void TryPort();
    void WriteLine();
    void ReadLine();
    void Exchange();
    void ClosePort();
    void AdvancePort();
    void RereadPortNames();
    QString CurrentDevice() const;

    TCom *m_com;
    DeviceFactory m_factory;
    mutable std::mutex m_namesMutex; // m_portNames is replaced here and read by the owner
    SerialPortNames m_portNames;
    std::atomic<bool> m_reloadNames{false};
    std::chrono::steady_clock::time_point m_namesRead;
    std::unique_ptr<SerialDevice> m_device; // lives on this thread only
    std::string ReplyBuffer;
    std::string WriteBuffer;
    bool Ok = false;
    std::atomic<bool> m_finished{false};
};
