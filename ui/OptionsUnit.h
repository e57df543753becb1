#pragma once
// "Set machine options": the machine's auto-heater option (the heater switches itself
// on after the machine starts up). The choice is queued like every other setting and
// sent at once, together with whatever else is waiting to go.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class TMachine;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(TMachine *machine, QWidget *parent = nullptr);

    void OkClick();
    void CancelClick();

protected:
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void retranslateUi();

    TMachine *m_machine;
    QLabel *Label1;
    QCheckBox *AutoHeater;
    QPushButton *Ok;
    QPushButton *Cancel;
};

// Refuses with "Machine is not connected!" (owned by `owner`) while no machine is
// connected; otherwise shows "Set machine options" modally and destroys it after it
// closes.
void ShowMachineOptions(QWidget *owner, TMachine *machine);
