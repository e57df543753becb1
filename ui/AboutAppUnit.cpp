#include "ui/AboutAppUnit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/TextCodec.h"
#include "machine/MachineUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/SettingsUnit.h"
#include "ui/widgets/Placement.h"

namespace {

constexpr int kIconSize = 32;

// The program's icon: the window icon when the application has one, else a small
// drawing of a soldering temperature profile (ramp, soak, peak, cooling).
QPixmap programIcon()
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(kIconSize, kIconSize);
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1F, 0x4E, 0x79));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);
    QPainterPath curve;
    curve.moveTo(4, 26);
    curve.lineTo(10, 17);
    curve.lineTo(15, 15);
    curve.lineTo(19, 6);
    curve.lineTo(23, 6);
    curve.lineTo(28, 24);
    p.setPen(QPen(QColor(0xFF, 0x9A, 0x1F), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawLine(QPointF(4, 28), QPointF(28, 28));
    return pixmap;
}

} // namespace

// ---------------------------------------------------------------- About application

TAboutAppForm::TAboutAppForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutAppForm"));

    pctrlDefault = new QTabWidget(this);
    pctrlDefault->setObjectName(QStringLiteral("pctrlDefault"));

    tabInfo = new QWidget;
    tabInfo->setObjectName(QStringLiteral("tabInfo"));
    imgTavo = new QLabel(tabInfo);
    imgTavo->setObjectName(QStringLiteral("imgTavo"));
    imgTavo->setFixedSize(kIconSize, kIconSize);
    imgTavo->setPixmap(programIcon());
    lblTitle = new QLabel(tabInfo);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    lblTitle->setFont(bold);
    lblVersion = new QLabel(tabInfo);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblTavoVersion = new QLabel(tabInfo);
    lblTavoVersion->setObjectName(QStringLiteral("lblTavoVersion"));
    lblDate = new QLabel(tabInfo);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblTavoDate = new QLabel(tabInfo);
    lblTavoDate->setObjectName(QStringLiteral("lblTavoDate"));

    auto *info = new QGridLayout(tabInfo);
    info->setContentsMargins(16, 16, 16, 16);
    info->setHorizontalSpacing(12);
    info->addWidget(imgTavo, 0, 0, 3, 1, Qt::AlignTop);
    info->addWidget(lblTitle, 0, 1, 1, 2);
    info->addWidget(lblVersion, 1, 1);
    info->addWidget(lblTavoVersion, 1, 2);
    info->addWidget(lblDate, 2, 1);
    info->addWidget(lblTavoDate, 2, 2);
    info->setColumnStretch(2, 1);
    info->setRowStretch(3, 1);

    tabHistory = new QWidget;
    tabHistory->setObjectName(QStringLiteral("tabHistory"));
    memoHistory = new QPlainTextEdit(tabHistory);
    memoHistory->setObjectName(QStringLiteral("memoHistory"));
    memoHistory->setReadOnly(true);
    memoHistory->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *history = new QVBoxLayout(tabHistory);
    history->setContentsMargins(0, 0, 0, 0);
    history->addWidget(memoHistory);

    pctrlDefault->addTab(tabInfo, QString());
    pctrlDefault->addTab(tabHistory, QString());
    pctrlDefault->setCurrentWidget(tabInfo);

    auto *bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("pnlBottom"));
    btnOK = new QPushButton(bottom);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setFlat(true);
    btnOK->setDefault(true);
    auto *bottomRow = new QHBoxLayout(bottom);
    bottomRow->setContentsMargins(0, 0, 0, 0);
    bottomRow->addStretch(1);
    bottomRow->addWidget(btnOK);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pctrlDefault, 1);
    layout->addWidget(bottom);
    setFixedSize(520, 330);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    retranslateUi();
    btnOK->setFocus();
}

void TAboutAppForm::retranslateUi()
{
    setWindowTitle(tr("About application"));
    pctrlDefault->setTabText(pctrlDefault->indexOf(tabInfo), tr("Info"));
    pctrlDefault->setTabText(pctrlDefault->indexOf(tabHistory), tr("History"));
    lblTitle->setText(tr("KEL Vard for Windows"));
    lblVersion->setText(tr("Version:"));
    lblDate->setText(tr("Date:"));
    btnOK->setText(tr("OK"));
    FormCreate();
}

void TAboutAppForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void TAboutAppForm::FormCreate()
{
    lblTavoVersion->setText(tr("1.2.1"));
    lblTavoDate->setText(tr("2006-01-26"));
    // One text for the translators, so a language can add or reword entries freely.
    const QString historyText = tr("--- 1.2.1 ---\r"
                                   "Bug fixed: Path to images in graphic view corrected\r"
                                   "\r"
                                   "--- 1.2.0 ---\r"
                                   "Added graphic view of machine values\r"
                                   "Added multilanguage support: English, German\r"
                                   "Added internal temperature measurement of soldering machine (362.xx only)\r"
                                   "\r"
                                   "--- 1.1.2 ---\r"
                                   "Added machine parameter logging\r"
                                   "\r"
                                   "--- 1.1.0 ---\r"
                                   "Added support for KEL soldering machines 362.04, 362.07 and 362.10\r"
                                   "\r"
                                   "--- 1.0.0 ---\r"
                                   "Initial version\r");
    memoHistory->setPlainText(HistoryLines(historyText).join(u'\n'));
}

QStringList TAboutAppForm::HistoryLines(const QString &text)
{
    QStringList lines = text.split(u'\r');
    lines.removeLast(); // after the last CR: unfinished, or nothing at all
    return lines;
}

void ShowAboutApp(QWidget *owner)
{
    TAboutAppForm dialog(owner);
    vard::CentreOnScreen(&dialog, owner);
    dialog.exec();
}

// ---------------------------------------------------------------- About KEL

void ShowAboutMaker(QWidget *owner)
{
    const QString contact = QCoreApplication::translate("AboutAppUnit",
                                                        "KEL Example Soldering Systems Ltd.\n"
                                                        "1 Sample Street\n"
                                                        "00000 Exampletown\n"
                                                        "Exampleland\n"
                                                        "\n"
                                                        "Telephone: +00 0000 000000\n"
                                                        "Fax: +00 0000 000001\n"
                                                        "\n"
                                                        "E-mail: info@example.com\n"
                                                        "Web: www.example.com");
    QMessageBox box(QMessageBox::Information, QCoreApplication::translate("AboutAppUnit", "About KEL"), contact,
                    QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("AboutMakerBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// ---------------------------------------------------------------- Checksum tool

void RunChecksumTool(QWidget *owner)
{
    QInputDialog input(owner);
    input.setObjectName(QStringLiteral("InputBox"));
    input.setInputMode(QInputDialog::TextInput);
    input.setWindowTitle(QCoreApplication::translate("AboutAppUnit", "Input string"));
    input.setLabelText(
        QCoreApplication::translate("AboutAppUnit", "Please enter string to calculate checksum for:"));
    input.setTextValue(QString());
    if (input.exec() != QDialog::Accepted)
        return;
    const QString typed = input.textValue();
    if (typed.isEmpty())
        return;
    const int checksum = TMachine::Checksum(vard::toCp1252(typed));
    // Both filled in one pass, so a "%1" typed by the operator stays as typed.
    const QString message = QCoreApplication::translate("AboutAppUnit", "The checksum for \"%1\" is %2.")
                                .arg(typed, QString::number(checksum));
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), message, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("ChecksumBox"));
    // Whatever was typed is shown as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// ---------------------------------------------------------------- Launch of Tavo

QString TavoProgramFile(const QString &setting)
{
    // Only the test looks at the trimmed text; the setting is used as stored.
    QString tail = TSettingsForm::TrimControls(setting).right(9);
    // Only a to z: the comparison must not depend on the user's locale.
    for (QChar &c : tail) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    if (tail == QLatin1String("\\TAVO.EXE") || tail == QLatin1String("/TAVO.EXE"))
        return setting;
    return setting + QDir::separator() + QStringLiteral("Tavo.exe");
}

void CallTavo(QWidget *owner, const QString &setting, const std::function<bool(const QString &)> &start)
{
    const QString program = TavoProgramFile(setting);
    const bool started = start ? start(program) : QProcess::startDetached(program, QStringList());
    if (!started)
        vard::ShowMessage(owner, QCoreApplication::translate(
                                     "AboutAppUnit",
                                     "Could not find Tavo.exe. Please enter correct path under \"Extras...Settings\"!"));
}
