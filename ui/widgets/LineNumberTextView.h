#pragma once
// A read-only view of text lines with an optional line-number column. The log and the
// trace windows keep their lines in it: lines are only ever appended, removed from the
// top or cleared, and the view counts them itself, so an empty line is a line and a
// fresh view holds none (a bare QPlainTextEdit cannot tell "no lines" from "one empty
// line").

#include <QList>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStringList>

class LineTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LineTextView(QWidget *parent = nullptr);

    // Appends one line. A view scrolled to its end stays at the end; one the reader
    // has scrolled back stays where it is.
    void appendLine(const QString &text);
    void removeFirstLine();
    void clearLines();
    int lineCount() const;
    QStringList lines() const;

    // The lines shown in the viewport: 1-based number, top and height in viewport
    // coordinates (a wrapped line is as high as all its rows).
    struct VisibleLine {
        int number;
        qreal top;
        qreal height;
    };
    QList<VisibleLine> visibleLines() const;

private:
    bool m_hasLines = false;
};

// The column of line numbers painted beside a LineTextView, kept in step with its
// scrolling.
class LineNumberGutter : public QWidget {
    Q_OBJECT
public:
    explicit LineNumberGutter(LineTextView *view, QWidget *parent = nullptr);

    // Wide enough for the numbers of the view's current line count (three digits at
    // least, so the column does not jump while a short text grows).
    int requiredWidth() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    LineTextView *m_view;
};

// Gutter and text side by side in a splitter, so the operator can widen or narrow the
// number column.
class LineNumberTextView : public QSplitter {
    Q_OBJECT
public:
    explicit LineNumberTextView(QWidget *parent = nullptr);

    LineTextView *textView() const { return m_view; }
    LineNumberGutter *gutter() const { return m_gutter; }

private:
    void widenGutterIfNeeded();

    LineTextView *m_view;
    LineNumberGutter *m_gutter;
    int m_lastRequiredWidth = 0;
};
