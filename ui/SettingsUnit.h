#pragma once
// "Program options": where the separate measuring program lives, and which serial
// port the link uses. Both are program-wide settings; "Ok" writes them to "Vard.ini" at
// once, with the language.

#include <QDialog>

#include <functional>

class QComboBox;
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

    // The serial port choice: "Search all ports" (empty) or one device.
    QString ChosenSerialPort() const;
    // Fills the port list anew from the devices present now, keeping the choice.
    void RefreshPorts();

    void SearchClick();
    void OkClick();

signals:
    // "Ok" stored another serial port choice.
    void serialPortChanged();

public:
    void CancelClick();

protected:
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void retranslateUi();

    QGroupBox *gbTavoPath;
    QLineEdit *TavoPath;
    QPushButton *Search;
    QGroupBox *gbSerialPort;
    QComboBox *SerialPort;
    QPushButton *RefreshPortList;
    QString m_storedPort; // the choice as "Vard.ini" held it when the dialog opened
    QPushButton *Ok;
    QPushButton *Cancel;
};

// Shows "Program options" modally and destroys it after it closes; onPortChanged runs
// when the serial port choice was changed and stored.
void ShowProgramOptions(QWidget *owner, const std::function<void()> &onPortChanged = {});
