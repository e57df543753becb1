#include "ui/SettingsUnit.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/IniFile.h"
#include "app/ObjGlobalVarUnit.h"
#include "app/TextCodec.h"
#include "cfx/CfxSettings.h"
#include "link/PortNames.h"
#include "ui/CfxOptionsUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/widgets/Placement.h"

TSettingsForm::TSettingsForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SettingsForm"));

    gbTavoPath = new QGroupBox(this);
    gbTavoPath->setObjectName(QStringLiteral("gbTavoPath"));
    TavoPath = new QLineEdit(gbTavoPath);
    TavoPath->setObjectName(QStringLiteral("TavoPath"));
    TavoPath->setMinimumWidth(360);
    Search = new QPushButton(gbTavoPath);
    Search->setObjectName(QStringLiteral("Search"));
    auto *pathRow = new QHBoxLayout(gbTavoPath);
    pathRow->addWidget(TavoPath, 1);
    pathRow->addWidget(Search);

    gbSerialPort = new QGroupBox(this);
    gbSerialPort->setObjectName(QStringLiteral("gbSerialPort"));
    SerialPort = new QComboBox(gbSerialPort);
    SerialPort->setObjectName(QStringLiteral("SerialPort"));
    SerialPort->setMinimumWidth(360);
    SerialPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    RefreshPortList = new QPushButton(gbSerialPort);
    RefreshPortList->setObjectName(QStringLiteral("RefreshPortList"));
    RefreshPortList->setAutoDefault(true);
    auto *portRow = new QHBoxLayout(gbSerialPort);
    portRow->addWidget(SerialPort, 1);
    portRow->addWidget(RefreshPortList);

    gbCfx = new QGroupBox(this);
    gbCfx->setObjectName(QStringLiteral("gbCfx"));
    CfxSummaryLabel = new QLabel(gbCfx);
    CfxSummaryLabel->setObjectName(QStringLiteral("CfxSummary"));
    CfxSummaryLabel->setMinimumWidth(360);
    CfxSettings = new QPushButton(gbCfx);
    CfxSettings->setObjectName(QStringLiteral("CfxSettings"));
    CfxSettings->setAutoDefault(true);
    auto *cfxRow = new QHBoxLayout(gbCfx);
    cfxRow->addWidget(CfxSummaryLabel, 1);
    cfxRow->addWidget(CfxSettings);

    Search->setAutoDefault(true);
    QHBoxLayout *buttons = vard::OkCancelRow(this, Ok, Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbTavoPath);
    layout->addWidget(gbSerialPort);
    layout->addWidget(gbCfx);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Search, &QPushButton::clicked, this, &TSettingsForm::SearchClick);
    connect(RefreshPortList, &QPushButton::clicked, this, &TSettingsForm::RefreshPorts);
    connect(CfxSettings, &QPushButton::clicked, this, &TSettingsForm::CfxSettingsClick);
    connect(Ok, &QPushButton::clicked, this, &TSettingsForm::OkClick);
    connect(Cancel, &QPushButton::clicked, this, &TSettingsForm::CancelClick);

    retranslateUi();
    FormCreate();
}

void TSettingsForm::retranslateUi()
{
    setWindowTitle(tr("Program options"));
    gbTavoPath->setTitle(tr(" Tavo Program Path "));
    Search->setText(tr("Search"));
    gbSerialPort->setTitle(tr(" Serial port "));
    RefreshPortList->setText(tr("Refresh"));
    if (SerialPort->count() > 0)
        SerialPort->setItemText(0, tr("Search all ports"));
    gbCfx->setTitle(tr(" Line messaging (CFX) "));
    CfxSettings->setText(tr("Settings…"));
    UpdateCfxSummary();
    Ok->setText(tr("Ok"));
    Cancel->setText(tr("Cancel"));
}

void TSettingsForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void TSettingsForm::FormCreate()
{
    TavoPath->setText(GlobalVars ? GlobalVars->TavoPath() : QString());
    m_storedPort = PinnedSerialPort();
    RefreshPorts();
    SerialPort->setCurrentIndex(std::max(0, SerialPort->findData(m_storedPort)));
}

QString TSettingsForm::ChosenSerialPort() const
{
    return SerialPort->currentData().toString();
}

