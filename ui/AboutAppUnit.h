#pragma once
// The about boxes, the checksum tool and the launch of the separate measuring program:
// the main window's remaining menu actions. None of them keeps state.

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// "About application": version, date and history of the program.
class TAboutAppForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutAppForm(QWidget *parent = nullptr);

    // The lines of a history text: each line ends with a CR; whatever follows the last
    // CR is not a finished line and is left out.
    static QStringList HistoryLines(const QString &text);

protected:
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void retranslateUi();

    QTabWidget *pctrlDefault;
    QWidget *tabInfo;
    QWidget *tabHistory;
    QLabel *imgTavo;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblTavoVersion;
    QLabel *lblDate;
    QLabel *lblTavoDate;
    QPlainTextEdit *memoHistory;
    QPushButton *btnOK;
};

// Shows "About application" modally and destroys it after it closes.
void ShowAboutApp(QWidget *owner);

// "About KEL": the maker's contact, in a message box owned by `owner`.
void ShowAboutMaker(QWidget *owner);

// Asks for a text and shows the protocol's check value of it in the program's 8-bit
// code page. An empty or cancelled input shows nothing.
void RunChecksumTool(QWidget *owner);

// The file to start for a "Tavo path" setting: the setting itself when it already
// names the program file (in any letter case, after either separator), else the
// setting as a folder with the program's file name appended.
QString TavoProgramFile(const QString &setting);

// Starts the measuring program for the setting without waiting for it; when it cannot
// be started, says so in a message box owned by `owner`. `start` starts the program
// file it is given and tells whether that worked; none means QProcess::startDetached
// with no arguments.
void CallTavo(QWidget *owner, const QString &setting,
              const std::function<bool(const QString &)> &start = {});
