// The interface languages: which translations are offered, the selection dialog, and
// the switch of every open window, of Qt's own texts and of the formatting locale.

#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>

#include <functional>
#include <memory>

#include "app/GlobalUnit.h"
#include "app/IniFile.h"
#include "app/ObjGlobalVarUnit.h"
#include "ModalHelpers.h"
#include "ScriptedMachine.h"
#include "ui/LanguageUnit.h"
#include "ui/LogUnit.h"
#include "ui/MainUnit.h"

namespace {

// The German translation as built beside the tests.
QString builtGermanFile()
{
    return ProgramDir() + QStringLiteral("vard_de.qm");
}

// What the German translation says for a text, read independently of the program.
QString german(const char *context, const char *source)
{
    QTranslator translator;
    if (!translator.load(builtGermanFile()))
        return QString();
    return translator.translate(context, source);
}

QStringList listEntries(QWidget *dialog)
{
    QStringList entries;
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lstLanguages"));
    for (int i = 0; list && i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

QString selectedEntry(QWidget *dialog)
{
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("lstLanguages"));
    return list && list->currentItem() ? list->currentItem()->text() : QString();
}

// Picks the entry in the language dialog and presses OK (or Cancel).
void chooseLanguage(const QString &entry, bool ok = true, QStringList *seen = nullptr)
{
    whenModal([entry, ok, seen](QWidget *w) {
        if (seen)
            *seen = listEntries(w);
        auto *list = w->findChild<QListWidget *>(QStringLiteral("lstLanguages"));
        auto *buttons = w->findChild<QDialogButtonBox *>(QStringLiteral("buttons"));
        if (!list || !buttons) {
            w->close();
            return;
        }
        const auto found = list->findItems(entry, Qt::MatchExactly);
        if (!found.isEmpty())
            list->setCurrentItem(found.first());
        buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
}

// The time of day at the start of a log line, "16:05:09" or "4:05:09 PM".
QString stampOf(const QString &line)
{
    static const QRegularExpression stamp(QStringLiteral("^\\S*\\d+:\\d\\d:\\d\\d( ?[AP]M)?"));
    return stamp.match(line).captured(0);
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_languagesDir;

    // A folder of translation files copied from the built German one.
    std::unique_ptr<TLanguageManager> managerWith(const QStringList &fileNames)
    {
        m_languagesDir = std::make_unique<QTemporaryDir>();
        for (const QString &name : fileNames)
            QFile::copy(builtGermanFile(), m_languagesDir->filePath(name));
        return std::make_unique<TLanguageManager>(m_languagesDir->path());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(builtGermanFile()), "the German translation is built beside the tests");
        // Every text of the German translation is finished: an untranslated one would
        // show English in the middle of a German window.
        QVERIFY(!german("TMainWindow", "File").isEmpty());
        QVERIFY(german("TMainWindow", "File") != QLatin1String("File"));
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }

    void cleanup()
    {
        delete GlobalVars;
        GlobalVars = nullptr;
        qunsetenv("VARD_HOME");
        QLocale::setDefault(QLocale::c());
    }

    void localeIdentifiers_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("id");
        QTest::newRow("German alone stands for Germany") << "de" << 1031;
        QTest::newRow("German (Germany)") << "de_DE" << 1031;
        QTest::newRow("German (Austria)") << "de_AT" << 3079;
        QTest::newRow("German (Switzerland)") << "de_CH" << 2055;
        QTest::newRow("English (United States)") << "en_US" << 1033;
        QTest::newRow("French") << "fr" << 1036;
    }
    void localeIdentifiers()
    {
        QFETCH(QString, code);
        QFETCH(int, id);
        QCOMPARE(vard::LocaleIdFor(QLocale(code)), id);
        const auto back = vard::LocaleForId(id);
        QVERIFY(back.has_value());
        QCOMPARE(back->language(), QLocale(code).language());
        QCOMPARE(back->territory(), QLocale(code).territory());
    }

    void offeredLanguages()
    {
        // Unknown codes, the built-in language and files of other programs are no
        // alternatives.
        auto manager = managerWith({"vard_de.qm", "vard_de_AT.qm", "vard_xx.qm", "vard_en.qm", "other_fr.qm"});
        const QList<TLanguageInfo> alternatives = manager->Alternatives();
        QCOMPARE(alternatives.size(), 2);
        QStringList names;
        for (const TLanguageInfo &l : manager->Offered())
            names << l.DisplayName;
        QCOMPARE(names, QStringList({"Deutsch", QString::fromUtf8("Deutsch (Österreich)"), "English"}));
    }

    void loadRefusesWhatIsNotThere()
    {
        auto manager = managerWith({"vard_de.qm"});
        QFile broken(m_languagesDir->filePath("vard_fr.qm"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a translation");
        broken.close();

        QVERIFY(manager->Load(1031));
        QCOMPARE(manager->CurrentLocaleID(), 1031);
        QVERIFY(!manager->Load(1036)); // unreadable
        QVERIFY(!manager->Load(1040)); // no file at all
        QCOMPARE(manager->CurrentLocaleID(), 1031);
        QCOMPARE(QLocale().language(), QLocale::German);
        QVERIFY(manager->Load(0));
        QCOMPARE(QLocale().language(), QLocale::English);
    }

    // English -> German -> English with the main window and an open log window: every
    // text, Qt's own button texts and the log's time stamps follow.
    void switchesEveryWindow()
    {
        auto manager = managerWith({"vard_de.qm"});
        GlobalVars = new TGlobalVars;
        Rig rig;
        TMainWindow window(&rig.machine);
        window.SetLanguageManager(manager.get());
        TLogForm log(&rig.machine);
        window.SetLogForm(&log);
        window.show();
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        rig.bringUp("4QTR A", kQtrSettings);
        rig.values("A:H1=1;S1=0;S2=0;");
        window.RefreshScreen();
        auto *zones = window.findChild<QComboBox *>("SelectZone");
        QCOMPARE(zones->itemText(0), QString("Startup"));
        QCOMPARE(zones->itemText(1), QString("Preheat 1"));
        auto *fileMenu = window.findChild<QMenu *>("menuFile");
        auto *logLabel = log.findChild<QLabel *>("lblDefault");
        const QString englishLogLabel = logLabel->text();

        QStringList entries;
        chooseLanguage("Deutsch", true, &entries);
        window.SwitchLanguage();
        QCOMPARE(entries, QStringList({"Deutsch", "English"}));
        QTRY_COMPARE(fileMenu->title().remove(u'&'), german("TMainWindow", "File"));
        QTRY_COMPARE(logLabel->text(), german("TLogForm", "Select logging interval:"));
        QVERIFY(window.windowTitle().startsWith(german("TMainWindow", "VARD - KEL Solderingsystem")));
        QCOMPARE(QApplication::applicationDisplayName(), german("TMainWindow", "VARD - KEL Solderingsystem"));
        QCOMPARE(GlobalVars->LocaleID(), 1031);
        QCOMPARE(QLocale().language(), QLocale::German);
        // The connected machine's zones are named anew, and the heater button still
        // finds its zone by name.
        QTRY_COMPARE(zones->itemText(1), german("TMachine", "Preheat 1"));
        QCOMPARE(zones->itemText(0), QString("Startup"));
        window.SetCurrentZone(0);
        window.HeaterClick();
        QCOMPARE(rig.machine.GetZone(window.CurrentZone())->HeaterChannel, 1);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Abbrechen"));
        log.AddLine(QStringLiteral("deutsch"), true);
        const QString germanStamp = stampOf(log.Lines().last());
        QVERIFY2(!germanStamp.isEmpty() && !germanStamp.contains("M"), qPrintable(log.Lines().last()));

        // The file is written only when the settings are saved.
        QVERIFY(!vard::iniRead(SettingsFilePath(), "General", "LocaleID").has_value());

        chooseLanguage("English");
        window.SwitchLanguage();
        QTRY_COMPARE(fileMenu->title().remove(u'&'), QString("File"));
        QTRY_COMPARE(logLabel->text(), englishLogLabel);
        QTRY_COMPARE(zones->itemText(1), QString("Preheat 1"));
        QCOMPARE(GlobalVars->LocaleID(), 0);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
        log.AddLine(QStringLiteral("english"), true);
        const QString englishStamp = stampOf(log.Lines().last());
        QVERIFY2(!englishStamp.isEmpty(), qPrintable(log.Lines().last()));
        if (QLocale().timeFormat(QLocale::LongFormat).contains(QLatin1String("AP")))
            QVERIFY2(englishStamp.endsWith("M"), qPrintable(englishStamp));
    }

    void cancelChangesNothing()
    {
        auto manager = managerWith({"vard_de.qm"});
        GlobalVars = new TGlobalVars;
        Rig rig;
        TMainWindow window(&rig.machine);
        window.SetLanguageManager(manager.get());
        chooseLanguage("Deutsch", false);
        window.SwitchLanguage();
        QTest::qWait(50);
        QCOMPARE(window.findChild<QMenu *>("menuFile")->title().remove(u'&'), QString("File"));
        QCOMPARE(manager->CurrentLocaleID(), 0);
        QCOMPARE(GlobalVars->LocaleID(), 0);
    }

    void oneAlternativeStillAsks()
    {
        auto manager = managerWith({"vard_de.qm"});
        Rig rig;
        TMainWindow window(&rig.machine);
        window.SetLanguageManager(manager.get());
        QString title, selected;
        whenModal([&](QWidget *w) {
            title = w->windowTitle();
            selected = selectedEntry(w);
            w->close();
        });
        window.SwitchLanguage();
        QCOMPARE(title, QString("Select Language"));
        QCOMPARE(selected, QString("English")); // the language in force
    }

    void noAlternative()
    {
        auto manager = managerWith({});
        Rig rig;
        TMainWindow window(&rig.machine);
        window.SetLanguageManager(manager.get());
        QString seen;
        whenModal([&seen](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                seen = box->windowTitle() + "|" + box->text();
                box->button(QMessageBox::Ok)->click();
            } else {
                w->close();
            }
        });
        window.SwitchLanguage();
        QCOMPARE(seen, QString("Info|No alternative language found!"));
    }

    // The language saved last time comes back with the main window.
    void startUpAppliesSavedLanguage()
    {
        vard::iniWrite(SettingsFilePath(), "General", {{"LocaleID", "1031"}});
        GlobalVars = new TGlobalVars;
        Rig rig;
        QApplication::setApplicationDisplayName("Vard");
        {
            TMainWindow window(&rig.machine);
            QTRY_COMPARE(window.findChild<QMenu *>("menuFile")->title().remove(u'&'), german("TMainWindow", "File"));
            QVERIFY(window.windowTitle().startsWith(german("TMainWindow", "VARD - KEL Solderingsystem")));
            // Only a switch by the operator renames the application.
            QCOMPARE(QApplication::applicationDisplayName(), QString("Vard"));
        }
        TLanguageManager::Instance().Load(0);
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
