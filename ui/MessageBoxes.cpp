#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QMessageBox>

namespace vard {

void ShowNotConnected(QWidget *owner)
{
    ShowMessage(owner, QCoreApplication::translate("MessageBoxes", "Machine is not connected!"));
}

void ShowMessage(QWidget *owner, const QString &message, bool info)
{
    const QString caption = info ? QCoreApplication::translate("MessageBoxes", "Info")
                                 : QCoreApplication::translate("MessageBoxes", "Error");
    QMessageBox box(QMessageBox::Information, caption, message, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

bool AskConfirm(QWidget *owner, const QString &message, bool defaultNo)
{
    QMessageBox box(QMessageBox::Question, QCoreApplication::translate("MessageBoxes", "Please confirm"), message,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("confirmBox"));
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void ReportError(QWidget *owner, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("MessageBoxes", "Error"), message, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

QHBoxLayout *OkCancelRow(QWidget *dialog, QPushButton *&ok, QPushButton *&cancel)
{
    ok = new QPushButton(dialog);
    ok->setObjectName(QStringLiteral("Ok"));
    ok->setAutoDefault(true);
    ok->setDefault(true);
    cancel = new QPushButton(dialog);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setAutoDefault(true);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

} // namespace vard
