// The settings files: private-profile reading and writing, window positions, limits,
// the [General] object and the number helper of the poll cycle.

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include "app/GlobalUnit.h"
#include "app/ObjGlobalVarUnit.h"
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
