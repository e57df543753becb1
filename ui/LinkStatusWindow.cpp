#include "ui/LinkStatusWindow.h"

#include <QVBoxLayout>

#include "machine/MachineUnit.h"

LinkStatusWindow::LinkStatusWindow(TMachine *machine, QWidget *parent)
    : QWidget(parent), m_machine(machine), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("LinkStatusWindow"));
    setWindowTitle(QStringLiteral("Vard"));
    m_status->setObjectName(QStringLiteral("lblLinkStatus"));
    m_status->setAlignment(Qt::AlignCenter);
    QFont f = m_status->font();
    f.setPixelSize(16);
    m_status->setFont(f);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    resize(480, 160);
    connect(&m_timer, &QTimer::timeout, this, &LinkStatusWindow::refresh);
    m_timer.start(250);
    refresh();
}

void LinkStatusWindow::refresh()
{
    const int port = m_machine->PortNumber();
    const QString device = m_machine->DeviceName(port);
    if (m_machine->IsConnected())
        m_status->setText(tr("Connected on port %1 (%2)").arg(port).arg(device));
    else
        m_status->setText(tr("Scanning ... port %1 (%2)").arg(port).arg(device));
}
