// The profile store and its dialog, driven through the dialog's widgets against a
// machine fed by a scripted link: what a load queues, what a save writes byte for byte,
// what erase removes, how the list is filled, and how a file that cannot be read or
// written is reported.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "FileHelpers.h"
#include "ModalHelpers.h"
#include "ScriptedMachine.h"
#include "ui/DebugUnit.h"
#include "ui/ProfileUnit.h"

namespace {

QByteArray settingsFor(const QByteArray &ident)
{
    return ident.startsWith("4QTR") ? kQtrSettings : k362Settings;
}

QStringList memoLines(const TDebugForm &form)
{
    const auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("memoDebug"));
    if (!memo || memo->document()->isEmpty())
        return {};
    return memo->toPlainText().split(u'\n');
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out.append(combo->itemText(i));
    return out;
}

// The profile every table row starts from: a full set for the 4QTR's five heated zones.
const QByteArray kJob = "[JOB]\r\nT1=230\r\nT2=240\r\nT3=250\r\nT4=260\r\nT5=200\r\n"
                        "F1=60\r\nF2=75\r\nF3=100\r\nV1=30\r\nH1=1\r\nM1=1\r\n";

} // namespace

class TestProfiles : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Rig> m_rig;
    std::unique_ptr<TProfileForm> m_form;

    static QString path() { return TProfileForm::ProfileFilePath(); }

    // A null text leaves the file missing.
    static void writeProfiles(const QByteArray &bytes)
    {
        if (bytes.isNull())
            return;
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static QByteArray readProfiles()
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void up(const QByteArray &ident, int zone = 0)
    {
        m_rig->bringUp(ident, settingsFor(ident));
        m_rig->values("A:H1=1;S1=0;S2=0;"); // the machine runs with its heater on
        m_rig->host.zone = zone;
        QVERIFY(!m_rig->machine.HasPendingValues());
    }

    TProfileForm &open(TDebugForm *debug = nullptr)
    {
        m_form = std::make_unique<TProfileForm>(&m_rig->machine, debug);
        m_form->show();
        return *m_form;
    }

    template <typename T> T *child(const char *name) { return m_form->findChild<T *>(QString::fromLatin1(name)); }

    void typeName(const QString &name)
    {
        auto *edit = child<QLineEdit>("ProfileName");
        edit->clear();
        // keyClicks takes ASCII only; an accented letter comes as the text of a key.
        for (QChar c : name) {
            if (c.unicode() < 128)
                QTest::keyClick(edit, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        m_rig = std::make_unique<Rig>();
    }

    void cleanup()
    {
        m_form.reset();
        m_rig.reset();
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        qunsetenv("VARD_HOME");
        m_home.reset();
    }

    // ------------------------------------------------------------ loading

    void loadQueuesThroughTheSetters_data()
    {
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<int>("zone");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("queued");

        // Fans go down to a multiple of ten; heater and auto-heater 0 are within limits,
        // so a name without a section switches both off.
        QTest::addRow("every key in its order")
            << QByteArray("4QTR A") << 0 << kJob << "JOB"
            << QByteArray("W:T1=230;T2=240;T3=250;T4=260;T5=200;F1=60;F2=70;F3=100;V1=30;H1=1;M1=1;");
        QTest::addRow("typed in lower case with blanks") << QByteArray("4QTR A") << 0 << kJob << " \t job  "
                                                         << QByteArray("W:T1=230;T2=240;T3=250;T4=260;T5=200;"
                                                                       "F1=60;F2=70;F3=100;V1=30;H1=1;M1=1;");
        QTest::addRow("section and keys in any case")
            << QByteArray("4QTR A") << 0 << QByteArray("[job]\r\nt1=230\r\nv1=30\r\nh1=1\r\nm1=1\r\n") << "JOB"
            << QByteArray("W:T1=230;V1=30;H1=1;M1=1;");
        QTest::addRow("missing section") << QByteArray("4QTR A") << 0 << kJob << "OTHER"
                                         << QByteArray("W:H1=0;M1=0;");
        QTest::addRow("missing file") << QByteArray("4QTR A") << 0 << QByteArray() << "JOB"
                                      << QByteArray("W:H1=0;M1=0;");
        QTest::addRow("hexadecimal value") << QByteArray("4QTR A") << 0
                                           << QByteArray("[JOB]\r\nV1=0x1F\r\nF1=0X3c\r\nH1=1\r\nM1=1\r\n") << "JOB"
                                           << QByteArray("W:F1=60;V1=31;H1=1;M1=1;");
        QTest::addRow("no number reads as 0") << QByteArray("4QTR A") << 0
                                              << QByteArray("[JOB]\r\nV1=3O\r\nH1=on\r\nM1=1\r\n") << "JOB"
                                              << QByteArray("W:H1=0;M1=1;");
        // Cut to 16 bits these would be T1=230, V1=40 and H1=1.
        QTest::addRow("beyond 16 bits is no number")
            << QByteArray("4QTR A") << 0 << QByteArray("[JOB]\r\nT1=65766\r\nV1=65576\r\nH1=65537\r\nM1=1\r\n")
            << "JOB" << QByteArray("W:H1=0;M1=1;");
        QTest::addRow("16-bit edges are numbers")
            << QByteArray("4QTR A") << 0 << QByteArray("[JOB]\r\nT1=32767\r\nV1=-32768\r\nH1=1\r\nM1=1\r\n")
            << "JOB" << QByteArray("W:H1=1;M1=1;");

        const QByteArray mixed = "[MIX]\r\nT1=3\r\nT2=230\r\nT3=5\r\nT4=6\r\nT5=0\r\nH1=1\r\nM1=1\r\n";
        QTest::addRow("infrared zone current") << QByteArray("362.04 A") << 1 << mixed << "MIX"
                                               << QByteArray("W:T1=3;T3=5;T5=0;H1=1;M1=1;");
        QTest::addRow("temperature zone current") << QByteArray("362.04 A") << 0 << mixed << "MIX"
                                                  << QByteArray("W:T2=230;H1=1;M1=1;");
    }

    void loadQueuesThroughTheSetters()
    {
        QFETCH(QByteArray, ident);
        QFETCH(int, zone);
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(QByteArray, queued);

        up(ident, zone);
        writeProfiles(file);
        open();
        typeName(typed);
        click("Load");
        QCOMPARE(m_rig->machine.PendingCommand(), queued);
        QVERIFY(!m_rig->machine.SendRequested()); // the operator sends it
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        QCOMPARE(readProfiles(), file); // loading never writes
    }

    void loadedProfileReachesTheMachine()
    {
        up("4QTR A");
        writeProfiles("[JOB]\r\nT1=230\r\nF1=60\r\nV1=45\r\nH1=1\r\n");
        open();
        typeName("job");
        click("Load");
        QCOMPARE(m_rig->machine.GetTargetTemp(1), qint16(230)); // shown at once
        QCOMPARE(m_rig->machine.GetTargetSpeed(1), qint16(45));
        m_rig->machine.SendPendingValues();
        QCOMPARE(m_rig->tick(), withCheck("R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;"));
        m_rig->answer("A:T1=100;");
        m_rig->tick();
        QCOMPARE(m_rig->tick(), withCheck("W:T1=230;F1=60;V1=45;H1=1;M1=0;"));
        m_rig->answer("A:ERR=0;");
        m_rig->tick();
        QVERIFY(!m_rig->machine.HasPendingValues());
        QCOMPARE(m_rig->tick(), withCheck("R:ST;SF;SV;M1;"));
    }

    // ------------------------------------------------------------ saving

    // A profile saved from what the machine does switches nothing when it is sent back:
    // the heater the machine reported goes out as it was, never the table's initial 0.
    void savedProfileKeepsTheMachinesHeater()
    {
        m_rig->bringUp("4QTR A", kQtrSettings);
        open();
        typeName("early");
        QString seen; // before the first values reply nothing can be stored
        answerBox(QMessageBox::Ok, &seen);
        click("Save");
        QVERIFY2(seen.contains("have not all been read yet"), qPrintable(seen));
        QVERIFY(readProfiles().isEmpty());
        m_form.reset();

        m_rig->values("A:T1=150;H1=1;S1=0;S2=0;");
        open();
        typeName("running");
        click("Save");
        QVERIFY(readProfiles().contains("H1=1\r\n"));
        open();
        typeName("running");
        click("Load");
        m_rig->machine.SendPendingValues();
        QCOMPARE(m_rig->tick(), withCheck("R:T1;T2;T3;T4;T5;T6;F1;F2;F3;V1;H1;S1;S2;S3;"));
        m_rig->answer("A:T1=150;H1=1;S1=0;S2=0;");
        m_rig->tick();
        const QByteArray write = m_rig->tick();
        QVERIFY2(write.startsWith("W:") && write.contains("H1=1;") && !write.contains("H1=0;"), write.constData());
    }

    void saveWritesTheElevenKeys_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("listed");

        // The machine's settings: ST=150,170,190,240,160; SF=70,80,90; SV=30; M1=0; the
        // test switches the heater on before saving.
        const QByteArray values = "T1=150\r\nT2=170\r\nT3=190\r\nT4=240\r\nT5=160\r\n"
                                  "F1=70\r\nF2=80\r\nF3=90\r\nV1=30\r\nH1=1\r\nM1=0\r\n";
        QTest::addRow("new file, lower case with blanks")
            << QByteArray() << " \tsolder job 2 " << QByteArray("[SOLDER JOB 2]\r\n" + values)
            << QStringList{"SOLDER JOB 2"};
        QTest::addRow("new section after the others")
            << QByteArray("[ZETA]\r\nT1=99\r\n") << "alpha" << QByteArray("[ZETA]\r\nT1=99\r\n[ALPHA]\r\n" + values)
            << QStringList{"ALPHA", "ZETA"};
        QTest::addRow("empty file") << QByteArray("") << "job" << QByteArray("[JOB]\r\n" + values)
                                    << QStringList{"JOB"};
        QTest::addRow("accented letters keep their case")
            << QByteArray() << "b\u00e4r" << QByteArray("[B\xE4R]\r\n" + values) << QStringList{"B\u00e4R"};
        // Existing lines keep their place; new keys follow the section's last key;
        // foreign keys, comments and other sections stay as they were.
        QTest::addRow("existing section, foreign keys kept")
            << QByteArray("; shift A\r\n[job]\r\nNote=keep me\r\nt1=5\r\nV1=10\r\n\r\n[OTHER]\r\nT1=1\r\n") << "Job"
            << QByteArray("; shift A\r\n[job]\r\nNote=keep me\r\nT1=150\r\nV1=30\r\nT2=170\r\nT3=190\r\nT4=240\r\n"
                          "T5=160\r\nF1=70\r\nF2=80\r\nF3=90\r\nH1=1\r\nM1=0\r\n\r\n[OTHER]\r\nT1=1\r\n")
            << QStringList{"job", "OTHER"};
    }

    void saveWritesTheElevenKeys()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, listed);

        up("4QTR A");
        m_rig->machine.SetHeater(1, 1);
        writeProfiles(file);
        open();
        typeName(typed);
        click("Save");
        QCOMPARE(readProfiles(), expected);
        QVERIFY(!m_form->isVisible());

        open(); // the list is rebuilt when the dialog opens again
        QCOMPARE(comboItems(child<QComboBox>("Combo")), listed);
    }

    // ------------------------------------------------------------ erasing and the list

    void eraseRemovesTheSectionAndStaysOpen()
    {
        up("4QTR A");
        const QByteArray before = "[ALPHA]\r\nT1=200\r\n[JOB]\r\nT1=230\r\nNote=x\r\n[BETA]\r\nT1=210\r\n";
        writeProfiles(before);
        open();
        typeName(" job\t");
        click("Erase");
        QCOMPARE(readProfiles(), QByteArray("[ALPHA]\r\nT1=200\r\n[BETA]\r\nT1=210\r\n"));
        QVERIFY(m_form->isVisible());
        QCOMPARE(comboItems(child<QComboBox>("Combo")), (QStringList{"ALPHA", "BETA"}));
        QCOMPARE(child<QLineEdit>("ProfileName")->text(), QStringLiteral("ALPHA"));

        typeName("NOT THERE");
        click("Erase");
        QCOMPARE(readProfiles(), QByteArray("[ALPHA]\r\nT1=200\r\n[BETA]\r\nT1=210\r\n"));
        QCOMPARE(child<QLineEdit>("ProfileName")->text(), QStringLiteral("ALPHA"));
        QVERIFY(!m_rig->machine.HasPendingValues());
    }

    void listShowsTheStoredNames_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("items");

        QTest::addRow("missing file") << QByteArray() << QStringList{};
        QTest::addRow("empty file") << QByteArray("") << QStringList{};
        QTest::addRow("sorted, not in file order")
            << QByteArray("[ZETA]\r\nT1=1\r\n[ALPHA]\r\n[MID]\r\nT1=3\r\n") << QStringList{"ALPHA", "MID", "ZETA"};
        // Only the first of two sections of one name is ever found.
        QTest::addRow("a name once") << QByteArray("[JOB]\r\n[job]\r\n[]\r\n") << QStringList{"JOB"};
    }

    void listShowsTheStoredNames()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, items);

        up("4QTR A");
        writeProfiles(file);
        open();
        QCOMPARE(comboItems(child<QComboBox>("Combo")), items);
        QCOMPARE(child<QLineEdit>("ProfileName")->text(), items.value(0));
    }

    void pickingCopiesTypingDoesNot()
    {
        up("4QTR A");
        writeProfiles("[BETA]\r\n[ALPHA]\r\n[GAMMA]\r\n");
        open();
        auto *combo = child<QComboBox>("Combo");
        auto *name = child<QLineEdit>("ProfileName");
        QTest::keyClicks(combo->lineEdit(), "XY");
        QCOMPARE(name->text(), QStringLiteral("ALPHA"));

        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), 2000);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(2, 0)).center());
        QTRY_COMPARE_WITH_TIMEOUT(name->text(), QStringLiteral("GAMMA"), 2000);

        QTest::keyClick(combo, Qt::Key_Up);
        QCOMPARE(name->text(), QStringLiteral("BETA"));
    }

    // ------------------------------------------------------------ names that store nothing

    void unusableNameTouchesNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("button");

        for (const char *button : {"Load", "Save", "Erase"}) {
            QTest::addRow("%s, blanks only", button) << " \t " << QByteArray(button);
            QTest::addRow("%s, nothing", button) << "" << QByteArray(button);
        }
        // "[A]B]" would read back as the section "A".
        QTest::addRow("Save, closing bracket") << "a]b" << QByteArray("Save");
        QTest::addRow("Load, closing bracket") << "a]b" << QByteArray("Load");
    }

    void unusableNameTouchesNothing()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, button);

        up("4QTR A");
        const QByteArray file = "[A]\r\nT1=230\r\nH1=1\r\n[]\r\nT1=240\r\n";
        writeProfiles(file);
        open();
        typeName(typed);
        click(button.constData());
        QCOMPARE(readProfiles(), file);
        QVERIFY(!m_rig->machine.HasPendingValues());
        // Nothing was loaded or saved, so the operator may type a name.
        QVERIFY(m_form->isVisible());
        QCOMPARE(comboItems(child<QComboBox>("Combo")), QStringList{"A"});
    }

    // ------------------------------------------------------------ file failures

    // A file that cannot be written or read: the operator is told which file and why,
    // the dialog stays open, nothing is queued, nothing stored changes, and the debug
    // window (when on) gets its one trace line.
    void failingFileIsReported_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("fault"); // "read-only", "folder" (the file's name is one), "full disk"
        QTest::addColumn<bool>("debugOn");
        QTest::addColumn<QString>("message"); // %1 is the file

        const QString readOnly = "Cannot write \"%1\": the file is read-only";
        const QString full = "Cannot write \"%1\": " + QString::fromLocal8Bit(strerror(EFBIG));
        QTest::addRow("save, read-only, debug on") << QByteArray("Save") << "read-only" << true << readOnly;
        QTest::addRow("save, read-only, debug off") << QByteArray("Save") << "read-only" << false << readOnly;
        QTest::addRow("save, unreadable") << QByteArray("Save") << "folder" << true << "Cannot write \"%1\": ";
        QTest::addRow("save, full disk, 1 KiB") << QByteArray("Save") << "full disk 1000" << true << full;
        QTest::addRow("save, full disk, 12 KiB") << QByteArray("Save") << "full disk 12000" << false << full;
        QTest::addRow("save, full disk, 40 KiB") << QByteArray("Save") << "full disk 40000" << false << full;
        const QString cannotRead = "Cannot read \"%1\": ";
        QTest::addRow("load, unreadable, debug on") << QByteArray("Load") << "folder" << true << cannotRead;
        QTest::addRow("load, unreadable, debug off") << QByteArray("Load") << "folder" << false << cannotRead;
    }

    void failingFileIsReported()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, fault);
        QFETCH(bool, debugOn);
        QFETCH(QString, message);

        up("4QTR A");
        QByteArray file = "[JOB]\r\nT1=230\r\nH1=1\r\n";
        std::unique_ptr<FileSizeLimit> limit;
        if (fault == "read-only") {
            writeProfiles(file);
            QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (fault == "folder") {
            QVERIFY(QDir().mkdir(path()));
            file = QByteArray();
        } else {
            const int size = fault.section(' ', 2).toInt();
            file = "; " + QByteArray(size, 'x') + "\r\n" + file;
            writeProfiles(file);
            limit = std::make_unique<FileSizeLimit>(size / 2);
            QVERIFY(limit->ok());
        }
        TDebugForm debug;
        debug.SetActive(debugOn);
        open(&debug);
        typeName("job");
        QString seen;
        answerBox(QMessageBox::Ok, &seen);
        click(button.constData());
        limit.reset();

        QVERIFY2(seen.startsWith("Error|" + message.arg(path())), qPrintable(seen));
        QCOMPARE(memoLines(debug), debugOn ? QStringList{"Error in profile file!"} : QStringList{});
        QVERIFY(m_form->isVisible());
        // An unreadable file queues nothing: zeros from it would switch the heater off.
        QVERIFY(!m_rig->machine.HasPendingValues());
        if (!file.isNull())
            QCOMPARE(readProfiles(), file);
        QCOMPARE(QDir(m_home->path()).entryList(QDir::Files | QDir::Hidden),
                 file.isNull() ? QStringList() : QStringList{"Profiles.vard"});
    }

    // ------------------------------------------------------------ opening and closing

    void notConnectedRefuses()
    {
        QString seen;
        bool sawForm = false;
        whenModal([&](QWidget *w) {
            sawForm = qobject_cast<TProfileForm *>(w) != nullptr;
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                seen = box->windowTitle() + u'|' + box->text() + u'|' + QString::number(box->icon());
                box->button(QMessageBox::Ok)->click();
            } else {
                w->close();
            }
        });
        ShowProfileDialog(nullptr, &m_rig->machine, nullptr);
        QVERIFY(!sawForm);
        QCOMPARE(seen, QStringLiteral("Error|Machine is not connected!|%1").arg(int(QMessageBox::Information)));
    }

    void dialogIsModalAndEscCloses_data()
    {
        QTest::addColumn<QByteArray>("focus");
        QTest::addRow("in the name field") << QByteArray("ProfileName");
        QTest::addRow("in the list's edit part") << QByteArray("Combo");
    }

    void dialogIsModalAndEscCloses()
    {
        QFETCH(QByteArray, focus);

        up("4QTR A");
        writeProfiles(kJob);
        QString caption;
        bool fixed = false;
        QStringList tabChain;
        whenModal([&](QWidget *w) {
            auto *form = qobject_cast<TProfileForm *>(w);
            if (!form) {
                w->close();
                return;
            }
            caption = form->objectName() + u'|' + form->windowTitle();
            fixed = form->minimumSize() == form->maximumSize();
            // Focus follows only once the window is active, which a slow (sanitizer)
            // build may not have reached yet when the dialog first shows.
            QVERIFY(QTest::qWaitForWindowActive(form));
            form->findChild<QComboBox *>(QStringLiteral("Combo"))->setFocus();
            for (int i = 0; i < 6; ++i) {
                QWidget *f = QApplication::focusWidget();
                tabChain.append(f ? f->objectName() : QString());
                QTest::keyClick(f, Qt::Key_Tab);
            }
            auto *target = form->findChild<QWidget *>(QString::fromLatin1(focus));
            target->setFocus();
            auto *combo = form->findChild<QComboBox *>(QStringLiteral("Combo"));
            QWidget *receiver = target == combo ? combo->lineEdit() : target;
            QTest::keyClick(receiver, Qt::Key_Escape);
        });
        ShowProfileDialog(nullptr, &m_rig->machine, nullptr); // returns once Esc closed it
        QCOMPARE(caption, QStringLiteral("ProfileForm|Manage profiles"));
        QVERIFY(fixed);
        QCOMPARE(tabChain, (QStringList{"Combo", "ProfileName", "Load", "Save", "Erase", "Quit"}));
        QVERIFY(!m_rig->machine.HasPendingValues());
    }

    void quitTouchesNothing()
    {
        up("4QTR A");
        writeProfiles(kJob);
        open();
        typeName("job");
        click("Quit");
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Rejected));
        QCOMPARE(readProfiles(), kJob);
        QVERIFY(!m_rig->machine.HasPendingValues());
    }
};

QTEST_MAIN(TestProfiles)
#include "tst_profiles.moc"
