#include "ui/widgets/LineNumberTextView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

// ---------------------------------------------------------------- LineTextView

LineTextView::LineTextView(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    // The view is only ever written by the program; an undo history would keep a
    // second copy of every line for nothing.
    setUndoRedoEnabled(false);
}

void LineTextView::appendLine(const QString &text)
{
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (m_hasLines)
        cursor.insertBlock();
    cursor.insertText(text);
    m_hasLines = true;
    if (atEnd)
        bar->setValue(bar->maximum());
}

void LineTextView::removeFirstLine()
{
    if (!m_hasLines)
        return;
    if (document()->blockCount() <= 1) {
        clearLines();
        return;
    }
    QTextCursor cursor(document()->firstBlock());
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void LineTextView::clearLines()
{
    clear();
    m_hasLines = false;
}

int LineTextView::lineCount() const
{
    return m_hasLines ? document()->blockCount() : 0;
}

QStringList LineTextView::lines() const
{
    QStringList result;
    if (!m_hasLines)
        return result;
    result.reserve(document()->blockCount());
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next())
        result.append(block.text());
    return result;
}

QList<LineTextView::VisibleLine> LineTextView::visibleLines() const
{
    QList<VisibleLine> result;
    if (!m_hasLines)
        return result;
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    const qreal bottom = viewport()->height();
    while (block.isValid() && top <= bottom) {
        const qreal height = blockBoundingRect(block).height();
        if (block.isVisible())
            result.append({block.blockNumber() + 1, top, height});
        top += height;
        block = block.next();
    }
    return result;
}

// ---------------------------------------------------------------- LineNumberGutter

namespace {
constexpr int kGutterPadding = 6;
constexpr int kMinimumDigits = 3;
} // namespace

LineNumberGutter::LineNumberGutter(LineTextView *view, QWidget *parent) : QWidget(parent), m_view(view)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    // Scrolling, typing and resizing all end in an update request of the view.
    connect(view, &QPlainTextEdit::updateRequest, this, [this] { update(); });
    connect(view, &QPlainTextEdit::blockCountChanged, this, [this] {
        updateGeometry();
        update();
    });
}

int LineNumberGutter::requiredWidth() const
{
    const int digits = std::max(kMinimumDigits, static_cast<int>(QString::number(m_view->lineCount()).size()));
    const QFontMetrics metrics(m_view->font());
    return 2 * kGutterPadding + digits * metrics.horizontalAdvance(QLatin1Char('9'));
}

QSize LineNumberGutter::sizeHint() const
{
    return {requiredWidth(), m_view->sizeHint().height()};
}

void LineNumberGutter::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QPalette pal = palette();
    painter.fillRect(event->rect(), pal.color(QPalette::Window));

    // The numbers line up with the view's viewport, which sits inside the view's frame.
    const QRect viewport = m_view->viewport()->geometry();
    const int offset = m_view->geometry().top() - geometry().top() + viewport.top();
    painter.setClipRect(QRect(0, offset, width(), viewport.height()));
    painter.setFont(m_view->font());
    painter.setPen(pal.color(QPalette::Disabled, QPalette::Text));
    const int rowHeight = QFontMetrics(m_view->font()).height();
    for (const LineTextView::VisibleLine &line : m_view->visibleLines()) {
        const QRect box(0, offset + qRound(line.top), width() - kGutterPadding, rowHeight);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(line.number));
    }
}

// ---------------------------------------------------------------- LineNumberTextView

LineNumberTextView::LineNumberTextView(QWidget *parent)
    : QSplitter(Qt::Horizontal, parent), m_view(new LineTextView), m_gutter(new LineNumberGutter(m_view))
{
    addWidget(m_gutter);
    addWidget(m_view);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setChildrenCollapsible(false);
    m_lastRequiredWidth = m_gutter->requiredWidth();
    connect(m_view, &QPlainTextEdit::blockCountChanged, this, &LineNumberTextView::widenGutterIfNeeded);
}

void LineNumberTextView::widenGutterIfNeeded()
{
    // Only when the numbers gain a digit: a column the operator has narrowed on purpose
    // is left alone otherwise.
    const int required = m_gutter->requiredWidth();
    if (required <= m_lastRequiredWidth)
        return;
    m_lastRequiredWidth = required;
    QList<int> widths = sizes();
    if (widths.size() == 2 && widths[0] < required && widths[0] + widths[1] > required) {
        const int total = widths[0] + widths[1];
        setSizes({required, total - required});
    }
}
