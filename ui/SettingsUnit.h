#pragma once
// "Program options": where the separate measuring program lives, which serial port the
// link uses, and (in a dialog of its own) where the line's messages go. All are
// program-wide settings; "Ok" writes the first two to "Vard.ini" at once, with the
// language. The line messaging dialog writes its settings when it is left with "Ok",
// whatever becomes of this one.

#include <QDialog>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
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
    void CfxSettingsClick();
    void OkClick();

signals:
    // "Ok" stored another serial port choice.
    void serialPortChanged();
    // The line messaging dialog stored changed settings.
    void cfxSettingsChanged();

public:
    void CancelClick();

protected:
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void retranslateUi();
    void UpdateCfxSummary();

    QGroupBox *gbTavoPath;
    QLineEdit *TavoPath;
    QPushButton *Search;
    QGroupBox *gbSerialPort;
    QComboBox *SerialPort;
    QPushButton *RefreshPortList;
    QString m_storedPort; // the choice as "Vard.ini" held it when the dialog opened
    QGroupBox *gbCfx;
    QLabel *CfxSummaryLabel;
    QPushButton *CfxSettings;
    QPushButton *Ok;
    QPushButton *Cancel;
};

// Shows "Program options" modally and destroys it after it closes; onPortChanged runs
// when the serial port choice was changed and stored, onCfxChanged when the line
// messaging settings were.
void ShowProgramOptions(QWidget *owner, const std::function<void()> &onPortChanged = {},
                        const std::function<void()> &onCfxChanged = {});
