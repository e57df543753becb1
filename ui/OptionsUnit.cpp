#include "ui/OptionsUnit.h"

#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "machine/MachineUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/Placement.h"

namespace {

constexpr int kAutoHeaterChannel = 1;

} // namespace

TOptionsForm::TOptionsForm(TMachine *machine, QWidget *parent) : QDialog(parent), m_machine(machine)
{
    setObjectName(QStringLiteral("OptionsForm"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    AutoHeater = new QCheckBox(this);
    AutoHeater->setObjectName(QStringLiteral("AutoHeater"));

    QHBoxLayout *buttons = vard::OkCancelRow(this, Ok, Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(6);
    layout->addWidget(AutoHeater);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Ok, &QPushButton::clicked, this, &TOptionsForm::OkClick);
    connect(Cancel, &QPushButton::clicked, this, &TOptionsForm::CancelClick);

    retranslateUi();
    FormCreate();
}

void TOptionsForm::retranslateUi()
{
    setWindowTitle(tr("Set machine options"));
    Label1->setText(tr("Machine Options"));
    AutoHeater->setText(tr("AutoHeater (Set for heater to be turned on after machine startup)"));
    Ok->setText(tr("Ok"));
    Cancel->setText(tr("Cancel"));
}

void TOptionsForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void TOptionsForm::FormCreate()
{
    AutoHeater->setChecked(m_machine->GetAutoHeater(kAutoHeaterChannel) == 1);
}

void TOptionsForm::OkClick()
{
    // Sent even when nothing changed: "Ok" is also how the operator pushes out whatever
    // else is queued. Should the link have gone meanwhile, the setter drops the value
    // and the poll cycle the send request, without a message.
    m_machine->SetAutoHeater(kAutoHeaterChannel, AutoHeater->isChecked() ? 1 : 0);
    m_machine->SendPendingValues();
    accept();
}

void TOptionsForm::CancelClick()
{
    reject();
}

void ShowMachineOptions(QWidget *owner, TMachine *machine)
{
    if (!machine || !machine->IsConnected()) {
        vard::ShowNotConnected(owner);
        return;
    }
    TOptionsForm dialog(machine, owner);
    vard::CentreOnScreen(&dialog, owner);
    dialog.exec();
}
