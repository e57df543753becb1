#pragma once
// The machine log ("System Log"): a running text record of the machine's condition.
// Created hidden at start-up, it lives for the whole run; closing it only hides it.
// The timer adds a line with every zone's values at the chosen interval.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

#include "machine/LogFiles.h"

class LineNumberTextView;
class LineTextView;
class QComboBox;
class QLabel;
class QPrinter;
class QTimer;
class QToolBar;
class QToolButton;
class TMachine;

class TLogForm : public QWidget {
    Q_OBJECT
public:
    // Restores the position from "Vard.pos" ("LogForm"), adds the start line, sets the
    // hints; logging is on at 30 minutes.
    explicit TLogForm(TMachine *machine, QWidget *parent = nullptr);
    // Stores the position in "Vard.pos".
    ~TLogForm() override;

    // Appends one line; with stamp, "[" + time of day + "] " comes first.
    void AddLine(const QString &text, bool stamp);
    QStringList Lines() const;

    // The periodic line of all zones as the timer adds it (without the stamp); empty
    // when no machine is identified.
    static QString PeriodicLine(const TMachine &machine);

    // Lays the log out on the printer's pages: the print preview draws its pages with
    // it, and so does the printing the preview starts. False when the printer cannot
    // be opened (a PDF file that cannot be created, for example).
    bool PaintLog(QPrinter *printer) const;

protected:
    // The file the operator picks in the save dialog; empty when cancelled.
    virtual QString chooseSaveFileName();
    void changeEvent(QEvent *event) override;

private:
    void tmrLogTimer();
    void btnDoLogClick(bool down);
    void comboIntervalSelect(int index);
    void btnClearClick();
    void btnSaveClick();
    void btnPrintClick();
    void retranslateUi();
    bool writeLogFile(const QString &path);

    TMachine *m_machine;
    QToolBar *ToolBar;
    QToolButton *btnDoLog;
    QToolButton *btnClear;
    QToolButton *btnPrint;
    QToolButton *btnSave;
    QLabel *lblDefault;
    QComboBox *comboInterval;
    LineNumberTextView *m_logView;
    LineTextView *memoLog;
    QTimer *tmrLog;
    QString m_saveFolder; // where the save dialog opens: the folder of the last save
    // Every line also goes to the day's file in "Logs", so the log outlives the program.
    std::unique_ptr<vard::LogFiles> m_files;
    QLabel *lblFileProblem; // shown while the day's file cannot be written
};
