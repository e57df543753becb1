#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace vard {
namespace {
QString text(const char *source)
{
    return QCoreApplication::translate("MessageBoxes", source);
}
} // namespace

void ShowNotConnected(QWidget *owner)
{
    ShowMessage(owner, text("Machine is not connected!"));
}

void ShowMessage(QWidget *owner, const QString &message, bool info)
{
    QMessageBox box(QMessageBox::Information, info ? text("Info") : text("Error"), message, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

bool AskConfirm(QWidget *owner, const QString &message, bool defaultNo)
{
    QMessageBox box(QMessageBox::Question, text("Please confirm"), message, QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("confirmBox"));
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void ReportError(QWidget *owner, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, text("Error"), message, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

} // namespace vard
