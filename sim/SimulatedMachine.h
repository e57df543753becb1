#pragma once
// The machine's controller, simulated behind a pseudo-terminal: the peer of every
// integration test and the demo machine of `vard --simulate`.
//
// The pty and its I/O loop run on a std::thread of their own (plain POSIX, no Qt event
// loop), so a test can drive the program's link thread against it and flip fault
// switches from any thread.

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "sim/SimController.h"

namespace vardsim {

class SimulatedMachine {
public:
    explicit SimulatedMachine(MachineKind kind = MachineKind::QTR4);
    ~SimulatedMachine(); // stops the I/O thread and closes the pty

    SimulatedMachine(const SimulatedMachine &) = delete;
    SimulatedMachine &operator=(const SimulatedMachine &) = delete;

    // Makes the pty (openpty, raw mode) and starts answering. False with errorString()
    // set when no pty can be had.
    bool start();
    void stop();
    bool isRunning() const;
    QString errorString() const;

    // Device path of the pty's terminal side (/dev/pts/N): what the program opens.
    QString devicePath() const;

    // A symbolic link at `linkPath` pointing to devicePath(), replaced if it exists and
    // removed again by stop(): a fixed Port<n> entry finds a restarted simulator.
    bool publishLink(const QString &linkPath);

    // Closes the controller side of the pty at once: the program sees a hang-up. The
    // simulator is then stopped; start() makes a new pty (with a new device path, and
    // the published link, if any, follows it).
    void hangUp();

    // The controller's state and fault switches (thread-safe; see SimController).
    // The callback runs with the controller locked; keep it short.
    template <typename F> auto withController(F &&f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f(m_controller);
    }

    // Lines received so far, counted before their reply goes out (for tests that look at
    // the traffic: once a reply has arrived, its request is counted).
    int requestCount() const { return m_requests.load(std::memory_order_relaxed); }

private:
    void run(int masterFd);
    void serve(const QByteArray &line, int masterFd);
    void writeAll(int fd, const QByteArray &bytes);
    void closePty();
    bool pointLink(const QString &linkPath, const QString &target); // m_mutex held
    qint64 nowMs() const;

    const std::chrono::steady_clock::time_point m_epoch; // the controller's time 0

    mutable std::mutex m_mutex; // guards m_controller, m_devicePath, m_linkPath, m_error
    SimController m_controller;
    QString m_devicePath;
    QString m_linkPath;
    QString m_error;

    // Both fds belong to the thread that calls start()/stop()/hangUp(); the I/O thread gets
    // copies and is joined before they are closed.
    int m_masterFd = -1;
    int m_slaveFd = -1;          // kept open so the controller side never reads EIO between sessions
    std::thread m_thread;
    std::atomic<bool> m_stop{false}; // asks the I/O thread to leave its loop
    std::atomic<bool> m_running{false};
    std::atomic<int> m_requests{0};
};

} // namespace vardsim
