#pragma once
// "Program options": where the separate measuring program lives. The path is a
// program-wide setting; "Ok" writes it to "Vard.ini" at once, with the language.

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    explicit TSettingsForm(QWidget *parent = nullptr);

    // The text with every character of code 0 to 32 removed from both ends. Unlike
    // QString::trimmed it leaves other Unicode blanks alone and takes every control
    // character, as a hand-edited path may carry them.
    static QString TrimControls(const QString &text);
    // Why "Ok" refuses the (trimmed) path, or an empty text: a line break or NUL, which
    // would reach the settings file as lines of their own, or characters the file's code
    // page cannot hold, which it would store as '?'.
    static QString PathProblem(const QString &path);

    void SearchClick();
    void OkClick();
    void CancelClick();

protected:
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void retranslateUi();

    QGroupBox *gbTavoPath;
    QLineEdit *TavoPath;
    QPushButton *Search;
    QPushButton *Ok;
    QPushButton *Cancel;
};

// Shows "Program options" modally and destroys it after it closes.
void ShowProgramOptions(QWidget *owner);
