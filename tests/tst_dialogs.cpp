// The small dialogs and tools of the main window's menus, driven as the operator
// drives them: program options (the measuring program's path in "Vard.ini"), machine
// options (the auto-heater setting through the send queue), the about boxes, the
// checksum tool and the launch of the measuring program.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include <functional>
#include <memory>

#include "ScriptedMachine.h"
#include "app/GlobalUnit.h"
#include "app/ObjGlobalVarUnit.h"
#include "ui/AboutAppUnit.h"
#include "ui/OptionsUnit.h"
#include "ui/SettingsUnit.h"

namespace {

// Acts once on the modal window with the given object name when it comes up, and
// closes it if the act left it open (a failed check, say). Stops when it goes out of
// scope.
class ModalAnswer {
public:
    ModalAnswer(const QString &name, std::function<void(QWidget *)> act) : m_name(name), m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { poll(); });
        m_timer.start(5);
    }
    bool seen() const { return m_seen; }

    static void close(QWidget *w)
    {
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
    }

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->isVisible() && w->objectName() == m_name) {
            m_timer.stop();
            m_seen = true;
            QPointer<QWidget> guard(w);
            m_act(w);
            if (guard && guard->isVisible())
                close(guard);
        }
    }

    QString m_name;
    std::function<void(QWidget *)> m_act;
    QTimer m_timer;
    bool m_seen = false;
};

// Closes a modal window that nobody answers within seconds, so a test that opens one
// it did not expect fails instead of hanging.
class ModalSweeper {
public:
    ModalSweeper()
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            QWidget *w = QApplication::activeModalWidget();
            if (w != m_current) {
                m_current = w;
                m_since.start();
            } else if (w && m_since.elapsed() > 5000) {
                qWarning("closing unanswered modal window %s", qPrintable(w->objectName()));
                ModalAnswer::close(w);
            }
        });
        m_timer.start(50);
    }

private:
    QTimer m_timer;
    QPointer<QWidget> m_current;
    QElapsedTimer m_since;
};

// A message box's "caption|text", answered with OK.
std::function<void(QWidget *)> readBox(QString *seen)
{
    return [seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        *seen = box->windowTitle() + "|" + box->text();
        box->button(QMessageBox::Ok)->click();
    };
}

template <typename T> T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

