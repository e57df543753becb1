// The machine log window: its line store and stamps, logging on and off, the interval,
// clearing, saving (bytes on disk, the extension, the overwrite question), printing to
// PDF, the window position, and the periodic line composed from the machine's values.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <tuple>

#include "FileHelpers.h"
#include "app/GlobalUnit.h"
#include "machine/MachineUnit.h"
#include "app/TextCodec.h"
#include "machine/LogFiles.h"
#include "ui/LogUnit.h"

namespace {

// The log window with the save dialog's answer given by the test.
class LogForm : public TLogForm {
public:
    using TLogForm::TLogForm;
    QString chosenFile;
    int dialogsShown = 0;

protected:
    QString chooseSaveFileName() override
    {
        ++dialogsShown;
        return chosenFile;
    }
};

// Answers the message boxes that come up while it lives, noting what they said.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) : m_answer(answer)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answerOpenBox(); });
        m_timer.start();
    }

    int count = 0;
    QString title;
    QString text;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

private:
    void answerOpenBox()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        ++count;
        title = box->windowTitle();
        text = box->text();
        defaultButton = box->standardButton(box->defaultButton());
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            button = box->button(QMessageBox::Ok);
        button->click();
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

// A translation that marks every text of the log window, so a test sees which texts a
// language switch reaches.
class MarkingTranslator : public QTranslator {
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        return qstrcmp(context, "TLogForm") == 0 ? QLatin1String("<") + QString::fromUtf8(source) + u'>' : QString();
    }
    bool isEmpty() const override { return false; }
};

QToolButton *toolButton(const QWidget &form, const char *name)
{
    return form.findChild<QToolButton *>(QString::fromLatin1(name));
}

QTimer *logTimer(const QWidget &form)
{
    return form.findChild<QTimer *>(QStringLiteral("tmrLog"));
}

void selectInterval(QWidget &form, int index)
{
    auto *combo = form.findChild<QComboBox *>(QStringLiteral("comboInterval"));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// A log window stopped and emptied, holding exactly `lines` (unstamped).
void fillStopped(TLogForm &form, const QStringList &lines)
{
    toolButton(form, "btnDoLog")->click();
    {
        BoxAnswerer yes(QMessageBox::Yes);
        toolButton(form, "btnClear")->click();
    }
    for (const QString &line : lines)
        form.AddLine(line, false);
    QCOMPARE(form.Lines(), lines);
}

QByteArray withCheck(const QByteArray &text)
{
    return text + "C1=" + QByteArray::number(TMachine::Checksum(text)) + ';';
}

// A machine object without a link thread, brought up through its poll cycle with the
// test playing the machine: identified, its settings read, one values reply taken.
struct MachineRig {
    TMachine machine{TThreadCom::DeviceFactory{}};

    void answer(const QByteArray &payload) { machine.Com().DeliverReply(withCheck(payload).toStdString()); }
    void bringUp(const QByteArray &ident, const QByteArray &settings, const QByteArray &values)
    {
        machine.Com().MarkConnected();
        machine.RefreshTick();
        machine.RefreshTick();
        answer("A:S0=" + ident + ";");
        machine.RefreshTick();
        machine.RefreshTick();
        answer(settings);
        machine.RefreshTick();
        QCOMPARE(machine.PollState(), psReadValues);
        machine.RefreshTick();
        answer(values);
        machine.RefreshTick();
        QCOMPARE(machine.PollState(), psWrite);
    }
};

// The page objects of a PDF file (the page tree's "/Type /Pages" excluded).
int pdfPageCount(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page(?![a-zA-Z]))"));
    int count = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next())
        ++count;
    return count;
}

const QString kStamp = QStringLiteral(R"(^\[\d{1,2}:\d{2}:\d{2}\] )");

} // namespace

class TestLogForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_files;

