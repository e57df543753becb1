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
    // What the machine accepts, beside the prompt: a value outside it is refused here
    // and never dropped on the way.
    m_mainRange = new QLabel(this);
    m_mainRange->setObjectName(QStringLiteral("lblMainRange"));
    m_mainRange->setGeometry(170, 38, 156, 16);
    m_mainRange->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_fanPrompt = new QLabel(tr("Enter target fan speed in %:"), this);
    m_fanPrompt->setObjectName(QStringLiteral("lblTargetFan"));
    m_fanPrompt->move(15, 93);
    m_fanPrompt->adjustSize();
    TargetFan = new QLineEdit(this);
    TargetFan->setObjectName(QStringLiteral("TargetFan"));
    TargetFan->setGeometry(15, 110, 311, 24);
    m_fanPrompt->setBuddy(TargetFan);
    m_fanRange = new QLabel(this);
    m_fanRange->setObjectName(QStringLiteral("lblFanRange"));
    m_fanRange->setGeometry(170, 93, 156, 16);
    m_fanRange->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

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
    m_mainRange->clear();
    if (!z)
        return;
    if (z->TempChannel != 0) {
        edtMainValue->setText(QString::number(machine->GetTargetTemp(z->TempChannel)));
        m_mainPrompt->setText(z->IsInfrared ? tr("Enter IR power preselection (0..5):")
                                            : tr("Enter target temperature in °C:"));
        m_mainLimits = z->IsInfrared ? Limits{0, 5, QString()} : Limits{40, z->MaxTemp, QStringLiteral(" °C")};
    }
    if (z->FanChannel != 0) {
        TargetFan->setText(QString::number(machine->GetTargetFan(z->FanChannel)));
        m_fanLimits = Limits{50, 100, QStringLiteral(" %")};
        m_fanRange->setText(rangeText(*m_fanLimits));
        if (z->TempChannel == 0)
            TargetFan->setFocus();
    } else {
        TargetFan->clear();
        TargetFan->hide();
        m_fanPrompt->hide();
        m_fanRange->hide();
    }
    if (z->SpeedChannel != 0) {
        edtMainValue->setText(QString::number(machine->GetTargetSpeed(z->SpeedChannel)));
        m_mainPrompt->setText(tr("Enter target chain speed in cm/min:"));
        m_mainLimits = Limits{5, 60, QStringLiteral(" cm/min")};
    }
    if (m_mainLimits)
        m_mainRange->setText(rangeText(*m_mainLimits));
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

QString TEditForm::rangeText(const Limits &limits)
{
    return tr("Allowed: %1 to %2%3").arg(limits.low).arg(limits.high).arg(limits.unit);
}

std::optional<qint16> TEditForm::checked(QLineEdit *field, const Limits &limits)
{
    const QString text = field->text();
    static const QRegularExpression wholeNumber(QStringLiteral("^ *[+-]?[0-9]+$"));
    QString problem;
    if (!wholeNumber.match(text).hasMatch()) {
        problem = tr("\"%1\" is not a whole number.").arg(text.trimmed());
    } else {
        // A number too long for any setter is out of range too, never cut to 16 bits.
        bool ok = false;
        const qlonglong v = text.trimmed().toLongLong(&ok);
        if (ok && v >= limits.low && v <= limits.high)
            return static_cast<qint16>(v);
        problem = tr("%1%2 is outside the range the machine accepts.").arg(text.trimmed(), limits.unit);
    }
    vard::ShowMessage(this, problem + u'\n' + rangeText(limits));
    field->setFocus();
    field->selectAll();
    return std::nullopt;
}

void TEditForm::OkClick()
{
    TMachine *machine = m_main->Machine();
    // The zone is looked up again: it may have gone with the link while the dialog was open.
    const TZone *z = m_main->Zone(m_main->CurrentZone());
    if (!z || !machine->IsConnected()) {
        vard::ShowNotConnected(this);
        reject();
        return;
    }
    const int temp = z->TempChannel, fan = z->FanChannel, speed = z->SpeedChannel;
    // Every changed field is checked before any goes to the queue: a refused one keeps
    // the dialog open with nothing queued, so the operator can put it right.
    std::optional<qint16> mainValue, fanValue;
    if ((temp != 0 || speed != 0) && m_mainChanged && m_mainLimits) {
        mainValue = checked(edtMainValue, *m_mainLimits);
        if (!mainValue)
            return;
    }
    if (fan != 0 && m_fanChanged && m_fanLimits) {
        fanValue = checked(TargetFan, *m_fanLimits);
        if (!fanValue)
            return;
    }
    if (mainValue && temp != 0)
        machine->SetTargetTemp(temp, *mainValue);
    if (fanValue)
        machine->SetTargetFan(fan, *fanValue);
    if (mainValue && speed != 0)
        machine->SetTargetSpeed(speed, *mainValue);
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
