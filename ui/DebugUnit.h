#pragma once
// The debug trace window: the raw traffic with the machine (every request handed to
// the link and every reply taken back) while a service technician watches it. Created
// hidden at start-up; collects lines only while it is on.

#include <QWidget>

class LineTextView;
class QPushButton;

class TDebugForm : public QWidget {
    Q_OBJECT
public:
    explicit TDebugForm(QWidget *parent = nullptr);

    // Callers test Active() before they build a line.
    bool Active() const;
    bool Paused() const;
    int MaxLines = 500;

    // On: shown (not modal) and collecting; off: hidden, lines deleted.
    void SetActive(bool on);
    void AddTrace(const QString &text);

signals:
    void activeChanged(bool on);

protected:
    void changeEvent(QEvent *event) override;

private:
    void btnCloseClick();
    void btnBreakClick();
    void retranslateUi();

    LineTextView *memoDebug;
    QPushButton *btnClose;
    QPushButton *btnBreak;
    bool m_active = false;
    bool m_paused = false;
};
