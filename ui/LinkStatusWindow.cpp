#include "ui/LinkStatusWindow.h"

#include <QTime>
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
    connect(machine, &TMachine::logLineAdded, this, [this](const QString &line) {
        m_lastLog = QStringLiteral("[%1] %2").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), line);
    });
    connect(&m_timer, &QTimer::timeout, this, &LinkStatusWindow::refresh);
    m_timer.start(250);
    refresh();
}

void LinkStatusWindow::refresh()
{
    const int port = m_machine->PortNumber();
    const QString device = m_machine->DeviceName(port);
    QString text;
    if (!m_machine->IsConnected()) {
        m_machine->SetMachineType(0);
        text = tr("Scanning ... port %1 (%2)").arg(port).arg(device);
    } else if (m_machine->GetMachineName().isEmpty()) {
        text = tr("Port %1 (%2) answered; identifying ...").arg(port).arg(device);
    } else {
        text = tr("%1\non port %2 (%3)").arg(m_machine->GetMachineName()).arg(port).arg(device);
        text += QStringLiteral("\n%1 °C / %2 °C").arg(m_machine->GetActualTemp(1)).arg(m_machine->GetTargetTemp(1));
    }
    if (!m_lastLog.isEmpty())
        text += QStringLiteral("\n\n") + m_lastLog;
    m_status->setText(text);
}
