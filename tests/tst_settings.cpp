// The settings files: private-profile reading and writing, window positions, limits,
// the [General] object and the number helper of the poll cycle.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <climits>
#include <cstring>

#include "FileHelpers.h"
#include "app/GlobalUnit.h"
#include "link/PortNames.h"
#include "app/ObjGlobalVarUnit.h"
#include "app/SafeSave.h"
#include "app/TextCodec.h"

class TestSettings : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    QString path(const char *name) const { return m_home->filePath(QString::fromLatin1(name)); }

    void writeFile(const char *name, const QByteArray &bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray readFile(const char *name)
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }

    void cleanup()
    {
        QFile::setPermissions(path("Vard.ini"), QFile::ReadOwner | QFile::WriteOwner);
        qunsetenv("VARD_HOME");
        QLocale::setDefault(QLocale::c());
    }

    void readInt_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");

        const QByteArray base = "[Communications]\r\nComNo=3\r\nBaudrate = 19200 \r\n[Machine]\r\nRefreshCount=0x1F\r\n";
        QTest::addRow("plain") << base << "Communications" << "ComNo" << 3;
        QTest::addRow("blanks around the equals sign") << base << "Communications" << "Baudrate" << 19200;
        QTest::addRow("section and key in other case") << base << "COMMUNICATIONS" << "comno" << 3;
        QTest::addRow("hexadecimal") << base << "Machine" << "RefreshCount" << 31;
        QTest::addRow("hexadecimal upper X") << QByteArray("[M]\nk=0X1f\n") << "M" << "k" << 31;
        QTest::addRow("hexadecimal 32-bit pattern") << QByteArray("[M]\nk=0xFFFFFFFF\n") << "M" << "k" << -1;
        QTest::addRow("negative") << QByteArray("[M]\nk=-7\n") << "M" << "k" << -7;
        QTest::addRow("not a number") << QByteArray("[M]\nk=abc\n") << "M" << "k" << -99;
        QTest::addRow("number with trailing text") << QByteArray("[M]\nk=12abc\n") << "M" << "k" << -99;
        QTest::addRow("empty value") << QByteArray("[M]\nk=\n") << "M" << "k" << -99;
        QTest::addRow("beyond 32 bits") << QByteArray("[M]\nk=4294967296\n") << "M" << "k" << -99;
        QTest::addRow("hex too long") << QByteArray("[M]\nk=0x100000000\n") << "M" << "k" << -99;
        QTest::addRow("missing key") << base << "Machine" << "Other" << -99;
        QTest::addRow("missing section") << base << "Nowhere" << "ComNo" << -99;
        QTest::addRow("missing file") << QByteArray() << "Machine" << "RefreshCount" << -99;
        QTest::addRow("key of another section") << base << "Machine" << "ComNo" << -99;
        QTest::addRow("first of two equal keys") << QByteArray("[M]\nk=1\nK=2\n") << "M" << "k" << 1;
        QTest::addRow("first of two equal sections") << QByteArray("[M]\nk=1\n[m]\nk=2\n") << "M" << "k" << 1;
        QTest::addRow("comment is not a key") << QByteArray("[M]\n;k=5\n") << "M" << "k" << -99;
        QTest::addRow("key before any section") << QByteArray("k=5\n[M]\n") << "M" << "k" << -99;
        QTest::addRow("NUL inside") << QByteArray("[M]\nk=12\0abc\n", 13) << "M" << "k" << -99;
        QTest::addRow("blank after 0x") << QByteArray("[M]\nk=0x 1\n") << "M" << "k" << -99;
        QTest::addRow("blank inside") << QByteArray("[M]\nk=1 2\n") << "M" << "k" << -99;
        QTest::addRow("0x alone") << QByteArray("[M]\nk=0x\n") << "M" << "k" << -99;
        QTest::addRow("not a hex digit") << QByteArray("[M]\nk=0x1G\n") << "M" << "k" << -99;
        QTest::addRow("sign alone") << QByteArray("[M]\nk=-\n") << "M" << "k" << -99;
        QTest::addRow("two signs") << QByteArray("[M]\nk=+-1\n") << "M" << "k" << -99;
        QTest::addRow("sign and blank") << QByteArray("[M]\nk=- 5\n") << "M" << "k" << -99;
        QTest::addRow("plus sign") << QByteArray("[M]\nk=+15\n") << "M" << "k" << 15;
        QTest::addRow("signed hexadecimal") << QByteArray("[M]\nk=-0x1F\n") << "M" << "k" << -31;
        QTest::addRow("hex with leading zeros") << QByteArray("[M]\nk=0x000000001f\n") << "M" << "k" << 31;
        QTest::addRow("lowest 32-bit number") << QByteArray("[M]\nk=-2147483648\n") << "M" << "k" << INT_MIN;
        QTest::addRow("one past the highest") << QByteArray("[M]\nk=2147483648\n") << "M" << "k" << -99;
        // An Arabic-Indic digit is a digit to Unicode, not to the file.
        QTest::addRow("digit of another script") << QByteArray("[M]\nk=\xD9\xA3\n") << "M" << "k" << -99;
    }

    void readInt()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, expected);
        if (!file.isEmpty())
            writeFile("Vard.ini", file);
        QCOMPARE(ReadSettingInt(section, key, -99), expected);
    }

    void readString()
    {
        writeFile("Vard.ini", "[General]\r\nTavoPath = \"C:\\Programme\\Tavo\" \r\nName=M\xE4rz 20\xB0\r\n");
        QCOMPARE(ReadSettingStr("general", "TAVOPATH", "x"), QString("C:\\Programme\\Tavo"));
        QCOMPARE(ReadSettingStr("General", "Name", "x"), QString::fromUtf8("März 20°"));
        QCOMPARE(ReadSettingStr("General", "Missing", "dflt"), QString("dflt"));
    }

    // A write changes its one line and leaves every other byte of the file alone.
    void writeKeepsForeignLines()
    {
        writeFile("Vard.ini",
                  "; made by hand\n"
                  "[Communications]\r\n"
                  "ComNo=3\r\n"
                  "Port3=/dev/ttyUSB0\n"
                  "\r\n"
                  "[general]\r\n"
                  "LOCALEID=1031\r\n"
                  "Other=keep me\r\n"
                  "\r\n"
                  "[Debug]\r\n"
                  "Debug=-7");
        WriteSettingInt("General", "LocaleID", 0);
        WriteSettingStr("General", "TavoPath", QString::fromUtf8("C:\\Mess°"));
        WriteSettingInt("Machine", "RefreshCount", 2000);
        QCOMPARE(readFile("Vard.ini"),
                 QByteArray("; made by hand\n"
                            "[Communications]\r\n"
                            "ComNo=3\r\n"
                            "Port3=/dev/ttyUSB0\n"
                            "\r\n"
                            "[general]\r\n"
                            "LocaleID=0\r\n"
                            "Other=keep me\r\n"
                            "TavoPath=C:\\Mess\xB0\r\n"
                            "\r\n"
                            "[Debug]\r\n"
                            "Debug=-7\r\n"
                            "[Machine]\r\n"
                            "RefreshCount=2000\r\n"));
    }

    void writeCreatesFile()
    {
        WriteSettingStr("General", "TavoPath", "/opt/tavo");
        QCOMPARE(readFile("Vard.ini"), QByteArray("[General]\r\nTavoPath=/opt/tavo\r\n"));
        QCOMPARE(ReadSettingStr("General", "TavoPath", ""), QString("/opt/tavo"));
    }

    void writeToReadOnlyFileFailsNamingIt()
    {
        const QByteArray before = "[General]\r\nLocaleID=1031\r\n";
        writeFile("Vard.ini", before);
        QVERIFY(QFile::setPermissions(path("Vard.ini"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        try {
            WriteSettingInt("General", "LocaleID", 0);
            QFAIL("a write to a read-only file must fail");
        } catch (const vard::SettingsFileError &e) {
            QCOMPARE(e.filePath(), path("Vard.ini"));
            QVERIFY(QString::fromStdString(e.what()).contains(path("Vard.ini")));
        }
        QCOMPARE(readFile("Vard.ini"), before);
    }

    void writeIntoMissingFolderFails()
    {
        qputenv("VARD_HOME", m_home->filePath("no/such/folder").toLocal8Bit());
        QVERIFY_THROWS_EXCEPTION(vard::SettingsFileError, WriteSettingInt("General", "LocaleID", 0));
    }

    // A value (or name) that would put a line of its own into the file, or read back as
    // something else, is refused before the file is touched.
    void writeRefusesWhatTheFileCannotHold_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addRow("LF in the value") << "General" << "TavoPath" << "/opt/x\nPort1=/dev/evil";
        QTest::addRow("CR in the value") << "General" << "TavoPath" << "/opt/x\r[Debug]";
        QTest::addRow("NUL in the value") << "General" << "TavoPath" << QString("/opt/x") + QChar(0) + "y";
        QTest::addRow("CR LF at the end") << "General" << "TavoPath" << "/opt/x\r\n";
        QTest::addRow("line break in the section") << "Gen\neral" << "TavoPath" << "x";
        QTest::addRow("bracket in the section") << "Gen]x" << "TavoPath" << "x";
        QTest::addRow("equals sign in the key") << "General" << "Tavo=Path" << "x";
        QTest::addRow("bracket opening the key") << "General" << "[Debug" << "x";
        QTest::addRow("outside the code page") << "General" << "TavoPath" << QString::fromUtf8("/opt/Тест/Tavo.exe");
    }

    void writeRefusesWhatTheFileCannotHold()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray before = "[General]\r\nLocaleID=1031\r\nTavoPath=/opt/tavo\r\n";
        writeFile("Vard.ini", before);
        try {
            WriteSettingStr(section, key, value);
            QFAIL("the write must be refused");
        } catch (const vard::SettingsFileError &e) {
            QCOMPARE(e.filePath(), path("Vard.ini"));
            QVERIFY(e.message().contains(path("Vard.ini")));
        }
        QCOMPARE(readFile("Vard.ini"), before);
    }

    // The disk fills up during the save (a file-size limit stands for it, since root
    // ignores permissions but not limits), for a file smaller than any write buffer and
    // for a larger one: the error names the file and the reason, the old file is there
    // byte for byte, and no temporary file is left beside it.
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("padding"); // foreign bytes in the old file
        QTest::addRow("settings, 1 KiB") << "Vard.ini" << 1000;
        QTest::addRow("settings, 12 KiB") << "Vard.ini" << 12000;
        QTest::addRow("settings, 40 KiB") << "Vard.ini" << 40000;
        QTest::addRow("window positions, 1 KiB") << "Vard.pos" << 1000;
        QTest::addRow("window positions, 20 KiB") << "Vard.pos" << 20000;
    }

    void fullDiskKeepsTheOldFile()
    {
        QFETCH(QString, file);
        QFETCH(int, padding);
        const QByteArray before = "; " + QByteArray(padding, 'x') + "\r\n[General]\r\nLocaleID=1031\r\n";
        writeFile(qPrintable(file), before);
        QString error;
        {
            FileSizeLimit limit(static_cast<rlim_t>(padding / 2));
            QVERIFY(limit.ok());
            try {
                if (file == "Vard.ini")
                    WriteSettingInt("General", "LocaleID", 0);
                else
                    WriteWindowPos("MainWindow", TWindowPos{1, 2, 3, 4});
            } catch (const vard::SettingsFileError &e) {
                error = e.message();
            }
        }
        const QString reason = QString::fromLocal8Bit(strerror(EFBIG));
        QCOMPARE(error, QString("Cannot write \"%1\": %2").arg(m_home->filePath(file), reason));
        QCOMPARE(readFile(qPrintable(file)), before);
        QCOMPARE(QDir(m_home->path()).entryList(QDir::Files | QDir::Hidden), QStringList{file});
    }

    // A folder that refuses the temporary file: a settings file is then not written at
    // all (cut off by a full disk it would lose every value), while a save that allows
    // it writes a writable target in place.
    void folderRefusingTheTemporaryFile_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addRow("settings, no writing in place") << false;
        QTest::addRow("writing in place allowed") << true;
    }

    void folderRefusingTheTemporaryFile()
    {
        QFETCH(bool, inPlace);
        const QString folder = m_home->filePath("locked");
        const QString target = folder + "/Vard.ini";
        QVERIFY(QDir().mkpath(folder));
        const QByteArray before = "[General]\r\nLocaleID=1031\r\n";
        writeFile("locked/Vard.ini", before);
        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                         | QFile::ReadOther | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(target, all));
        QVERIFY(lockFolder(folder, {m_home->path()}));

        const QByteArray after = "[General]\r\nLocaleID=0\r\n";
        const bool held = withPermissionsInForce([&] {
            if (inPlace) {
                const vard::SaveResult r = vard::SaveWholeFile(target, after, vard::SafeSave::Fallback::DirectWrite);
                if (!r)
                    qWarning("not written in place: %s", qPrintable(r.reason));
                return bool(r);
            }
            qputenv("VARD_HOME", folder.toLocal8Bit());
            try {
                WriteSettingInt("General", "LocaleID", 0);
                qWarning("the settings were written in place");
                return false;
            } catch (const vard::SettingsFileError &e) {
                return e.message().contains(target);
            }
        });
        QFile::setPermissions(folder, kOpenFolder);
        QVERIFY(held);
        QCOMPARE(readFile("locked/Vard.ini"), inPlace ? after : before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Vard.ini"});
    }

    // What a save killed half-way leaves behind goes at start; the program's own files,
    // other people's files and a save still going on stay.
    void leftoverTemporaries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::addRow("settings") << "Vard.ini.TfaLyq" << 3600 << true;
        QTest::addRow("window positions") << "Vard.pos.aBcDeF" << 3600 << true;
        QTest::addRow("profiles") << "Profiles.vard.ZZZZZZ" << 3600 << true;
        QTest::addRow("measurement") << "Data/m.tavo.DYqnAQ" << 3600 << true;
        QTest::addRow("reference") << "Data/run 2.mref.XYZabc" << 3600 << true;
        QTest::addRow("text export") << "Data/run.txt.Qwerty" << 3600 << true;
        QTest::addRow("a save going on") << "Vard.ini.TfaLyq" << 0 << false;
        QTest::addRow("the settings file") << "Vard.ini" << 3600 << false;
        QTest::addRow("the limits file's") << "MaxTemp.ini.TfaLyq" << 3600 << false;
        QTest::addRow("someone else's file") << "Other.ini.TfaLyq" << 3600 << false;
        QTest::addRow("five characters") << "Vard.ini.TfaLy" << 3600 << false;
        QTest::addRow("seven characters") << "Vard.ini.TfaLyqq" << 3600 << false;
        QTest::addRow("not a letter") << "Vard.ini.Tfa-yq" << 3600 << false;
        QTest::addRow("digits") << "Vard.ini.a1B2c3" << 3600 << false;
        QTest::addRow("measurement name in the settings folder") << "m.tavo.DYqnAQ" << 3600 << false;
        QTest::addRow("settings name in the measurement folder") << "Data/Vard.ini.TfaLyq" << 3600 << false;
        QTest::addRow("other extension in the measurement folder") << "Data/m.doc.DYqnAQ" << 3600 << false;
        QTest::addRow("a measurement") << "Data/m.tavo" << 3600 << false;
    }

    void leftoverTemporaries()
    {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, removed);
        QVERIFY(QDir().mkpath(m_home->filePath("Data")));
        const QString file = m_home->filePath(name);
        writeFile(qPrintable(name), "content");
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(vard::RemoveLeftoverTemporaries(SettingsDir()), removed ? 1 : 0);
        QCOMPARE(QFile::exists(file), !removed);
    }

    // The names above are the ones the toolkit gives a temporary file that has a name,
    // as a save's has where the file system offers no unnamed ones.
    void leftoverNamedByTheToolkit()
    {
        QVERIFY(QDir().mkpath(m_home->filePath("Data")));
        QStringList made;
        for (const QString &target : {path("Vard.ini"), m_home->filePath("Data/run.tavo")}) {
            QTemporaryFile temporary(target);
            temporary.setAutoRemove(false);
            QVERIFY(temporary.open());
            made.append(temporary.fileName()); // asking for the name gives the file one
            const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
            QVERIFY(temporary.setFileTime(old, QFileDevice::FileModificationTime));
        }
        for (const QString &file : made)
            QVERIFY2(QFile::exists(file), qPrintable(file));
        QCOMPARE(vard::RemoveLeftoverTemporaries(SettingsDir()), 2);
        for (const QString &file : made)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
    }

    // A settings file is a few kilobytes: one larger than 1 MiB is not read (every key
    // gives its default), the operator hears of it once, and it is not overwritten.
    void oversizedFileIsNotRead_data()
    {
        QTest::addColumn<int>("extra"); // bytes beyond 1 MiB
        QTest::addColumn<bool>("read");
        QTest::addRow("exactly 1 MiB") << 0 << true;
        QTest::addRow("one byte more") << 1 << false;
        QTest::addRow("64 MiB") << 63 * 1024 * 1024 << false;
    }

    void oversizedFileIsNotRead()
    {
        QFETCH(int, extra);
        QFETCH(bool, read);
        QByteArray bytes = "[Machine]\r\nRefreshCount=2000\r\n";
        bytes += QByteArray(vard::kMaxIniFileSize + extra - bytes.size(), '\n');
        writeFile("Vard.ini", bytes);
        QStringList messages;
        vard::SetReadProblemHandler([&](const QString &message) { messages.append(message); });
        const int first = ReadSettingInt("Machine", "RefreshCount", 1000);
        const int second = ReadSettingInt("Machine", "RefreshCount", 1000);
        QCOMPARE(ReadSettingStr("Machine", "RefreshCount", "dflt"), read ? QString("2000") : QString("dflt"));
        vard::SetReadProblemHandler(nullptr);
        QCOMPARE(first, read ? 2000 : 1000);
        QCOMPARE(second, first);
        QCOMPARE(messages.size(), read ? 0 : 1);
        if (!read) {
            QVERIFY2(messages.first().contains(path("Vard.ini")), qPrintable(messages.first()));
            QVERIFY2(messages.first().contains("1 MiB"), qPrintable(messages.first()));
            QVERIFY_THROWS_EXCEPTION(vard::SettingsFileError, WriteSettingInt("General", "LocaleID", 0));
            QCOMPARE(QFileInfo(path("Vard.ini")).size(), bytes.size());
        }
    }

    // Reading costs the file's bytes, not a record per line: a file of a million empty
    // lines, read key after key, keeps the process's peak memory close to where it was.
    void shortLinesCostNoMemoryPerLine()
    {
        QByteArray bytes(vard::kMaxIniFileSize - 40, '\n');
        bytes += "[Machine]\r\nRefreshCount=3000\r\n";
        writeFile("Vard.ini", bytes);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(ReadSettingInt("Machine", "RefreshCount", 1000), 3000);
        WriteSettingInt("Machine", "RefreshCount", 4000);
        QCOMPARE(ReadSettingInt("Machine", "RefreshCount", 1000), 4000);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const long grownKiB = after.ru_maxrss - before.ru_maxrss;
        // Generous for the sanitizer build, which holds freed blocks back for a while; a
        // record per line would cost a hundred megabytes here.
        QVERIFY2(grownKiB < 64 * 1024, qPrintable(QString("peak memory grew by %1 KiB").arg(grownKiB)));
    }

    void windowPosition_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QByteArray>("written");
        QTest::addRow("ordinary") << 10 << 20 << 800 << 600
                                  << QByteArray("[MainWindow]\r\nTop=10\r\nLeft=20\r\nWidth=800\r\nHeight=600\r\n");
        QTest::addRow("cut to 16 bits") << -40000 << 70000 << 65535 << 32768
                                        << QByteArray("[MainWindow]\r\nTop=25536\r\nLeft=4464\r\nWidth=-1\r\nHeight=-32768\r\n");
    }

    void windowPosition()
    {
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QByteArray, written);
        WriteWindowPos("MainWindow", TWindowPos{top, left, width, height});
        QCOMPARE(readFile("Vard.pos"), written);
        const TWindowPos back = ReadWindowPos("mainwindow");
        QCOMPARE(back.Top, static_cast<qint16>(top));
        QCOMPARE(back.Left, static_cast<qint16>(left));
        QCOMPARE(back.Width, static_cast<qint16>(width));
        QCOMPARE(back.Height, static_cast<qint16>(height));
    }

    void windowPositionDefaults()
    {
        writeFile("Vard.pos", "[LogForm]\r\nTop=5\r\n");
        const TWindowPos missing = ReadWindowPos("MeasForm");
        QCOMPARE(missing.Top, 0);
        QCOMPARE(missing.Left, 0);
        QCOMPARE(missing.Width, 800);
        QCOMPARE(missing.Height, 600);
        const TWindowPos partial = ReadWindowPos("LogForm");
        QCOMPARE(partial.Top, 5);
        QCOMPARE(partial.Width, 800);
    }

    void maxTemp()
    {
        QCOMPARE(ReadMaxTemp("362.10", 2), 450); // no file
        writeFile("MaxTemp.ini", "[362.10]\r\n2=300\r\n[4QTR]\r\n4=0x104\r\n5=oops\r\n");
        QCOMPARE(ReadMaxTemp("362.10", 2), 300);
        QCOMPARE(ReadMaxTemp("362.10", 1), 450);
        QCOMPARE(ReadMaxTemp("362.0x", 2), 450);
        QCOMPARE(ReadMaxTemp("4qtr", 4), 260);
        QCOMPARE(ReadMaxTemp("4QTR", 5), 450);
    }

    void extractNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("expected");
        QTest::addRow("request") << "en_US" << "R:T4;" << 4.0f;
        QTest::addRow("reply field name") << "en_US" << "T4=" << 4.0f;
        QTest::addRow("empty") << "en_US" << "" << 0.0f;
        QTest::addRow("no digit") << "en_US" << "R:S;" << 0.0f;
        QTest::addRow("digits are gathered") << "en_US" << "A1b2" << 12.0f;
        QTest::addRow("comma in a dot locale") << "en_US" << "1,5" << 0.0f;
        QTest::addRow("comma in a comma locale") << "de_DE" << "x1,5" << 1.5f;
        QTest::addRow("two commas") << "de_DE" << "1,2,3" << 0.0f;
        QTest::addRow("only 255 characters looked at") << "en_US" << QString(255, u'x') + "7" << 0.0f;
    }

    void extractNumber()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(float, expected);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(ExtractNumber(text), expected);
    }

    void globalVarsRoundTrip()
    {
        writeFile("Vard.ini", "[General]\r\nLocaleID=0x407\r\nTavoPath=D:\\Tavo\r\n");
        TGlobalVars vars;
        QCOMPARE(vars.LocaleID(), 1031);
        QCOMPARE(vars.TavoPath(), QString("D:\\Tavo"));
        vars.SetLocaleID(0);
        vars.SetTavoPath(QString::fromUtf8("/opt/Meßprogramm"));
        QCOMPARE(ReadSettingInt("General", "LocaleID", -1), 1031); // not saved yet
        vars.Save();
        QCOMPARE(readFile("Vard.ini"), QByteArray("[General]\r\nLocaleID=0\r\nTavoPath=/opt/Me\xDFprogramm\r\n"));
        TGlobalVars again;
        QCOMPARE(again.TavoPath(), QString::fromUtf8("/opt/Meßprogramm"));
    }

    void codePage()
    {
        const QString text = QString::fromUtf8("€‚°äß—") + QChar(0x0416); // Cyrillic has no byte
        QCOMPARE(vard::toCp1252(text), QByteArray("\x80\x82\xB0\xE4\xDF\x97?"));
        QCOMPARE(vard::fromCp1252("\x80\xB0\x81"), QString::fromUtf8("€°") + QChar(0x81));
    }

    void portNames()
    {
        writeFile("Vard.ini", "[Communications]\r\nPort3=/dev/ttyUSB0\r\nport12=/tmp/x\r\n");
        SetPortOverride(1, "/dev/pts/9");
        const SerialPortNames names = SerialPortNames::read();
        SetPortOverride(1, QString());
        QCOMPARE(names.device(1), QString("/dev/pts/9"));
        QCOMPARE(names.device(2), QString("/dev/ttyS1"));
        QCOMPARE(names.device(3), QString("/dev/ttyUSB0"));
        QCOMPARE(names.device(12), QString("/tmp/x"));
        QCOMPARE(SerialPortNames::read().device(1), QString("/dev/ttyS0"));
    }

    void programDirEndsWithSeparator()
    {
        const QString dir = ProgramDir();
        QVERIFY(dir.endsWith(u'/'));
        QVERIFY(QFile::exists(dir + QCoreApplication::applicationName()));
        QCOMPARE(SettingsDir(), m_home->path() + u'/');
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
