#pragma once
// A plain window that shows what the link is doing: the port being scanned, or the
// machine that answered and where. It reads the machine object on a timer, never the
// port; until the operator's main window exists it is the program's only window.

#include <QLabel>
#include <QTimer>
#include <QWidget>

class TMachine;

class LinkStatusWindow : public QWidget {
    Q_OBJECT
public:
    explicit LinkStatusWindow(TMachine *machine, QWidget *parent = nullptr);

    QString statusText() const { return m_status->text(); }

private:
    void refresh();

    TMachine *m_machine;
    QLabel *m_status;
    QTimer m_timer;
    QString m_lastLog;
};
