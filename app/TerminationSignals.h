#pragma once
// SIGTERM (logout, a service manager), SIGINT (Ctrl+C) and SIGHUP (the terminal went
// away) as a Qt signal on the main thread, so the program can go down in its normal
// order instead of dying with its files half written and its port locked. A second
// termination signal while the first is still being handled ends the process at once
// (the way out of a shutdown that hangs). Where the platform has no such signals the
// object does nothing.

#include <QObject>

class QSocketNotifier;

namespace vard {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one object may exist at a time.
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override; // puts the previous handlers back

    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

signals:
    void received(int signalNumber);

private:
    void readPipe();
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vard