private slots:
    void initTestCase()
    {
        QApplication::setApplicationDisplayName(QStringLiteral("Vard"));
    }
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_home = std::make_unique<QTemporaryDir>();
        m_files = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        qunsetenv("VARD_HOME");
    }

    // ------------------------------------------------------------ the daily file

    // Every line of the window is in the day's file as it was shown, one window after
    // another appending to it; [Log] WriteFiles=0 keeps the file away.
    void linesGoToTheDailyFile_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("on by default") << true;
        QTest::newRow("WriteFiles=0") << false;
    }

    void linesGoToTheDailyFile()
    {
        QFETCH(bool, enabled);
        if (!enabled) {
            QFile ini(m_home->filePath("Vard.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Log]\r\nWriteFiles=0\r\n");
        }
        QStringList shown;
        for (int run = 0; run < 2; ++run) {
            TLogForm form(nullptr);
            form.AddLine(QString::fromUtf8("Preheat 2: error (%1 \u00b0C)").arg(run), true);
            shown += form.Lines();
        }
        const QString file = m_home->filePath("Logs/" + vard::LogFiles::fileName(QDate::currentDate()));
        if (!enabled) {
            QVERIFY(!QFile::exists(file));
            return;
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), vard::toCp1252(shown.join("\r\n") + "\r\n"));
    }

    // ------------------------------------------------------------ window and lines

    void freshStart()
    {
        TLogForm form(nullptr);
        QCOMPARE(form.windowTitle(), QStringLiteral("System Log"));
        QVERIFY(!form.isVisible());
        const QStringList lines = form.Lines();
        QCOMPARE(lines.size(), 1);
        const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
        QVERIFY2(QRegularExpression(kStamp + "Application started on " + QRegularExpression::escape(date) + "$")
                     .match(lines.first())
                     .hasMatch(),
                 qPrintable(lines.first()));
        QVERIFY(!lines.first().contains(QLatin1String("UTC")));

        auto *combo = form.findChild<QComboBox *>(QStringLiteral("comboInterval"));
        QVERIFY(!combo->isEditable());
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, (QStringList{"1 min.", "2 min.", "3 min.", "5 min.", "10 min.", "30 min.", "60 min."}));
        QCOMPARE(combo->currentText(), QStringLiteral("30 min."));
        QVERIFY(logTimer(form)->isActive());
        QCOMPARE(logTimer(form)->interval(), 1800000);
        QVERIFY(form.findChild<QWidget *>(QStringLiteral("PlusGutter")));
        auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("memoLog"));
        QVERIFY(memo && memo->isReadOnly());
        QCOMPARE(memo->font().pixelSize(), 13);
    }

    void stamps_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("stamp");
        QTest::addColumn<QString>("pattern");
        QTest::addRow("C locale") << "C" << true << kStamp + "Connected with 4QTR A$";
        QTest::addRow("German") << "de_DE" << true << kStamp + "Connected with 4QTR A$";
        QTest::addRow("US: with AM/PM, no zone")
            << "en_US" << true << QStringLiteral(R"(^\[\d{1,2}:\d{2}:\d{2} [AP]M\] Connected with 4QTR A$)");
        QTest::addRow("without stamp") << "C" << false << "^Connected with 4QTR A$";
    }
    void stamps()
    {
        QFETCH(QString, locale);
        QFETCH(bool, stamp);
        QFETCH(QString, pattern);
        TLogForm form(nullptr);
        QLocale::setDefault(QLocale(locale));
        form.AddLine(QStringLiteral("Connected with 4QTR A"), stamp);
        const QString line = form.Lines().last();
        QVERIFY2(QRegularExpression(pattern).match(line).hasMatch(), qPrintable(line));
    }

    void buttonsFollowLogging()
    {
        TLogForm form(nullptr);
        QToolButton *doLog = toolButton(form, "btnDoLog");
        const QList<QToolButton *> others{toolButton(form, "btnClear"), toolButton(form, "btnPrint"),
                                          toolButton(form, "btnSave")};
        auto othersEnabled = [&](bool enabled) {
            for (QToolButton *b : others) {
                if (b->isEnabled() != enabled)
                    return false;
            }
            return true;
        };
        QVERIFY(doLog->isCheckable() && doLog->isChecked());
        QVERIFY(othersEnabled(false));
        QCOMPARE(doLog->toolTip(), QStringLiteral("Stop system logging"));
        QCOMPARE(others[0]->toolTip(), QStringLiteral("Clear log"));
        QCOMPARE(others[1]->toolTip(), QStringLiteral("Print log"));
        QCOMPARE(others[2]->toolTip(), QStringLiteral("Save log"));

        doLog->click();
        QVERIFY(!logTimer(form)->isActive());
        QVERIFY(othersEnabled(true));
        QCOMPARE(doLog->toolTip(), QStringLiteral("Start system logging"));

        doLog->click();
        QVERIFY(logTimer(form)->isActive());
        QVERIFY(othersEnabled(false));
        QCOMPARE(doLog->toolTip(), QStringLiteral("Stop system logging"));
    }

    void intervalSelection()
    {
        TLogForm form(nullptr);
        QTimer *timer = logTimer(form);
        selectInterval(form, 0);
        QCOMPARE(timer->interval(), 60000);
        QVERIFY(timer->isActive());

        selectInterval(form, 1);
        QCOMPARE(timer->interval(), 120000);
        QVERIFY(timer->isActive());

        // Chosen while stopped: kept for the next start.
        toolButton(form, "btnDoLog")->click();
        selectInterval(form, 6);
        QVERIFY(!timer->isActive());
        toolButton(form, "btnDoLog")->click();
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 3600000);
    }

    void languageSwitchKeepsState()
    {
        TLogForm form(nullptr);
        toolButton(form, "btnDoLog")->click();
        selectInterval(form, 4);
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        const QString title = form.windowTitle();
        const QString hint = toolButton(form, "btnDoLog")->toolTip();
        const QString label = form.findChild<QLabel *>(QStringLiteral("lblDefault"))->text();
        const QString item = form.findChild<QComboBox *>(QStringLiteral("comboInterval"))->currentText();
        QCoreApplication::removeTranslator(&translator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(title, QStringLiteral("<System Log>"));
        QCOMPARE(hint, QStringLiteral("<Start system logging>"));
        QCOMPARE(label, QStringLiteral("<Select logging interval:>"));
        QCOMPARE(item, QStringLiteral("<10 min.>"));
        QCOMPARE(logTimer(form)->interval(), 600000);
        QCOMPARE(form.windowTitle(), QStringLiteral("System Log")); // and back
    }

    void clearAsksFirst_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<int>("linesLeft");
        QTest::addRow("No keeps the log") << QMessageBox::No << 2;
        QTest::addRow("Yes clears it") << QMessageBox::Yes << 0;
    }
    void clearAsksFirst()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(int, linesLeft);
        TLogForm form(nullptr);
        form.AddLine(QStringLiteral("Connection lost"), true);
        toolButton(form, "btnDoLog")->click();
        BoxAnswerer answerer(answer);
        toolButton(form, "btnClear")->click();
        QCOMPARE(answerer.count, 1);
        QCOMPARE(answerer.title, QStringLiteral("Please confirm"));
        QCOMPARE(answerer.text, QStringLiteral("Do you really want to clear the current log?"));
        QCOMPARE(answerer.defaultButton, QMessageBox::No);
        QCOMPARE(form.Lines().size(), linesLeft);
    }

    void connectionLostWhileStopped()
    {
        MachineRig rig;
        TLogForm form(&rig.machine);
        connect(&rig.machine, &TMachine::logLineAdded, &form, [&form](const QString &t) { form.AddLine(t, true); });
        toolButton(form, "btnDoLog")->click();
        rig.machine.IdentifyMachine(QStringLiteral("4QTR SIM"));
        rig.machine.SetMachineType(0);
        const QStringList lines = form.Lines();
        QCOMPARE(lines.size(), 3);
        QVERIFY2(QRegularExpression(kStamp + "Connected with 4QTR SIM$").match(lines[1]).hasMatch(),
                 qPrintable(lines[1]));
        QVERIFY2(QRegularExpression(kStamp + "Connection lost$").match(lines[2]).hasMatch(), qPrintable(lines[2]));
    }

    void escapeAndCloseOnlyHide()
    {
        TLogForm form(nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(form.findChild<QPlainTextEdit *>(QStringLiteral("memoLog")), Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        form.show();
        QVERIFY(form.close());
        QVERIFY(!form.isVisible());
        QVERIFY(logTimer(form)->isActive()); // logging goes on
        QCOMPARE(form.Lines().size(), 1);
    }

    // ------------------------------------------------------------ saving

    void saveWritesCp1252WithCrLf()
    {
        LogForm form(nullptr);
        fillStopped(form, {QStringLiteral("[14:30:00]   Underground=120°C | 118°C"), QString(),
                           QStringLiteral("Connection lost")});
        form.chosenFile = m_files->filePath(QStringLiteral("machine.log"));
        BoxAnswerer answerer(QMessageBox::Yes);
        toolButton(form, "btnSave")->click();
        QCOMPARE(answerer.count, 0);
        QCOMPARE(contents(form.chosenFile),
                 QByteArray("[14:30:00]   Underground=120\xB0" "C | 118\xB0" "C\r\n\r\nConnection lost\r\n"));
        QCOMPARE(form.Lines().size(), 3); // the log itself is unchanged
    }

    void saveExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addRow("none: .log appended") << "machine" << "machine.log";
        QTest::addRow("another one is kept") << "machine.txt" << "machine.txt";
        QTest::addRow("a dot in the folder only") << "day.1/machine" << "day.1/machine.log";
    }
    void saveExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QVERIFY(QDir(m_files->path()).mkpath(QStringLiteral("day.1")));
        LogForm form(nullptr);
        fillStopped(form, {QStringLiteral("one")});
        form.chosenFile = m_files->filePath(chosen);
        toolButton(form, "btnSave")->click();
        QCOMPARE(contents(m_files->filePath(written)), QByteArray("one\r\n"));
        const QStringList written1 = QDir(m_files->path()).entryList(QDir::Files);
        const QStringList written2 = QDir(m_files->filePath(QStringLiteral("day.1"))).entryList(QDir::Files);
        QCOMPARE(written1.size() + written2.size(), 1); // nothing else was written
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QByteArray>("content");
        QTest::addRow("No leaves the file alone") << QMessageBox::No << QByteArray("earlier log\r\n");
        QTest::addRow("Yes replaces it") << QMessageBox::Yes << QByteArray("new line\r\n");
    }
    void overwriteQuestion()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QByteArray, content);
        const QString path = m_files->filePath(QStringLiteral("machine.log"));
        writeFile(path, "earlier log\r\n");
        LogForm form(nullptr);
        fillStopped(form, {QStringLiteral("new line")});
        form.chosenFile = m_files->filePath(QStringLiteral("machine")); // becomes machine.log
        BoxAnswerer answerer(answer);
        toolButton(form, "btnSave")->click();
        QCOMPARE(answerer.count, 1);
        QCOMPARE(answerer.title, QStringLiteral("Please confirm"));
        QCOMPARE(answerer.text, QStringLiteral("The selected log file already exists.\n"
                                               "Do you want to continue and overwrite this file?"));
        QCOMPARE(contents(path), content);
    }

    void saveCancelledWritesNothing()
    {
        LogForm form(nullptr);
        fillStopped(form, {QStringLiteral("one")});
        BoxAnswerer answerer(QMessageBox::Yes);
        toolButton(form, "btnSave")->click();
        QCOMPARE(form.dialogsShown, 1);
        QCOMPARE(answerer.count, 0);
        QVERIFY(QDir(m_files->path()).isEmpty());
    }

    void saveFailureIsReported()
    {
        LogForm form(nullptr);
        fillStopped(form, {QStringLiteral("one")});
        form.chosenFile = m_files->filePath(QStringLiteral("missing/machine.log"));
        BoxAnswerer answerer(QMessageBox::Ok);
        toolButton(form, "btnSave")->click();
        QCOMPARE(answerer.count, 1);
        QCOMPARE(answerer.title, QStringLiteral("Error"));
        QVERIFY2(answerer.text.contains(QDir::toNativeSeparators(form.chosenFile)), qPrintable(answerer.text));
        QVERIFY(QDir(m_files->path()).isEmpty());
    }

    // The disk fills up while the log is saved over an earlier one, for a short log
    // (smaller than any write buffer) and a long one: the operator is told which file
    // and why, and the earlier log is there byte for byte.
    void saveOnFullDiskKeepsTheEarlierFile_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addRow("short log, 1 KiB") << 25;
        QTest::addRow("12 KiB") << 300;
        QTest::addRow("80 KiB") << 2000;
    }

    void saveOnFullDiskKeepsTheEarlierFile()
    {
        QFETCH(int, lines);
        const QString path = m_files->filePath(QStringLiteral("machine.log"));
        const QByteArray before = "earlier log\r\n";
        writeFile(path, before);
        LogForm form(nullptr);
        QStringList text;
        for (int i = 0; i < lines; ++i)
            text.append(QStringLiteral("[14:30:%1] Preheat 1=120°C | 118°C").arg(i % 60, 2, 10, QLatin1Char('0')));
        fillStopped(form, text);
        form.chosenFile = path;
        BoxAnswerer answerer(QMessageBox::Yes); // overwrite, then OK to the error
        {
            FileSizeLimit limit(200);
            QVERIFY(limit.ok());
            toolButton(form, "btnSave")->click();
        }
        QCOMPARE(answerer.count, 2);
        QCOMPARE(answerer.title, QStringLiteral("Error"));
        QCOMPARE(answerer.text, QStringLiteral("The log could not be saved to \"%1\".\n%2")
                                    .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(strerror(EFBIG))));
        QCOMPARE(contents(path), before);
        QCOMPARE(QDir(m_files->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"machine.log"});
    }

    // ------------------------------------------------------------ printing

    void printsToPdf_data()
    {
        QTest::addColumn<int>("shortLines"); // relative to a page's rows: n + rowsPerPage * factor
        QTest::addColumn<int>("pageFactor");
        QTest::addColumn<bool>("longLine");
        QTest::addColumn<int>("pages");
        QTest::addRow("one line") << 1 << 0 << false << 1;
        QTest::addRow("a page exactly") << 0 << 1 << false << 1;
        QTest::addRow("one line more") << 1 << 1 << false << 2;
        QTest::addRow("two pages and one line") << 1 << 2 << false << 3;
        QTest::addRow("a long line wraps onto the next page") << -1 << 1 << true << 2;
    }
    void printsToPdf()
    {
        QFETCH(int, shortLines);
        QFETCH(int, pageFactor);
        QFETCH(bool, longLine);
        QFETCH(int, pages);

        const QString pdf = m_files->filePath(QStringLiteral("log.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));

        TLogForm form(nullptr);
        // Rows of a page: the sheet less 0.75 in at top and bottom, at 1.5 times the
        // height of the view's font as it comes out on paper (13 px at 96 dpi).
        QFont font = form.findChild<QPlainTextEdit *>(QStringLiteral("memoLog"))->font();
        font.setPointSizeF(13 * 72.0 / 96.0);
        const qreal rowHeight = 1.5 * QFontMetricsF(font, &printer).height();
        const qreal usable = (printer.paperRect(QPrinter::Inch).height() - 1.5) * printer.logicalDpiY();
        const int rowsPerPage = static_cast<int>(usable / rowHeight);
        QVERIFY(rowsPerPage > 20);

        fillStopped(form, {});
        for (int i = 0; i < shortLines + pageFactor * rowsPerPage; ++i)
            form.AddLine(QStringLiteral("[14:30:00] Connection lost"), false);
        if (longLine)
            form.AddLine(QStringLiteral("  Peak=240°C (100%) | 239°C (100%),").repeated(40), false);
        QVERIFY(form.PaintLog(&printer));

        const QByteArray bytes = contents(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(pdfPageCount(bytes), pages);
    }

    void printFailsOnUnwritablePdf()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_files->filePath(QStringLiteral("missing/log.pdf")));
        TLogForm form(nullptr);
        QVERIFY(!form.PaintLog(&printer));
    }

    void printPreviewSetUp()
    {
        TLogForm form(nullptr);
        toolButton(form, "btnDoLog")->click();
        QString docName;
        QMarginsF margins;
        int previewPages = -1;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            if (!preview)
                return;
            modal = preview->isModal();
            docName = preview->printer()->docName();
            margins = preview->printer()->pageLayout().margins(QPageLayout::Inch);
            if (auto *widget = preview->findChild<QPrintPreviewWidget *>())
                previewPages = widget->pageCount();
            preview->reject();
        });
        toolButton(form, "btnPrint")->click();
        QVERIFY(modal);
        QCOMPARE(docName, QStringLiteral("Vard"));
        QCOMPARE(margins, QMarginsF(0.75, 0.75, 0.5, 0.75));
        QCOMPARE(previewPages, 1);
    }

    // ------------------------------------------------------------ window position

    void positionRestoredAndStored()
    {
        writeFile(WindowPosFilePath(), "[LogForm]\r\nTop=40\r\nLeft=30\r\nWidth=700\r\nHeight=500\r\n");
        {
            TLogForm form(nullptr);
            QCOMPARE(form.pos(), QPoint(30, 40));
            QCOMPARE(form.size(), QSize(700, 500));
            form.move(50, 60);
            form.resize(640, 480);
        }
        const TWindowPos stored = ReadWindowPos(QStringLiteral("LogForm"));
        QCOMPARE(std::tuple(stored.Top, stored.Left, stored.Width, stored.Height), std::tuple(60, 50, 640, 480));
    }

    void positionWriteFailureIsReported()
    {
        QVERIFY(QDir().mkpath(WindowPosFilePath())); // a folder where the file should be
        BoxAnswerer answerer(QMessageBox::Ok);
        {
            TLogForm form(nullptr);
        }
        QCOMPARE(answerer.count, 1);
        QCOMPARE(answerer.title, QStringLiteral("Error"));
        QVERIFY2(answerer.text.contains(QLatin1String("Vard.pos")), qPrintable(answerer.text));
    }

    // ------------------------------------------------------------ the periodic line

    void periodicLine_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<bool>("heaterOn");
        QTest::addColumn<QString>("line");

        const QByteArray qtrSettings = "A:ST=7,170,190,240,120;SF=70,80,100;SV=60;M1=0;";
        QTest::addRow("4QTR: fans, padding, sign, no-channel zone, heater")
            << QByteArray("4QTR A") << qtrSettings
            << QByteArray("A:T1=-5;T2=168;T3=191;T4=239;T5=118;T6=45;F1=70;F2=5;F3=100;V1=58;H1=1;S1=0;S2=0;S3=100;")
            << true
            << QStringLiteral("  Startup=007°C | -005°C,  Preheat 1=170°C (70%) | 168°C (70%),"
                              "  Preheat 2=190°C (80%) | 191°C (05%),  Peak=240°C (100%) | 239°C (100%),"
                              "  Underground=120°C | 118°C,  Cooling 1=000°C | 045°C,"
                              "  Transfer=60 cm/min | 58 cm/min,  Heater=On,  Machine state=Ready");
        const QByteArray ir = "A:T1=218;F1=0;V1=4;H1=0;";
        QTest::addRow("IR 3 is 60 percent, speed padded, heater off")
            << QByteArray("362.04 B") << QByteArray("A:ST=220,3,0,0,0;SF=60,0,0;SV=5;") << ir + "S1=0;S2=0;" << false
            << QStringLiteral("  Convection=220°C | 218°C,  Infrared=3 (60%),  Transfer=05 cm/min | 04 cm/min,"
                              "  Heater=Off,  Machine state=Ready");
        QTest::addRow("IR 0 is 00 percent")
            << QByteArray("362.07 C") << QByteArray("A:ST=220,0,0,0,0;SF=60,0,0;SV=25;") << ir + "S1=0;S2=0;" << false
            << QStringLiteral("  Convection=220°C | 218°C,  Infrared=0 (00%),  Transfer=25 cm/min | 04 cm/min,"
                              "  Heater=Off,  Machine state=Ready");
        QTest::addRow("not ready, hood open")
            << QByteArray("362.04 B") << QByteArray("A:ST=220,3,0,0,0;SF=60,0,0;SV=25;") << ir + "S1=2;S2=4;" << false
            << QStringLiteral("  Convection=220°C | 218°C,  Infrared=3 (60%),  Transfer=25 cm/min | 04 cm/min,"
                              "  Heater=Off,  Machine state=Hood open / Emergency off");
        QTest::addRow("ready wins over hood open")
            << QByteArray("362.04 B") << QByteArray("A:ST=220,3,0,0,0;SF=60,0,0;SV=25;") << ir + "S1=2;S2=0;" << false
            << QStringLiteral("  Convection=220°C | 218°C,  Infrared=3 (60%),  Transfer=25 cm/min | 04 cm/min,"
                              "  Heater=Off,  Machine state=Ready");
        QTest::addRow("not ready")
            << QByteArray("362.04 B") << QByteArray("A:ST=220,3,0,0,0;SF=60,0,0;SV=25;") << ir + "S1=0;S2=1;" << false
            << QStringLiteral("  Convection=220°C | 218°C,  Infrared=3 (60%),  Transfer=25 cm/min | 04 cm/min,"
                              "  Heater=Off,  Machine state=Not Ready");
        QTest::addRow("362.10: fan zone, IR zones without IR flag")
            << QByteArray("362.10 D") << QByteArray("A:ST=230,350,360,0,0;SF=90,0,0;SV=30;")
            << QByteArray("A:T1=229;T2=349;T3=361;F1=90;V1=30;H1=1;S1=0;S2=0;") << true
            << QStringLiteral("  Convection=230°C (90%) | 229°C (90%),  Infrared 1=350°C | 349°C,"
                              "  Infrared 2=360°C | 361°C,  Transfer=30 cm/min | 30 cm/min,  Heater=On,"
                              "  Machine state=Ready");
    }
    void periodicLine()
    {
        QFETCH(QByteArray, ident);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, values);
        QFETCH(bool, heaterOn);
        QFETCH(QString, line);
        MachineRig rig;
        rig.bringUp(ident, settings, values);
        if (heaterOn)
            rig.machine.SetHeater(1, 1);
        QCOMPARE(TLogForm::PeriodicLine(rig.machine), line);
    }

    void timerTickAddsTheLine()
    {
        MachineRig rig;
        TLogForm form(&rig.machine);
        QTimer *timer = logTimer(form);
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(form.Lines().size(), 1); // no machine: nothing
        QCOMPARE(TLogForm::PeriodicLine(rig.machine), QString());

        rig.bringUp("4QTR A", "A:ST=150,170,190,240,120;SF=70,80,90;SV=30;M1=0;",
                    "A:T1=149;T2=168;T3=191;T4=239;T5=118;T6=45;F1=70;F2=80;F3=90;V1=30;H1=0;S1=0;S2=0;S3=5;");
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(form.Lines().size(), 2);
        const QString expected = kStamp + QRegularExpression::escape(TLogForm::PeriodicLine(rig.machine)) + "$";
        QVERIFY2(QRegularExpression(expected).match(form.Lines().last()).hasMatch(), qPrintable(form.Lines().last()));
        QVERIFY(form.Lines().last().contains(QStringLiteral("]   Startup=150°C | 149°C,")));

        rig.machine.SetMachineType(0); // connection lost: the zones are gone
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(form.Lines().size(), 2);
    }
};

QTEST_MAIN(TestLogForm)
#include "tst_logform.moc"
