#include "ui/DebugUnit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/widgets/LineNumberTextView.h"

namespace {
constexpr int kMinimumMaxLines = 10;
constexpr int kPanelHeight = 51;
constexpr QSize kButtonSize{183, 35};
} // namespace

TDebugForm::TDebugForm(QWidget *parent)
    : QWidget(parent, Qt::Window),
      memoDebug(new LineTextView(this)),
      btnClose(new QPushButton(this)),
      btnBreak(new QPushButton(this))
{
    setObjectName(QStringLiteral("DebugForm"));
    // Closing the main window ends the program even while this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setStyleHint(QFont::SansSerif);
    formFont.setPixelSize(14);
    setFont(formFont);

    memoDebug->setObjectName(QStringLiteral("memoDebug"));
    memoDebug->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoDebug->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoDebug->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnBreak->setObjectName(QStringLiteral("btnBreak"));
    for (QPushButton *button : {btnClose, btnBreak}) {
        button->setFixedSize(kButtonSize);
        button->setAutoDefault(false);
    }

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("panelBottom"));
    panel->setFixedHeight(kPanelHeight);
    auto *buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addWidget(btnBreak);
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(memoDebug);
    layout->addWidget(panel);
    resize(640, 420);

    connect(btnClose, &QPushButton::clicked, this, &TDebugForm::btnCloseClick);
    connect(btnBreak, &QPushButton::clicked, this, &TDebugForm::btnBreakClick);
    // A window shortcut sees Esc before whichever control has the focus.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { SetActive(false); });

    retranslateUi();
}

bool TDebugForm::Active() const
{
    return m_active;
}

bool TDebugForm::Paused() const
{
    return m_paused;
}

void TDebugForm::SetActive(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (on) {
        show();
        raise();
        activateWindow();
    } else {
        hide();
        memoDebug->clearLines();
    }
    emit activeChanged(on);
}

void TDebugForm::AddTrace(const QString &text)
{
    if (!m_active || m_paused)
        return;
    if (MaxLines < kMinimumMaxLines)
        MaxLines = kMinimumMaxLines;
    // A loop rather than one deletion: after MaxLines has been lowered the window
    // comes down to the new limit instead of staying above it for good.
    while (memoDebug->lineCount() >= MaxLines)
        memoDebug->removeFirstLine();
    memoDebug->appendLine(text);
}

void TDebugForm::btnCloseClick()
{
    SetActive(false);
}

void TDebugForm::btnBreakClick()
{
    m_paused = !m_paused;
    retranslateUi();
}

void TDebugForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void TDebugForm::retranslateUi()
{
    setWindowTitle(tr("Debug informations"));
    btnClose->setText(tr("CANCEL"));
    btnBreak->setText(m_paused ? tr("RESUME LOGGING") : tr("BREAK LOGGING"));
}
