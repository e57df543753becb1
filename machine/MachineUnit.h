#pragma once
// The machine object. It owns the mailbox and the communication thread for the whole
// run: created before any window, destroyed after them.

#include <QObject>

#include <memory>

#include "link/ThreadComUnit.h"

class TMachine : public QObject {
    Q_OBJECT
public:
    explicit TMachine(TThreadCom::DeviceFactory factory = createSerialDevice, QObject *parent = nullptr);
    // Stops the link thread and waits for it before the mailbox goes.
    ~TMachine() override;

    bool IsConnected() const;
    // The port being tried while scanning, or the one in use.
    int PortNumber() const;
    QString DeviceName(int port) const;
    const TCom &Com() const { return *m_com; }
    TCom &Com() { return *m_com; }

private:
    std::unique_ptr<TCom> m_com;
    std::unique_ptr<TThreadCom> m_thread;
};
