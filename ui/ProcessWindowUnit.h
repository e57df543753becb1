#pragma once
// The process-window dialog: pick a named window (the saved ones and the built-in
// starting points), change its limits and solder settings, save it under a name or
// erase it. The chosen window is handed back to the measurement window.

#include <QDialog>

#include <array>
#include <optional>

#include "measure/ProcessWindow.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TProcessWindowForm : public QDialog {
    Q_OBJECT
public:
    explicit TProcessWindowForm(const std::optional<vard::ProcessWindow> &current, QWidget *parent = nullptr);

    // The window as the fields show it (name from the name box).
    vard::ProcessWindow Window() const;
    void ShowWindow(const vard::ProcessWindow &window);

    // The saved windows first, then the built-in ones not saved under their name.
    static QList<vard::ProcessWindow> Offered();

    // Handlers, public for tests.
    void btnSaveClick();
    void btnEraseClick();

protected:
    void changeEvent(QEvent *event) override;

private:
    void fillNames(const QString &select);
    void nameChosen(int index);
    void retranslateUi();
    // A limit field's number; nothing when empty, and false in *ok for a non-number.
    static std::optional<double> limitOf(const QLineEdit *edit, bool *ok);

    QComboBox *cbName;
    QLabel *lblName;
    QLabel *lblLiquidus;
    QDoubleSpinBox *edtLiquidus;
    QLabel *lblSoak;
    QDoubleSpinBox *edtSoakLow;
    QDoubleSpinBox *edtSoakHigh;
    QLabel *lblSlope;
    QDoubleSpinBox *edtSlopeWindow;
    QLabel *lblLower;
    QLabel *lblUpper;
    std::array<QLabel *, vard::kFigureCount> lblFigure{};
    std::array<QLineEdit *, vard::kFigureCount> edtLower{};
    std::array<QLineEdit *, vard::kFigureCount> edtUpper{};
    QPushButton *btnSave;
    QPushButton *btnErase;
    QPushButton *btnOK;
    QPushButton *btnCancel;
    QList<vard::ProcessWindow> m_offered;
};

// Shows the dialog; the window chosen with OK, or nothing on Cancel.
std::optional<vard::ProcessWindow> ShowProcessWindowDialog(QWidget *owner,
                                                           const std::optional<vard::ProcessWindow> &current);
