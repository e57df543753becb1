#pragma once
// "Line messaging (CFX)": where the program publishes the machine's state — the broker,
// the address to send to, this endpoint's handle and how often heartbeats and readings
// go out. "Ok" writes the [CFX] section of "Vard.ini" at once; "Test connection" tries
// the settings as they are typed, without storing them.

#include <QDialog>
#include <QPointer>

#include "cfx/CfxSettings.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TCfxOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TCfxOptionsForm(QWidget *parent = nullptr);
    ~TCfxOptionsForm() override;

    // How long a connection test may take before it counts as failed (5 s).
    int TestTimeout() const { return m_testTimeoutMs; }
    void SetTestTimeout(int ms) { m_testTimeoutMs = ms; }

    // The settings as the fields hold them (the URL, target and handle trimmed).
    TCfxSettings EnteredSettings() const;
    // True once "Ok" stored settings that differ from those "Vard.ini" held before.
    bool StoredChange() const { return m_storedChange; }
    // True while a connection test is under way.
    bool Testing() const { return m_test != nullptr; }

    // Why a text field's value cannot be stored as it is (a line break, a NUL, or a
    // character outside the settings file's code page), in words naming the field by
    // `fieldName`; empty when it can.
    static QString FieldProblem(const QString &fieldName, const QString &value);

    void TestClick();
    void OkClick();
    void CancelClick();

    void done(int result) override;

signals:
    // A connection test ended; `ok` and the outcome as the result line shows it.
    void testFinished(bool ok, const QString &message);

protected:
    void changeEvent(QEvent *event) override;

private:
    enum class Result { None, Running, Ok, Failed };

    void retranslateUi();
    void FormCreate();
    void ShowResult(Result result, const QString &text);
    void EndTest(bool ok, const QString &message);
    void StopTest();
    // The problem of the entered settings, in words; empty when they can be used.
    QString EnteredProblem() const;

    QLabel *lBrokerUrl;
    QLineEdit *BrokerUrl;
    QLabel *lUser;
    QLineEdit *User;
    QLabel *lPassword;
    QLineEdit *Password;
    QLabel *lTarget;
    QLineEdit *Target;
    QLabel *lHandle;
    QLineEdit *Handle;
    QLabel *lHeartbeat;
    QSpinBox *Heartbeat;
    QLabel *lProcessData;
    QSpinBox *ProcessData;
    QLabel *lSpoolLimit;
    QSpinBox *SpoolLimit;
    QPushButton *TestConnection;
    QLabel *TestResult;
    QPushButton *Ok;
    QPushButton *Cancel;

    TCfxSettings m_loaded; // as "Vard.ini" held them when the dialog opened
    bool m_storedChange = false;
    // The running test's receiver: gone with the test, so an answer that comes after
    // the dialog closed, or after the test was given up, reaches nobody.
    QPointer<QObject> m_test;
    Result m_result = Result::None;
    int m_testTimeoutMs = 5000;
};

// Shows "Line messaging (CFX)" modally; true when "Ok" stored changed settings.
bool ShowCfxOptions(QWidget *owner);

// The one-line account of the settings: "Off" without a broker URL, else the URL, the
// target and the handle in force.
QString CfxSummary(const TCfxSettings &settings);
