#include "ui/ProcessWindowUnit.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/IniFile.h"
#include "app/LocaleFormats.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/Placement.h"

using vard::Figure;
using vard::kAllFigures;

namespace {

QDoubleSpinBox *temperatureBox(QWidget *parent, const char *name)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(-50, 500);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" °C"));
    return box;
}

QString limitText(std::optional<double> v)
{
    if (!v)
        return QString();
    return vard::NumberLocale().toString(*v, 'g', 6);
}

} // namespace

TProcessWindowForm::TProcessWindowForm(const std::optional<vard::ProcessWindow> &current, QWidget *parent)
    : QDialog(parent),
      cbName(new QComboBox(this)),
      lblName(new QLabel(this)),
      lblLiquidus(new QLabel(this)),
      edtLiquidus(temperatureBox(this, "edtLiquidus")),
      lblSoak(new QLabel(this)),
      edtSoakLow(temperatureBox(this, "edtSoakLow")),
      edtSoakHigh(temperatureBox(this, "edtSoakHigh")),
      lblSlope(new QLabel(this)),
      edtSlopeWindow(new QDoubleSpinBox(this)),
      lblLower(new QLabel(this)),
      lblUpper(new QLabel(this)),
      btnSave(new QPushButton(this)),
      btnErase(new QPushButton(this)),
      btnOK(new QPushButton(this)),
      btnCancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("ProcessWindowForm"));
    cbName->setObjectName(QStringLiteral("cbName"));
    cbName->setEditable(true);
    cbName->setInsertPolicy(QComboBox::NoInsert);
    lblName->setBuddy(cbName);
    edtSlopeWindow->setObjectName(QStringLiteral("edtSlopeWindow"));
    edtSlopeWindow->setRange(0.5, 120);
    edtSlopeWindow->setDecimals(1);
    edtSlopeWindow->setSuffix(QStringLiteral(" s"));
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnErase->setObjectName(QStringLiteral("btnErase"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *grid = new QGridLayout;
    int row = 0;
    grid->addWidget(lblName, row, 0);
    grid->addWidget(cbName, row, 1, 1, 2);
    ++row;
    grid->addWidget(lblLiquidus, row, 0);
    grid->addWidget(edtLiquidus, row, 1);
    ++row;
    grid->addWidget(lblSoak, row, 0);
    grid->addWidget(edtSoakLow, row, 1);
    grid->addWidget(edtSoakHigh, row, 2);
    ++row;
    grid->addWidget(lblSlope, row, 0);
    grid->addWidget(edtSlopeWindow, row, 1);
    ++row;
    grid->addWidget(lblLower, row, 1);
    grid->addWidget(lblUpper, row, 2);
    ++row;
    for (Figure f : kAllFigures) {
        const auto i = static_cast<std::size_t>(f);
        lblFigure[i] = new QLabel(this);
        edtLower[i] = new QLineEdit(this);
        edtUpper[i] = new QLineEdit(this);
        edtLower[i]->setObjectName(QStringLiteral("edtLower%1").arg(i));
        edtUpper[i]->setObjectName(QStringLiteral("edtUpper%1").arg(i));
        lblFigure[i]->setBuddy(edtLower[i]);
        grid->addWidget(lblFigure[i], row, 0);
        grid->addWidget(edtLower[i], row, 1);
        grid->addWidget(edtUpper[i], row, 2);
        ++row;
    }
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnSave);
    buttons->addWidget(btnErase);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(btnSave, &QPushButton::clicked, this, &TProcessWindowForm::btnSaveClick);
    connect(btnErase, &QPushButton::clicked, this, &TProcessWindowForm::btnEraseClick);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        bool ok = true;
        for (std::size_t i = 0; i < edtLower.size() && ok; ++i) {
            limitOf(edtLower[i], &ok);
            if (ok)
                limitOf(edtUpper[i], &ok);
        }
        if (!ok) {
            vard::ReportError(this, tr("A limit is not a number."));
            return;
        }
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbName, qOverload<int>(&QComboBox::activated), this, &TProcessWindowForm::nameChosen);

    retranslateUi();
    fillNames(current ? current->name : QString());
    if (current)
        ShowWindow(*current);
    else if (!m_offered.isEmpty())
        ShowWindow(m_offered.first());
}

QList<vard::ProcessWindow> TProcessWindowForm::Offered()
{
    QList<vard::ProcessWindow> offered;
    QStringList names;
    for (const QString &name : vard::ProcessWindowNames()) {
        if (const auto w = vard::LoadProcessWindow(name)) {
            offered << *w;
            names << w->name.toCaseFolded();
        }
    }
    for (const vard::ProcessWindow &w : vard::BuiltInProcessWindows()) {
        if (!names.contains(w.name.toCaseFolded()))
            offered << w;
    }
    return offered;
}

