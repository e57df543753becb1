#pragma once
// "Edit values": new target values for the main window's current zone: the target
// temperature (or the IR preselection) or the transport speed, and the fan setting.
// Only the fields the operator edits are handed to the machine, which checks and
// queues them; nothing goes out before "Send Values".

#include <QDialog>

#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class TMainWindow;

class TEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TEditForm(TMainWindow *main, QWidget *parent = nullptr);

    // A whole number as the operator may type it: leading blanks and a sign allowed.
    // Nothing for anything else, and for a number outside the 16-bit range, which no
    // setter could take as typed.
    static std::optional<qint16> ParseWholeNumber(const QString &text);

    void OkClick();

private:
    // The values the machine accepts for a field, bounds included.
    struct Limits {
        int low, high;
        QString unit;
    };
    void FormCreate();
    static QString rangeText(const Limits &limits);
    // The field's value when it is a whole number within the limits; otherwise the
    // operator is told why, and the field gets the focus.
    std::optional<qint16> checked(QLineEdit *field, const Limits &limits);

    TMainWindow *m_main;
    QLabel *ZoneLabelStr;
    QLabel *m_mainPrompt;
    QLineEdit *edtMainValue;
    QLabel *m_fanPrompt;
    QLineEdit *TargetFan;
    QPushButton *Ok;
    QPushButton *Cancel;
    QLabel *m_mainRange;
    QLabel *m_fanRange;
    std::optional<Limits> m_mainLimits, m_fanLimits;
    bool m_mainChanged = false;
    bool m_fanChanged = false;
};
