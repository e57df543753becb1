#pragma once
// Named sets of target values in "Profiles.vard" and the dialog that loads, saves and
// erases them. Loading only queues the values through the machine's setters, which
// check their limits; the operator sends them with "Send Values".

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TMachine;
class TDebugForm;

class TProfileForm : public QDialog {
    Q_OBJECT
public:
    // `debug` (may be null) receives the trace line of a failing profile file.
    TProfileForm(TMachine *machine, TDebugForm *debug, QWidget *parent = nullptr);

    // "Profiles.vard" in the settings folder.
    static QString ProfileFilePath();
    // The name as typed without the blanks and control characters (codes 0 to 32) at
    // either end.
    static QString TrimName(const QString &typed);
    // The section a typed name is stored under: trimmed, and a to z in upper case only,
    // so accented letters keep their case as in the files other tools write.
    static QString SectionName(const QString &typed);
    // Whether a section of this name can be written and found again: not empty, and
    // nothing in it that the file would read back as another name (a closing bracket,
    // a line break, a character the file's code page cannot hold).
    static bool IsStorableName(const QString &section);
    // A stored value as it goes to a setter: the settings files' integer rules, and 0
    // for anything that is no number or does not fit 16 bits.
    static qint16 ProfileValue(const QString &text);

    void FillList();
    void ComboSelect(int index);
    void LoadClick();
    void SaveClick();
    void EraseClick();
    void QuitClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void retranslateUi();
    // Traces the first failure of one Load or Save; later ones of the same operation
    // add nothing.
    void reportFailure(bool &reported) const;

    TMachine *m_machine;
    TDebugForm *m_debug;
    QString m_fileName;

    QLabel *Label1;
    QComboBox *Combo;
    QLabel *ProfileNameStr;
    QLineEdit *ProfileName;
    QPushButton *Load;
    QPushButton *Save;
    QPushButton *Erase;
    QPushButton *Quit;
};

// Refuses with "Machine is not connected!" when no machine is connected; otherwise
// shows the "Manage profiles" dialog modally. `debug` (may be null) receives the trace
// line of a failing profile file.
void ShowProfileDialog(QWidget *owner, TMachine *machine, TDebugForm *debug);
