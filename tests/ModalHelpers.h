#pragma once
// Answering modal windows from a test: the window's exec() blocks the test until
// somebody closes it, so the answer is scheduled before the action that opens it.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `act` once the next modal window (a message box or a dialog) is up; gives up
// after about two seconds, so a window that never comes fails the test instead of
// hanging it.
inline void whenModal(std::function<void(QWidget *)> act, int pollMs = 5)
{
    auto *timer = new QTimer(qApp);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, attempts] {
        QWidget *w = QApplication::activeModalWidget();
        if (w || ++*attempts >= 400) {
            timer->stop();
            timer->deleteLater();
            if (w)
                act(w);
        }
    });
    timer->start(pollMs);
}

// Answers the next message box with `button`. `seen` receives "caption|text", and with
// `withIcon` also "|" and the icon's number.
inline void answerBox(QMessageBox::StandardButton button, QString *seen = nullptr, bool withIcon = false)
{
    whenModal([button, seen, withIcon](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return;
        if (seen) {
            *seen = box->windowTitle() + "|" + box->text();
            if (withIcon)
                *seen += "|" + QString::number(box->icon());
        }
        box->button(button)->click();
    });
}
