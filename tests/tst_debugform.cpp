// The debug trace window: which lines it keeps, when it drops them, and how it is
// switched off and hidden.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include "ui/DebugUnit.h"

namespace {

QStringList memoLines(const TDebugForm &form)
{
    const auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("memoDebug"));
    if (!memo || memo->document()->isEmpty())
        return {};
    return memo->toPlainText().split(u'\n');
}

QPushButton *button(const TDebugForm &form, const char *name)
{
    return form.findChild<QPushButton *>(QString::fromLatin1(name));
}

} // namespace

class TestDebugForm : public QObject {
    Q_OBJECT

private slots:
    void layout()
    {
        TDebugForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Debug informations"));
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Active());
        const auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("memoDebug"));
        QVERIFY(memo);
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(button(form, "btnClose")->text(), QStringLiteral("CANCEL"));
        QCOMPARE(button(form, "btnBreak")->text(), QStringLiteral("BREAK LOGGING"));
        QCOMPARE(button(form, "btnBreak")->size(), QSize(183, 35));
        QCOMPARE(button(form, "btnClose")->parentWidget()->height(), 51);
    }

    void linesOnlyWhileOn()
    {
        TDebugForm form;
        form.AddTrace(QStringLiteral("before"));
        QSignalSpy changed(&form, &TDebugForm::activeChanged);
        form.SetActive(true);
        form.SetActive(true); // no change: no second signal
        QVERIFY(form.isVisible());
        QVERIFY(!form.isModal());
        form.AddTrace(QStringLiteral("R:S0;C1=74;"));
        form.AddTrace(QString());
        form.AddTrace(QStringLiteral("A:S0=4QTR A;C1=12;"));
        QCOMPARE(memoLines(form), (QStringList{"R:S0;C1=74;", "", "A:S0=4QTR A;C1=12;"}));

        form.SetActive(false);
        QVERIFY(!form.isVisible());
        QCOMPARE(memoLines(form), QStringList());
        form.AddTrace(QStringLiteral("while off"));
        form.SetActive(true);
        QCOMPARE(memoLines(form), QStringList()); // starts empty again
        QCOMPARE(changed.size(), 3);
        QCOMPARE(changed.at(0).at(0).toBool(), true);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
    }

    void capKeepsTheNewestLines_data()
    {
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("maxLinesAfter");
        QTest::addRow("500, filled exactly") << 500 << 500 << 500 << 500;
        QTest::addRow("500, one over") << 500 << 501 << 500 << 500;
        QTest::addRow("500, far over") << 500 << 1234 << 500 << 500;
        QTest::addRow("9 counts as 10") << 9 << 25 << 10 << 10;
        QTest::addRow("0 counts as 10") << 0 << 25 << 10 << 10;
        QTest::addRow("negative counts as 10") << -3 << 11 << 10 << 10;
        QTest::addRow("10 is kept") << 10 << 11 << 10 << 10;
    }
    void capKeepsTheNewestLines()
    {
        QFETCH(int, maxLines);
        QFETCH(int, added);
        QFETCH(int, kept);
        QFETCH(int, maxLinesAfter);
        TDebugForm form;
        form.MaxLines = maxLines;
        form.SetActive(true);
        for (int i = 1; i <= added; ++i)
            form.AddTrace(QStringLiteral("line %1").arg(i));
        const QStringList lines = memoLines(form);
        QCOMPARE(lines.size(), kept);
        QCOMPARE(lines.first(), QStringLiteral("line %1").arg(added - kept + 1));
        QCOMPARE(lines.last(), QStringLiteral("line %1").arg(added));
        QCOMPARE(form.MaxLines, maxLinesAfter);
    }

    void loweredCapComesDownAtOnce()
    {
        TDebugForm form;
        form.SetActive(true);
        for (int i = 1; i <= 100; ++i)
            form.AddTrace(QStringLiteral("line %1").arg(i));
        form.MaxLines = 20;
        form.AddTrace(QStringLiteral("line 101"));
        const QStringList lines = memoLines(form);
        QCOMPARE(lines.size(), 20);
        QCOMPARE(lines.first(), QStringLiteral("line 82"));
    }

    void pauseDropsLinesAndSurvivesOffOn()
    {
        TDebugForm form;
        form.SetActive(true);
        QPushButton *breakButton = button(form, "btnBreak");
        form.AddTrace(QStringLiteral("one"));
        breakButton->click();
        QVERIFY(form.Paused());
        QCOMPARE(breakButton->text(), QStringLiteral("RESUME LOGGING"));
        form.AddTrace(QStringLiteral("dropped"));

        form.SetActive(false);
        form.SetActive(true);
        QVERIFY(form.Paused());
        QCOMPARE(breakButton->text(), QStringLiteral("RESUME LOGGING"));
        form.AddTrace(QStringLiteral("dropped too"));
        QCOMPARE(memoLines(form), QStringList());

        breakButton->click();
        QVERIFY(!form.Paused());
        QCOMPARE(breakButton->text(), QStringLiteral("BREAK LOGGING"));
        form.AddTrace(QStringLiteral("two"));
        QCOMPARE(memoLines(form), QStringList{"two"});
    }

    void languageSwitchKeepsThePause()
    {
        struct Marking : QTranslator {
            QString translate(const char *context, const char *source, const char *, int) const override
            {
                return qstrcmp(context, "TDebugForm") == 0 ? QLatin1String("<") + QString::fromUtf8(source) + u'>'
                                                           : QString();
            }
            bool isEmpty() const override { return false; }
        } translator;
        TDebugForm form;
        button(form, "btnBreak")->click();
        QCoreApplication::installTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        const QString title = form.windowTitle();
        const QString breakText = button(form, "btnBreak")->text();
        const QString closeText = button(form, "btnClose")->text();
        QCoreApplication::removeTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(title, QStringLiteral("<Debug informations>"));
        QCOMPARE(breakText, QStringLiteral("<RESUME LOGGING>"));
        QCOMPARE(closeText, QStringLiteral("<CANCEL>"));
        QVERIFY(form.Paused());
    }

    void cancelAndEscapeSwitchOff_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addRow("CANCEL") << false;
        QTest::addRow("Esc") << true;
    }
    void cancelAndEscapeSwitchOff()
    {
        QFETCH(bool, escape);
        TDebugForm form;
        QSignalSpy changed(&form, &TDebugForm::activeChanged);
        form.SetActive(true);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.AddTrace(QStringLiteral("line"));
        if (escape)
            QTest::keyClick(form.findChild<QPlainTextEdit *>(QStringLiteral("memoDebug")), Qt::Key_Escape);
        else
            button(form, "btnClose")->click();
        QVERIFY(!form.Active());
        QVERIFY(!form.isVisible());
        QCOMPARE(memoLines(form), QStringList());
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).toBool(), false);
    }

    void closeBoxOnlyHides()
    {
        TDebugForm form;
        QSignalSpy changed(&form, &TDebugForm::activeChanged);
        form.SetActive(true);
        form.AddTrace(QStringLiteral("one"));
        QVERIFY(form.close());
        QVERIFY(!form.isVisible());
        QVERIFY(form.Active());
        form.AddTrace(QStringLiteral("two")); // still collecting while hidden
        QCOMPARE(memoLines(form), (QStringList{"one", "two"}));
        QCOMPARE(changed.size(), 1);

        // The menu item passes the opposite of Active: first off (and cleared)...
        form.SetActive(!form.Active());
        QVERIFY(!form.Active());
        QCOMPARE(memoLines(form), QStringList());
        // ...then shown again.
        form.SetActive(!form.Active());
        QVERIFY(form.Active());
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(TestDebugForm)
#include "tst_debugform.moc"