void TProcessWindowForm::fillNames(const QString &select)
{
    m_offered = Offered();
    cbName->clear();
    for (const vard::ProcessWindow &w : m_offered)
        cbName->addItem(w.name);
    const int at = cbName->findText(select, Qt::MatchFixedString);
    if (at >= 0)
        cbName->setCurrentIndex(at);
    else
        cbName->setEditText(select);
}

void TProcessWindowForm::nameChosen(int index)
{
    if (index >= 0 && index < m_offered.size())
        ShowWindow(m_offered.at(index));
}

void TProcessWindowForm::ShowWindow(const vard::ProcessWindow &window)
{
    cbName->setEditText(window.name);
    edtLiquidus->setValue(window.settings.liquidus);
    edtSoakLow->setValue(window.settings.soakLow);
    edtSoakHigh->setValue(window.settings.soakHigh);
    edtSlopeWindow->setValue(window.settings.slopeWindowS);
    for (Figure f : kAllFigures) {
        const auto i = static_cast<std::size_t>(f);
        edtLower[i]->setText(limitText(window.limitsOf(f).lower));
        edtUpper[i]->setText(limitText(window.limitsOf(f).upper));
    }
}

std::optional<double> TProcessWindowForm::limitOf(const QLineEdit *edit, bool *ok)
{
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool read = false;
    double value = QLocale().toDouble(text, &read);
    if (!read)
        value = QLocale::c().toDouble(text, &read);
    if (!read) {
        if (ok)
            *ok = false;
        return std::nullopt;
    }
    return value;
}

vard::ProcessWindow TProcessWindowForm::Window() const
{
    vard::ProcessWindow w;
    w.name = cbName->currentText().trimmed();
    w.settings.liquidus = edtLiquidus->value();
    w.settings.soakLow = edtSoakLow->value();
    w.settings.soakHigh = edtSoakHigh->value();
    w.settings.slopeWindowS = edtSlopeWindow->value();
    for (Figure f : kAllFigures) {
        const auto i = static_cast<std::size_t>(f);
        w.limitsOf(f).lower = limitOf(edtLower[i], nullptr);
        w.limitsOf(f).upper = limitOf(edtUpper[i], nullptr);
    }
    return w;
}

void TProcessWindowForm::btnSaveClick()
{
    const vard::ProcessWindow w = Window();
    if (w.name.isEmpty()) {
        vard::ReportError(this, tr("Please enter a name for the process window."));
        return;
    }
    try {
        vard::SaveProcessWindow(w);
    } catch (const vard::SettingsFileError &e) {
        vard::ReportError(this, e.message());
        return;
    }
    fillNames(w.name);
}

void TProcessWindowForm::btnEraseClick()
{
    const QString name = cbName->currentText().trimmed();
    if (name.isEmpty() || !vard::LoadProcessWindow(name))
        return; // a built-in one, or nothing saved under the name
    if (!vard::AskConfirm(this, tr("Do you really want to erase the process window \"%1\"?").arg(name), true))
        return;
    try {
        vard::EraseProcessWindow(name);
    } catch (const vard::SettingsFileError &e) {
        vard::ReportError(this, e.message());
        return;
    }
    fillNames(QString());
    if (!m_offered.isEmpty()) {
        cbName->setCurrentIndex(0);
        ShowWindow(m_offered.first());
    }
}

void TProcessWindowForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void TProcessWindowForm::retranslateUi()
{
    setWindowTitle(tr("Process window"));
    lblName->setText(tr("Name:"));
    lblLiquidus->setText(tr("Liquidus:"));
    lblSoak->setText(tr("Soak band:"));
    lblSlope->setText(tr("Slope over:"));
    lblLower->setText(tr("Lower limit"));
    lblUpper->setText(tr("Upper limit"));
    for (Figure f : kAllFigures) {
        const auto i = static_cast<std::size_t>(f);
        lblFigure[i]->setText(QStringLiteral("%1 (%2):").arg(vard::Figures::name(f), vard::Figures::unit(f)));
    }
    btnSave->setText(tr("Save"));
    btnErase->setText(tr("Erase"));
    btnOK->setText(tr("OK"));
    btnCancel->setText(tr("Cancel"));
}

std::optional<vard::ProcessWindow> ShowProcessWindowDialog(QWidget *owner,
                                                           const std::optional<vard::ProcessWindow> &current)
{
    TProcessWindowForm dialog(current, owner);
    vard::CentreOnScreen(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Window();
}
