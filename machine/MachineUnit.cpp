#include "machine/MachineUnit.h"

TMachine::TMachine(TThreadCom::DeviceFactory factory, QObject *parent)
    : QObject(parent), m_com(std::make_unique<TCom>())
{
    m_com->HandshakeRequest = "R:S0;C0=ACK;";
    m_com->HandshakeReply = "A:S0";
    m_thread = std::make_unique<TThreadCom>(m_com.get(), std::move(factory));
    m_thread->start();
}

TMachine::~TMachine()
{
    m_thread->requestInterruption();
    m_thread->wait();
    Q_ASSERT(m_thread->HasFinished());
    m_thread.reset();
    m_com.reset();
}

bool TMachine::IsConnected() const
{
    return m_com->Connected.load(std::memory_order_acquire);
}

int TMachine::PortNumber() const
{
    return m_com->PortNumber.load(std::memory_order_acquire);
}

QString TMachine::DeviceName(int port) const
{
    return m_thread->DeviceName(port);
}
