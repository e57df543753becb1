#pragma once
// The connection to the line's message broker: AMQP 1.0 on a thread of its own with its
// own event loop, so the window never waits on the network. Every message goes through
// the on-disk spool first and leaves it only when the broker has accepted it; while the
// broker cannot be reached the spool holds the messages (the oldest dropped once it is
// full) and they go out in their original order when the connection is back.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "cfx/CfxSettings.h"

class TCfxLink : public QObject {
    Q_OBJECT
public:
    enum State { Off, Connecting, Connected, Lost };
    Q_ENUM(State)

    // Starts the thread and connects; `spoolFolder` keeps what is not yet accepted
    // (and what an earlier run left unsent).
    TCfxLink(const TCfxSettings &settings, const QString &spoolFolder, QObject *parent = nullptr);
    // Stops the thread; what the broker has not accepted stays in the spool.
    ~TCfxLink() override;

    // Hands a message over; never waits. A `transient` one (a heartbeat) goes out only
    // while connected: sent later it would claim a liveness that was not there.
    void Post(const QByteArray &json, bool transient = false);

    State CurrentState() const { return m_state; }
    QString StateText() const { return m_stateText; }
    // Counts since the start, for the status display and the benchmark.
    quint64 AcceptedCount() const { return m_accepted; }
    quint64 DroppedCount() const { return m_dropped; }
    qsizetype Waiting() const { return m_waiting; }

signals:
    void stateChanged(TCfxLink::State state, const QString &detail);
    // Progress: the broker accepted messages, or the spool's count changed; `total` accepted
    // since the start, `waiting` still in the spool.
    void accepted(quint64 total, qsizetype waiting);
    // The full spool dropped its oldest messages, or the broker refused one for good.
    void dropped(int count, const QString &why);
    // The spool's folder or a message file could not be written: messages are then kept
    // in memory only, until the program ends.
    void spoolProblem(const QString &message);

private:
    struct Worker;
    friend struct Worker;
    void noteState(State state, const QString &detail);
    std::unique_ptr<Worker> m_worker;
    State m_state = Off;
    QString m_stateText;
    quint64 m_accepted = 0;
    quint64 m_dropped = 0;
    qsizetype m_waiting = 0;
};

namespace vard::cfx {
// Opens a connection and a sender to the target with these settings, on a thread of its
// own, and calls `done` on `context`'s thread with the outcome in words (`ok` false with
// the broker's or the network's reason). Gives up after `timeoutMs`.
void TestConnection(const TCfxSettings &settings, QObject *context,
                    std::function<void(bool ok, const QString &message)> done, int timeoutMs = 5000);
} // namespace vard::cfx