void TSettingsForm::RefreshPorts()
{
    const QString chosen = SerialPort->count() > 0 ? ChosenSerialPort() : m_storedPort;
    SerialPort->clear();
    SerialPort->addItem(tr("Search all ports"), QString());
    const QList<SerialPortEntry> ports = SystemSerialPorts();
    for (const SerialPortEntry &p : ports) {
        QStringList details;
        for (const QString &d : {p.description, p.manufacturer, p.serialNumber}) {
            if (!d.isEmpty())
                details.append(d);
        }
        SerialPort->addItem(details.isEmpty() ? p.device
                                              : QStringLiteral("%1 (%2)").arg(p.device, details.join(QStringLiteral(", "))),
                            p.device);
    }
    // A pinned adapter that is unplugged stays the choice until the operator changes it.
    if (!chosen.isEmpty() && SerialPort->findData(chosen) < 0)
        SerialPort->addItem(tr("%1 (not present)").arg(chosen), chosen);
    SerialPort->setCurrentIndex(std::max(0, SerialPort->findData(chosen)));
}

QString TSettingsForm::TrimControls(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

void TSettingsForm::SearchClick()
{
    QFileDialog OpenDialog(this);
    OpenDialog.setObjectName(QStringLiteral("OpenDialog"));
    // The dialog is the same on every platform, and tests can answer it.
    OpenDialog.setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog.setFileMode(QFileDialog::ExistingFile);
    OpenDialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Outside Windows the measuring program may be started through a wrapper of any
    // name, so every file can be shown as well.
    OpenDialog.setNameFilters({tr("Programs (*.exe)"), tr("All files (*)")});
    // Open where the current setting points: its folder, or the folder of its file.
    const QString current = TrimControls(TavoPath->text());
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        if (info.isDir())
            OpenDialog.setDirectory(info.absoluteFilePath());
        else if (info.absoluteDir().exists())
            OpenDialog.setDirectory(info.absolutePath());
    }
    OpenDialog.selectFile(QStringLiteral("*.exe"));
    if (OpenDialog.exec() != QDialog::Accepted)
        return;
    const QStringList files = OpenDialog.selectedFiles();
    if (!files.isEmpty() && !files.first().isEmpty())
        TavoPath->setText(QDir::toNativeSeparators(files.first()));
}

QString TSettingsForm::PathProblem(const QString &path)
{
    // A line break would end the line in "Vard.ini" and start a key of its own.
    if (path.contains(u'\r') || path.contains(u'\n') || path.contains(QChar(u'\0')))
        return tr("The program path must not contain a line break or a NUL character.");
    // Stored as '?', such a path would name another file, or none, without a word.
    const QString lost = vard::uncodableInCp1252(path);
    if (!lost.isEmpty())
        return tr("The program path contains characters that the settings file cannot hold: %1\n"
                  "Please choose a path without them.")
            .arg(lost);
    return QString();
}

void TSettingsForm::OkClick()
{
    const QString path = TrimControls(TavoPath->text());
    const QString problem = PathProblem(path);
    if (!problem.isEmpty()) {
        vard::ShowMessage(this, problem);
        return;
    }
    if (GlobalVars) {
        GlobalVars->SetTavoPath(path);
        try {
            GlobalVars->Save();
        } catch (const vard::SettingsFileError &e) {
            // Reported here rather than left to unwind through the toolkit's event
            // handling, which is not built to pass exceptions. The dialog stays open:
            // the operator can try again once the folder is writable, or cancel; the
            // path is in force for this run and is written again at program end.
            vard::ReportError(this, e.message());
            return;
        }
    }
    const QString port = ChosenSerialPort();
    if (port != m_storedPort) {
        try {
            SetPinnedSerialPort(port);
        } catch (const vard::SettingsFileError &e) {
            vard::ReportError(this, e.message());
            return;
        }
        m_storedPort = port;
        emit serialPortChanged();
    }
    accept();
}

void TSettingsForm::UpdateCfxSummary()
{
    // A long URL would widen the fixed-size dialog without end: it is shortened in the
    // middle, whole in the tooltip.
    const QString summary = CfxSummary(TCfxSettings::Load());
    CfxSummaryLabel->setText(
        CfxSummaryLabel->fontMetrics().elidedText(summary, Qt::ElideMiddle, CfxSummaryLabel->minimumWidth()));
    CfxSummaryLabel->setToolTip(summary);
}

void TSettingsForm::CfxSettingsClick()
{
    if (!ShowCfxOptions(this))
        return;
    UpdateCfxSummary();
    emit cfxSettingsChanged();
}

void TSettingsForm::CancelClick()
{
    reject();
}

void ShowProgramOptions(QWidget *owner, const std::function<void()> &onPortChanged,
                        const std::function<void()> &onCfxChanged)
{
    TSettingsForm dialog(owner);
    if (onPortChanged)
        QObject::connect(&dialog, &TSettingsForm::serialPortChanged, &dialog, onPortChanged);
    if (onCfxChanged)
        QObject::connect(&dialog, &TSettingsForm::cfxSettingsChanged, &dialog, onCfxChanged);
    vard::CentreOnScreen(&dialog, owner);
    dialog.exec();
}
