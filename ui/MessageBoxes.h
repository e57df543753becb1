#pragma once
// The program's message boxes, in one place so every window words and shapes them the
// same: refusals and failures ("Error"/"Info", information icon, OK) and confirmations
// ("Please confirm", question icon, Yes/No).

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace vard {

// "Machine is not connected!" with the caption "Error", owned by `owner`.
void ShowNotConnected(QWidget *owner);
// Caption "Error" (or "Info" when info is true), information icon, OK.
void ShowMessage(QWidget *owner, const QString &text, bool info = false);
// Caption "Please confirm", question icon, Yes and No; true for Yes.
bool AskConfirm(QWidget *owner, const QString &text, bool defaultNo = false);
// The general error report: a failure nobody else handles (a file that cannot be
// written, for example), caption "Error", critical icon.
void ReportError(QWidget *owner, const QString &text);

// The row of "Ok" and "Cancel" at the foot of the program's dialogs, pushed to the right
// (named "Ok" and "Cancel"; the texts are the dialog's to set). Enter presses the focused
// button; with the focus anywhere else it means "Ok".
QHBoxLayout *OkCancelRow(QWidget *dialog, QPushButton *&ok, QPushButton *&cancel);

} // namespace vard