const QString kTavoMissing =
    QStringLiteral("Error|Could not find Tavo.exe. Please enter correct path under \"Extras...Settings\"!");

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<ModalSweeper> m_sweeper;

    QString path(const QString &name) const { return m_home->filePath(name); }
    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QString &filePath, const QByteArray &bytes)
    {
        QFile f(filePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Settings with a stored path and language, loaded as at start-up.
    void storeSettings()
    {
        writeFile(path("Vard.ini"), "[General]\r\nLocaleID=1031\r\nTavoPath=/old/tavo\r\n");
        GlobalVars->Load();
    }

private slots:
    void initTestCase() { QGuiApplication::setApplicationDisplayName(QStringLiteral("Vard")); }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        GlobalVars = new TGlobalVars;
        m_sweeper = std::make_unique<ModalSweeper>();
    }

    void cleanup()
    {
        m_sweeper.reset();
        delete GlobalVars;
        GlobalVars = nullptr;
        qunsetenv("VARD_HOME");
        m_home.reset();
    }

    // ------------------------------------------------------------ program options

    void programOptionsOkStoresTrimmedPath()
    {
        storeSettings();
        GlobalVars->SetLocaleID(1036); // chosen in this run, not yet saved
        QString shown;
        ModalAnswer dialog("SettingsForm", [&shown](QWidget *w) {
            QCOMPARE(w->windowTitle(), QString("Program options"));
            auto *edit = child<QLineEdit>(w, "TavoPath");
            shown = edit->text();
            edit->setText(QString::fromUtf8(" \t/opt/tävo prog\x01  "));
            QTest::mouseClick(child<QPushButton>(w, "Ok"), Qt::LeftButton);
        });
        ShowProgramOptions(nullptr);
        QVERIFY(dialog.seen());
        QCOMPARE(shown, QString("/old/tavo"));
        QCOMPARE(GlobalVars->TavoPath(), QString::fromUtf8("/opt/tävo prog"));
        QCOMPARE(readFile("Vard.ini"), QByteArray("[General]\r\nLocaleID=1036\r\nTavoPath=/opt/t\xE4vo prog\r\n"));
    }

    // Enter presses the focused button, and "Ok" when the focus is not on a button.
    void programOptionsKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("saved");
        QTest::addRow("Enter in the path field") << "TavoPath" << int(Qt::Key_Return) << true;
        QTest::addRow("Enter on Cancel") << "Cancel" << int(Qt::Key_Return) << false;
        QTest::addRow("Escape in the path field") << "TavoPath" << int(Qt::Key_Escape) << false;
    }

    void programOptionsKeys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, saved);
        storeSettings();
        bool closed = false;
        ModalAnswer dialog("SettingsForm", [&](QWidget *w) {
            child<QLineEdit>(w, "TavoPath")->setText("/new/tavo");
            QWidget *target = w->findChild<QWidget *>(focus);
            target->setFocus();
            QTest::keyClick(target, Qt::Key(key));
            closed = !w->isVisible();
        });
        ShowProgramOptions(nullptr);
        QVERIFY(dialog.seen());
        QVERIFY(closed);
        QCOMPARE(GlobalVars->TavoPath(), saved ? QString("/new/tavo") : QString("/old/tavo"));
        QCOMPARE(readFile("Vard.ini").contains("TavoPath=/new/tavo"), saved);
    }

    void programOptionsCancelAfterSearch()
    {
        storeSettings();
        const QByteArray before = readFile("Vard.ini");
        const QString program = path("Tavo.exe");
        writeFile(program, "");
        QString afterSearch;
        ModalAnswer dialog("SettingsForm", [&](QWidget *w) {
            ModalAnswer open("OpenDialog", [&](QWidget *d) {
                auto *files = qobject_cast<QFileDialog *>(d);
                QVERIFY(files);
                files->selectFile(program);
                static_cast<QDialog *>(files)->accept(); // QFileDialog hides it
            });
            QTest::mouseClick(child<QPushButton>(w, "Search"), Qt::LeftButton);
            QVERIFY(open.seen());
            afterSearch = child<QLineEdit>(w, "TavoPath")->text();
            QTest::mouseClick(child<QPushButton>(w, "Cancel"), Qt::LeftButton);
        });
        ShowProgramOptions(nullptr);
        QVERIFY(dialog.seen());
        QCOMPARE(afterSearch, program);
        QCOMPARE(GlobalVars->TavoPath(), QString("/old/tavo"));
        QCOMPARE(readFile("Vard.ini"), before);
    }

    // The write error is reported and the dialog stays open, so the operator can try
    // again or cancel.
    void programOptionsUnwritableSettings()
    {
        const QString missing = path("no/such/folder");
        qputenv("VARD_HOME", missing.toLocal8Bit());
        QString report;
        bool stillOpen = false;
        ModalAnswer dialog("SettingsForm", [&](QWidget *w) {
            ModalAnswer error("errorBox", readBox(&report));
            child<QLineEdit>(w, "TavoPath")->setText("/opt/tavo");
            QTest::mouseClick(child<QPushButton>(w, "Ok"), Qt::LeftButton);
            QVERIFY(error.seen());
            stillOpen = w->isVisible();
            QTest::mouseClick(child<QPushButton>(w, "Cancel"), Qt::LeftButton);
        });
        ShowProgramOptions(nullptr);
        QVERIFY(dialog.seen());
        QVERIFY2(report.startsWith("Error|") && report.contains(missing), qPrintable(report));
        QVERIFY(stillOpen);
        QVERIFY(!QFile::exists(missing + "/Vard.ini"));
    }

    // A path the settings file cannot hold as it is, pasted with a line break (which
    // would become keys of its own) or with characters outside the file's code page
    // (which would be stored as '?'), is refused with a message; the dialog stays open
    // and nothing is stored.
    void programOptionsRefusesUnstorablePath_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: stored
        const QString lineBreak = "The program path must not contain a line break or a NUL character.";
        const QString codePage = "The program path contains characters that the settings file cannot hold: %1\n"
                                 "Please choose a path without them.";
        QTest::addRow("line break inside") << "/opt/tavo\nPort1=/dev/evil" << lineBreak;
        QTest::addRow("carriage return inside") << "/opt/tavo\r[Debug]\rDebug=-7" << lineBreak;
        QTest::addRow("NUL inside") << QString("/opt/ta") + QChar(0) + "vo" << lineBreak;
        QTest::addRow("Cyrillic") << QString::fromUtf8("/opt/Тест/Tavo.exe") << codePage.arg(QString::fromUtf8("Тест"));
        QTest::addRow("beyond 16 bits") << QString::fromUtf8("/opt/\U0001F525/Tavo.exe")
                                        << codePage.arg(QString::fromUtf8("\U0001F525"));
        QTest::addRow("line break at the end is trimmed") << "/opt/tavo\r\n" << QString();
        QTest::addRow("Windows-1252 letters") << QString::fromUtf8("/opt/Œuvre €/Tavo.exe") << QString();
    }

    void programOptionsRefusesUnstorablePath()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        storeSettings();
        const QByteArray before = readFile("Vard.ini");
        QString seen;
        bool stillOpen = false;
        ModalAnswer dialog("SettingsForm", [&](QWidget *w) {
            ModalAnswer box("messageBox", readBox(&seen));
            child<QLineEdit>(w, "TavoPath")->setText(typed);
            QTest::mouseClick(child<QPushButton>(w, "Ok"), Qt::LeftButton);
            stillOpen = w->isVisible();
            QTest::mouseClick(child<QPushButton>(w, "Cancel"), Qt::LeftButton);
        });
        ShowProgramOptions(nullptr);
        QVERIFY(dialog.seen());
        if (message.isEmpty()) {
            QVERIFY(seen.isEmpty());
            QVERIFY(!stillOpen);
            QCOMPARE(GlobalVars->TavoPath(), TSettingsForm::TrimControls(typed));
            QCOMPARE(ReadSettingStr("General", "TavoPath", QString()), TSettingsForm::TrimControls(typed));
            return;
        }
        QCOMPARE(seen, "Error|" + message);
        QVERIFY(stillOpen);
        QCOMPARE(GlobalVars->TavoPath(), QString("/old/tavo"));
        QCOMPARE(readFile("Vard.ini"), before);
    }

    // ------------------------------------------------------------ machine options

    void machineOptionsNotConnected()
    {
        Rig rig;
        QString seen;
        ModalAnswer box("messageBox", readBox(&seen));
        ModalAnswer dialog("OptionsForm", [](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        ShowMachineOptions(nullptr, &rig.machine);
        QCOMPARE(seen, QString("Error|Machine is not connected!"));
        QVERIFY(!dialog.seen());
        QVERIFY(!rig.machine.HasPendingValues());
        QVERIFY(!rig.machine.SendRequested());
    }

    // "Ok" queues the option as shown, even unchanged, and sends the whole queue.
    void machineOptionsOk_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("toggle");
        QTest::addColumn<bool>("queuedBefore");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QByteArray>("command");
        const QByteArray off = kQtrSettings;
        QByteArray on = kQtrSettings;
        on.replace("M1=0;", "M1=1;");
        QTest::addRow("off, unchanged") << off << false << false << false << QByteArray("W:M1=0;");
        QTest::addRow("on, unchanged") << on << false << false << true << QByteArray("W:M1=1;");
        QTest::addRow("off, switched on") << off << true << false << false << QByteArray("W:M1=1;");
        QTest::addRow("on, switched off") << on << true << false << true << QByteArray("W:M1=0;");
        QTest::addRow("with a queued fan value") << off << false << true << false << QByteArray("W:F1=60;M1=0;");
    }

    void machineOptionsOk()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, toggle);
        QFETCH(bool, queuedBefore);
        QFETCH(bool, ticked);
        QFETCH(QByteArray, command);
        Rig rig;
        rig.bringUp("4QTR A", settings);
        if (queuedBefore)
            rig.machine.SetTargetFan(1, 60);
        bool shownTicked = !ticked;
        ModalAnswer dialog("OptionsForm", [&](QWidget *w) {
            QCOMPARE(w->windowTitle(), QString("Set machine options"));
            auto *box = child<QCheckBox>(w, "AutoHeater");
            shownTicked = box->isChecked();
            if (toggle)
                QTest::mouseClick(box, Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(w, "Ok"), Qt::LeftButton);
        });
        ShowMachineOptions(nullptr, &rig.machine);
        QVERIFY(dialog.seen());
        QCOMPARE(shownTicked, ticked);
        QCOMPARE(rig.machine.PendingCommand(), command);
        QVERIFY(rig.machine.SendRequested());
        // The command goes out at the next write step without "Send Values".
        QByteArray written;
        for (int i = 0; i < 6 && written.isEmpty(); ++i) {
            const QByteArray request = rig.tick();
            if (request.startsWith("W:"))
                written = request;
            else if (!request.isEmpty())
                rig.answer("A:");
        }
        QCOMPARE(written, withCheck(command));
    }

    void machineOptionsCancel_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addRow("Cancel") << false;
        QTest::addRow("Escape") << true;
    }

    void machineOptionsCancel()
    {
        QFETCH(bool, escape);
        Rig rig;
        rig.bringUp("4QTR A", kQtrSettings);
        bool closed = false;
        ModalAnswer dialog("OptionsForm", [&](QWidget *w) {
            QTest::mouseClick(child<QCheckBox>(w, "AutoHeater"), Qt::LeftButton);
            if (escape)
                QTest::keyClick(child<QCheckBox>(w, "AutoHeater"), Qt::Key_Escape);
            else
                QTest::mouseClick(child<QPushButton>(w, "Cancel"), Qt::LeftButton);
            closed = !w->isVisible();
        });
        ShowMachineOptions(nullptr, &rig.machine);
        QVERIFY(dialog.seen());
        QVERIFY(closed);
        QVERIFY(!rig.machine.HasPendingValues());
        QVERIFY(!rig.machine.SendRequested());
        QCOMPARE(rig.machine.GetAutoHeater(1), qint16(0));
    }

    // ------------------------------------------------------------ about boxes

    void aboutApp_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addRow("closed with OK") << false;
        QTest::addRow("closed with Escape") << true;
    }

    void aboutApp()
    {
        QFETCH(bool, escape);
        const QStringList history = {
            "--- 1.2.1 ---",
            "Bug fixed: Path to images in graphic view corrected",
            "",
            "--- 1.2.0 ---",
            "Added graphic view of machine values",
            "Added multilanguage support: English, German",
            "Added internal temperature measurement of soldering machine (362.xx only)",
            "",
            "--- 1.1.2 ---",
            "Added machine parameter logging",
            "",
            "--- 1.1.0 ---",
            "Added support for KEL soldering machines 362.04, 362.07 and 362.10",
            "",
            "--- 1.0.0 ---",
            "Initial version",
        };
        bool closed = false;
        ModalAnswer dialog("AboutAppForm", [&](QWidget *w) {
            QCOMPARE(w->windowTitle(), QString("About application"));
            auto *pages = child<QTabWidget>(w, "pctrlDefault");
            QCOMPARE(pages->tabText(pages->currentIndex()), QString("Info"));
            QCOMPARE(child<QLabel>(w, "lblTavoVersion")->text(), QString("1.2.1"));
            QCOMPARE(child<QLabel>(w, "lblTavoDate")->text(), QString("2006-01-26"));
            QCOMPARE(child<QLabel>(w, "imgTavo")->pixmap().size(), QSize(32, 32));
            auto *memo = child<QPlainTextEdit>(w, "memoHistory");
            QVERIFY(memo->isReadOnly());
            QStringList lines;
            for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
                lines << b.text();
            QCOMPARE(lines, history);
            if (escape)
                QTest::keyClick(w, Qt::Key_Escape);
            else
                QTest::mouseClick(child<QPushButton>(w, "btnOK"), Qt::LeftButton);
            closed = !w->isVisible();
        });
        ShowAboutApp(nullptr);
        QVERIFY(dialog.seen());
        QVERIFY(closed);
    }

    void historyLinesEndAtTheLastCr()
    {
        QCOMPARE(TAboutAppForm::HistoryLines("a\r\rb\r"), QStringList({"a", "", "b"}));
        QCOMPARE(TAboutAppForm::HistoryLines("a\rnot finished"), QStringList({"a"}));
        QCOMPARE(TAboutAppForm::HistoryLines(""), QStringList());
    }

    void aboutMaker()
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        ModalAnswer box("AboutMakerBox", [&](QWidget *w) {
            auto *b = qobject_cast<QMessageBox *>(w);
            QVERIFY(b);
            icon = b->icon();
            title = b->windowTitle();
            b->button(QMessageBox::Ok)->click();
        });
        ShowAboutMaker(nullptr);
        QVERIFY(box.seen());
        QCOMPARE(title, QString("About KEL"));
        QCOMPARE(icon, QMessageBox::Information);
    }

    // ------------------------------------------------------------ checksum tool

    void checksumTool_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("shown"); // empty: no message at all
        QTest::addRow("abc") << "abc" << true << "The checksum for \"abc\" is 38.";
        QTest::addRow("sum a multiple of 256") << "@@@@" << true << "The checksum for \"@@@@\" is 0.";
        QTest::addRow("a-umlaut in Windows-1252")
            << QString::fromUtf8("ä") << true << QString::fromUtf8("The checksum for \"ä\" is 228.");
        QTest::addRow("euro sign in Windows-1252")
            << QString::fromUtf8("€") << true << QString::fromUtf8("The checksum for \"€\" is 128.");
        QTest::addRow("placeholders and markup stay as typed")
            << "%1 <b>x</b>" << true << "The checksum for \"%1 <b>x</b>\" is 213.";
        QTest::addRow("empty") << "" << true << "";
        QTest::addRow("cancelled") << "abc" << false << "";
    }

    void checksumTool()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(QString, shown);
        ModalAnswer input("InputBox", [&](QWidget *w) {
            auto *dialog = qobject_cast<QInputDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Input string"));
            QCOMPARE(dialog->labelText(), QString("Please enter string to calculate checksum for:"));
            QCOMPARE(dialog->textValue(), QString());
            dialog->setTextValue(typed);
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        });
        QString seen;
        Qt::TextFormat format = Qt::AutoText;
        ModalAnswer box("ChecksumBox", [&](QWidget *w) {
            format = static_cast<QMessageBox *>(w)->textFormat();
            readBox(&seen)(w);
        });
        RunChecksumTool(nullptr);
        QVERIFY(input.seen());
        if (shown.isEmpty()) {
            QVERIFY(!box.seen());
        } else {
            QCOMPARE(seen, "Vard|" + shown);
            QCOMPARE(format, Qt::PlainText);
        }
    }

    // ------------------------------------------------------------ launch of Tavo

    void tavoProgramFile_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("program");
        QTest::addRow("folder") << "/opt/tavo" << "/opt/tavo/Tavo.exe";
        QTest::addRow("program file, mixed case") << "/opt/tavo/tavo.EXE" << "/opt/tavo/tavo.EXE";
        QTest::addRow("program file with blanks around")
            << "  /opt/tavo/TAVO.EXE  " << "  /opt/tavo/TAVO.EXE  ";
        QTest::addRow("program file with control characters around")
            << "\t/opt/tavo/Tavo.exe\r\n" << "\t/opt/tavo/Tavo.exe\r\n";
        QTest::addRow("Windows program file") << "C:\\Tavo\\Tavo.exe" << "C:\\Tavo\\Tavo.exe";
        QTest::addRow("folder with blanks around") << " /opt/tavo " << " /opt/tavo /Tavo.exe";
        QTest::addRow("file name without separator") << "Tavo.exe" << "Tavo.exe/Tavo.exe";
        QTest::addRow("similar name") << "/opt/xtavo.exe" << "/opt/xtavo.exe/Tavo.exe";
        QTest::addRow("empty") << "" << "/Tavo.exe";
    }

    void tavoProgramFile()
    {
        QFETCH(QString, setting);
        QFETCH(QString, program);
        QCOMPARE(TavoProgramFile(setting), program);
    }

    void callTavoReportsFailure_data()
    {
        QTest::addColumn<bool>("starts");
        QTest::addRow("started") << true;
        QTest::addRow("not started") << false;
    }

    void callTavoReportsFailure()
    {
        QFETCH(bool, starts);
        QString seen;
        ModalAnswer box("messageBox", readBox(&seen));
        QStringList asked;
        CallTavo(nullptr, "/opt/tavo", [&](const QString &program) {
            asked << program;
            return starts;
        });
        QCOMPARE(asked, QStringList("/opt/tavo/Tavo.exe"));
        QCOMPARE(seen, starts ? QString() : kTavoMissing);
    }

    // The real start: a program that runs leaves its marker; a file that cannot be run
    // (not executable, or missing) is reported.
    void callTavoStartsRealProgram_data()
    {
        QTest::addColumn<int>("permissions");
        QTest::addColumn<bool>("runs");
        QTest::addRow("executable") << int(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) << true;
        QTest::addRow("not executable") << int(QFile::ReadOwner | QFile::WriteOwner) << false;
    }

    void callTavoStartsRealProgram()
    {
        QFETCH(int, permissions);
        QFETCH(bool, runs);
        const QString folder = path("Tavo program");
        QVERIFY(QDir().mkpath(folder));
        const QString marker = path("started");
        writeFile(folder + "/Tavo.exe", "#!/bin/sh\ntouch '" + marker.toLocal8Bit() + "'\n");
        QVERIFY(QFile::setPermissions(folder + "/Tavo.exe", QFile::Permissions(permissions)));
        QString seen;
        ModalAnswer box("messageBox", readBox(&seen));
        CallTavo(nullptr, folder);
        if (runs) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
            QCOMPARE(seen, QString());
        } else {
            QCOMPARE(seen, kTavoMissing);
            QVERIFY(!QFile::exists(marker));
        }
    }

    void callTavoMissingProgram()
    {
        QString seen;
        ModalAnswer box("messageBox", readBox(&seen));
        CallTavo(nullptr, path("nothing here"));
        QCOMPARE(seen, kTavoMissing);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
