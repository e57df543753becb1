#include "ui/EditUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>

#include "machine/MachineUnit.h"
#include "ui/MainUnit.h"
#include "ui/MessageBoxes.h"

TEditForm::TEditForm(TMainWindow *main, QWidget *parent) : QDialog(parent ? parent : main), m_main(main)
{
    setObjectName(QStringLiteral("EditForm"));
    setWindowTitle(tr("Edit values"));
    QFont formFont = font();
    formFont.setPixelSize(11);
    setFont(formFont);
    setFixedSize(350, 203);

    ZoneLabelStr = new QLabel(this);
    ZoneLabelStr->setObjectName(QStringLiteral("ZoneLabelStr"));
    ZoneLabelStr->move(12, 9);
    QFont boldFont = formFont;
    boldFont.setPixelSize(13);
    boldFont.setBold(true);
    ZoneLabelStr->setFont(boldFont);

    m_mainPrompt = new QLabel(this);
    m_mainPrompt->setObjectName(QStringLiteral("lblMainValue"));
    m_mainPrompt->move(15, 38);
    edtMainValue = new QLineEdit(this);
    edtMainValue->setObjectName(QStringLiteral("edtMainValue"));
    edtMainValue->setGeometry(15, 55, 311, 24);
    m_mainPrompt->setBuddy(edtMainValue);

    m_fanPrompt = new QLabel(tr("Enter target fan speed in %:"), this);
    m_fanPrompt->setObjectName(QStringLiteral("lblTargetFan"));
    m_fanPrompt->move(15, 93);
    m_fanPrompt->adjustSize();
    TargetFan = new QLineEdit(this);
    TargetFan->setObjectName(QStringLiteral("TargetFan"));
    TargetFan->setGeometry(15, 110, 311, 24);
    m_fanPrompt->setBuddy(TargetFan);

    Ok = new QPushButton(tr("Ok"), this);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setGeometry(37, 157, 105, 29);
    Ok->setDefault(true);
    Cancel = new QPushButton(tr("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(189, 157, 113, 29);

    setTabOrder(Ok, Cancel);
    setTabOrder(Cancel, TargetFan);
    setTabOrder(TargetFan, edtMainValue);

    connect(Ok, &QPushButton::clicked, this, &TEditForm::OkClick);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Only what the operator types counts as a change, not what filling the form put there.
    connect(edtMainValue, &QLineEdit::textEdited, this, [this] { m_mainChanged = true; });
    connect(TargetFan, &QLineEdit::textEdited, this, [this] { m_fanChanged = true; });

    Ok->setFocus();
    FormCreate();
}

void TEditForm::FormCreate()
{
    const TMachine *machine = m_main->Machine();
    const TZone *z = m_main->Zone(m_main->CurrentZone());
    ZoneLabelStr->setText(tr("Edit values for zone:") + QStringLiteral("  ") + (z ? z->Name : QString()));
    ZoneLabelStr->adjustSize();
    edtMainValue->clear();
    m_mainPrompt->clear();
    if (!z)
        return;
    if (z->TempChannel != 0) {
        edtMainValue->setText(QString::number(machine->GetTargetTemp(z->TempChannel)));
        m_mainPrompt->setText(z->IsInfrared ? tr("Enter IR power preselection (0..5):")
                                            : tr("Enter target temperature in °C:"));
    }
    if (z->FanChannel != 0) {
        TargetFan->setText(QString::number(machine->GetTargetFan(z->FanChannel)));
        if (z->TempChannel == 0)
            TargetFan->setFocus();
    } else {
        TargetFan->clear();
        TargetFan->hide();
        m_fanPrompt->hide();
    }
    if (z->SpeedChannel != 0) {
        edtMainValue->setText(QString::number(machine->GetTargetSpeed(z->SpeedChannel)));
        m_mainPrompt->setText(tr("Enter target chain speed in cm/min:"));
    }
    m_mainPrompt->adjustSize();
}

std::optional<qint16> TEditForm::ParseWholeNumber(const QString &text)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^ *[+-]?[0-9]+$"));
    if (!wholeNumber.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < -32768 || v > 32767)
        return std::nullopt;
    return static_cast<qint16>(v);
}

void TEditForm::OkClick()
{
    TMachine *machine = m_main->Machine();
    // The zone is looked up again: it may have gone with the link while the dialog was open.
    if (const TZone *z = m_main->Zone(m_main->CurrentZone())) {
        const int temp = z->TempChannel, fan = z->FanChannel, speed = z->SpeedChannel;
        if (temp != 0 && m_mainChanged) {
            if (const auto v = ParseWholeNumber(edtMainValue->text()))
                machine->SetTargetTemp(temp, *v);
        }
        if (fan != 0 && m_fanChanged) {
            if (const auto v = ParseWholeNumber(TargetFan->text()))
                machine->SetTargetFan(fan, *v);
        }
        if (speed != 0 && m_mainChanged) {
            if (const auto v = ParseWholeNumber(edtMainValue->text()))
                machine->SetTargetSpeed(speed, *v);
        }
    }
    accept();
}

void OpenEditDialog(TMainWindow *main)
{
    if (!main->Machine()->IsConnected()) {
        vard::ShowNotConnected(main);
        return;
    }
    TEditForm dialog(main);
    dialog.exec();
}
