#pragma once
// Keeps the workstation awake, its screen on, while a measurement runs: a sleeping
// workstation stops sampling, a blanked screen hides the curve from the operator at the
// oven. On Linux through the desktop's session bus (the freedesktop screen-saver and
// power-management inhibit interfaces; whichever the desktop offers), on Windows by the
// thread execution state. Nothing here ever waits for the bus: calls are asynchronous,
// so a desktop that does not answer cannot stall the program.

#include <QObject>
#include <QString>

namespace vard {

class SleepInhibitor : public QObject {
    Q_OBJECT
public:
    explicit SleepInhibitor(QObject *parent = nullptr);
    ~SleepInhibitor() override; // releases what is held

    // Asks for it (once; a second call while held does nothing). The reason is shown by
    // desktops that list who keeps them awake.
    void acquire(const QString &reason);
    void release();

    // Whether a desktop interface has confirmed the inhibition (on Windows: the call
    // succeeded). False while the answer is still out.
    bool isHeld() const { return m_confirmed > 0; }
    bool isWanted() const { return m_wanted; }

signals:
    // The desktop confirmed (true) or the inhibition ended or was refused (false).
    void heldChanged(bool held);

private:
    void callInhibit(int which, const QString &reason);
    void callUnInhibit(int which, uint cookie);

    bool m_wanted = false;
    int m_confirmed = 0;         // interfaces that hold a cookie now
    uint m_cookies[2] = {0, 0};  // per interface, 0 = none
    quint64 m_generation = 0;    // answers to an old acquire are released at once
};

} // namespace vard
