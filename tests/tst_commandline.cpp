// The command line, the termination signals and the demo's hands-off settings: the
// parser on its own, then the real program as a child process (offscreen), against the
// simulated machine on a pseudo-terminal where a machine is needed.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "app/CommandLine.h"
#include "sim/SimulatedMachine.h"
#include "tests/FileHelpers.h"

namespace {

const QStringList kTypes = {QStringLiteral("4QTR"), QStringLiteral("362.04"), QStringLiteral("362.07"),
                            QStringLiteral("362.10")};

// Every file below `folder` with its bytes, by relative path.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), contents(path));
    }
    QDirIterator dirs(folder, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (dirs.hasNext())
        files.insert(QDir(folder).relativeFilePath(dirs.next()) + u'/', QByteArray());
    return files;
}

// The lock file the serial port library keeps for `device` while it is open, if any.
QString lockFileOf(const QString &device)
{
    const QString name = QStringLiteral("LCK..") + QFileInfo(device).fileName();
    for (const QString &dir : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QDir::tempPath()}) {
        if (QFile::exists(dir + u'/' + name))
            return dir + u'/' + name;
    }
    return QString();
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    QProcess *startVard(const QString &home, const QStringList &args, bool display = true)
    {
        auto *process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VARD_HOME"), home);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(VARD_PROGRAM), args);
        return process;
    }

    // Waits for the program to end on its own after `signalNumber`; false (and the
    // process killed) when it does not within a generous time.
    static bool endsAfter(QProcess *process, int signalNumber)
    {
        ::kill(static_cast<pid_t>(process->processId()), signalNumber);
        if (process->waitForFinished(60000))
            return true;
        process->kill();
        process->waitForFinished();
        return false;
    }

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("errorPart");
        using A = vard::CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << int(A::Run) << false << "" << "";
        QTest::newRow("simulate, default type") << QStringList{"--simulate"} << int(A::Run) << true << "4QTR" << "";
        QTest::newRow("simulate TYPE") << QStringList{"--simulate", "362.10"} << int(A::Run) << true << "362.10" << "";
        QTest::newRow("simulate=TYPE") << QStringList{"--simulate=362.07"} << int(A::Run) << true << "362.07" << "";
        QTest::newRow("type in any case") << QStringList{"--simulate", "4qtr"} << int(A::Run) << true << "4QTR" << "";
        QTest::newRow("toolkit options pass")
            << QStringList{"-platform", "offscreen", "--simulate", "-style", "fusion"} << int(A::Run) << true << "4QTR"
            << "";
        QTest::newRow("help") << QStringList{"--help"} << int(A::Help) << false << "" << "";
        QTest::newRow("-h") << QStringList{"-h", "--bogus"} << int(A::Error) << false << "" << "bogus";
        QTest::newRow("version") << QStringList{"-v"} << int(A::Version) << false << "" << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << int(A::Error) << false << "" << "bogus";
        QTest::newRow("unknown type") << QStringList{"--simulate", "363"} << int(A::Error) << false << "" << "363";
        QTest::newRow("type without simulate") << QStringList{"362.10"} << int(A::Error) << false << "" << "362.10";
        QTest::newRow("two types") << QStringList{"--simulate", "4QTR", "362.04"} << int(A::Error) << true << ""
                                   << "362.04";
        QTest::newRow("toolkit option without value") << QStringList{"-platform"} << int(A::Error) << false << ""
                                                      << "platform";
    }

    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(bool, simulate);
        QFETCH(QString, type);
        QFETCH(QString, errorPart);
        const vard::CommandLine line = vard::ParseCommandLine(QStringList{"vard"} + args, kTypes);
        QCOMPARE(int(line.action), action);
        if (action == int(vard::CommandLine::Action::Run)) {
            QCOMPARE(line.simulate, simulate);
            QCOMPARE(line.simulatedType, type);
        } else if (action == int(vard::CommandLine::Action::Error)) {
            QVERIFY2(line.error.contains(errorPart), qPrintable(line.error));
        }
    }

    // No display, no platform plugin chosen: the text comes out and the program ends.
    void helpAndVersionWithoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("mustContain");
        QTest::newRow("help") << "--help" << QStringList{"Usage: vard", "--simulate", "--version", "--help", "TYPE"};
        QTest::newRow("version") << "--version" << QStringList{"vard " VARD_VERSION, "Settings: ", "Data: "};
    }

    void helpAndVersionWithoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QStringList, mustContain);
        QTemporaryDir home;
        QProcess *process = startVard(home.path(), {option}, false);
        QVERIFY(process->waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
        for (const QString &part : mustContain)
            QVERIFY2(out.contains(part), qPrintable(out));
        QVERIFY2(!out.contains(QLatin1String("-platform")), "the toolkit's options are not ours to list");
        if (option == QLatin1String("--version"))
            QVERIFY2(out.contains(QDir::cleanPath(home.path())), qPrintable(out));
        QVERIFY(QDir(home.path()).isEmpty());
    }

    void wrongCommandLineExitsWithTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{"--bogus"};
        QTest::newRow("unknown machine") << QStringList{"--simulate", "999"};
    }

    void wrongCommandLineExitsWithTwo()
    {
        QFETCH(QStringList, args);
        QTemporaryDir home;
        QProcess *process = startVard(home.path(), args, false);
        QVERIFY(process->waitForFinished(30000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 2);
        const QString err = QString::fromLocal8Bit(process->readAllStandardError());
        QVERIFY2(err.contains(args.last().remove(QLatin1String("--"))), qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("--help")), qPrintable(err));
    }

    // A signal the program was started with ignored (nohup, a background job of a
    // script) stays ignored: a hang-up does not end it; SIGTERM still does, cleanly.
    void ignoredSignalStaysIgnored()
    {
        QTemporaryDir home;
        writeFile(home.filePath("Vard.ini"), "[Communications]\r\nComNo=1\r\nPort1=" + home.filePath("none").toUtf8() + "\r\n");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VARD_HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("/bin/sh"), {"-c", "trap '' HUP; exec \"$0\"", QStringLiteral(VARD_PROGRAM)});
        QVERIFY(process.waitForStarted());
        // Up and past installing its handlers once the log window has written its first
        // line to the day's file.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(home.filePath("Logs")).entryList(QDir::Files).size() == 1, 60000);
        ::kill(pid_t(process.processId()), SIGHUP);
        QTest::qWait(1500);
        QCOMPARE(process.state(), QProcess::Running);
        QVERIFY(endsAfter(&process, SIGTERM));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

    // A demo runs on a copy: the operator's folder is the same, byte for byte, after it,
    // though the demo has a language, window positions and profiles to write back.
    void simulateLeavesTheSettingsFolderAlone()
    {
        QTemporaryDir home;
        const QString dir = home.path() + u'/';
        writeFile(dir + "Vard.ini", "[General]\r\nLocaleID=0x407\r\nTavoPath=C:\\Tavo\r\n[Communications]\r\nComNo=1\r\n");
        writeFile(dir + "Vard.pos", "[MainWindow]\r\nTop=11\r\nLeft=22\r\nWidth=900\r\nHeight=700\r\n");
        writeFile(dir + "MaxTemp.ini", "[362.10]\r\n2=300\r\n");
        writeFile(dir + "Profiles.vard", "");
        QVERIFY(QDir(dir).mkpath("Data"));
        const auto before = snapshot(dir);

        QProcess *process = startVard(home.path(), {"--simulate", "362.10"});
        QVERIFY(process->waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += process->readAllStandardError()).contains("simulated 362.10"), 30000);
        QTest::qWait(3000); // the link finds the machine, the windows refresh
        QVERIFY(endsAfter(process, SIGTERM));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
        // The demo's own data folder is the one thing it adds beside the operator's files.
        auto after = snapshot(dir);
        QStringList demoData;
        for (auto it = after.begin(); it != after.end();) {
            if (it.key().startsWith("vard-demo-data-")) {
                demoData << it.key();
                it = after.erase(it);
            } else {
                ++it;
            }
        }
        QVERIFY(!demoData.isEmpty());
        QCOMPARE(after, before);
    }

    // The shutdown order of a quit, without its question: positions and [General]
    // written, the port and its lock let go.
    void terminationSignalShutsDownInOrder_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void terminationSignalShutsDownInOrder()
    {
        QFETCH(int, signalNumber);
        vardsim::SimulatedMachine machine(vardsim::MachineKind::T362_04);
        QVERIFY(machine.start());
        QTemporaryDir home;
        const QString dir = home.path() + u'/';
        writeFile(dir + "Vard.ini",
                            "[Communications]\r\nComNo=1\r\nPort1=" + machine.devicePath().toUtf8() + "\r\n");

        QProcess *process = startVard(home.path(), {});
        QVERIFY(process->waitForStarted());
        // Polling means connected: the machine was identified and is being asked.
        QTRY_VERIFY_WITH_TIMEOUT(machine.requestCount() > 10, 60000);
        const QString lock = lockFileOf(machine.devicePath());
        QVERIFY(endsAfter(process, signalNumber));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);

        const QByteArray pos = contents(dir + "Vard.pos");
        QVERIFY2(pos.contains("[MainWindow]") && pos.contains("[LogForm]"), pos.constData());
        const QByteArray ini = contents(dir + "Vard.ini");
        QVERIFY2(ini.contains("LocaleID=0"), ini.constData());
        QVERIFY2(ini.contains("Port1=" + machine.devicePath().toUtf8()), "the operator's keys stay");
        if (!lock.isEmpty())
            QVERIFY2(!QFile::exists(lock), qPrintable(lock));
        QSerialPort again(machine.devicePath());
        QVERIFY2(again.open(QIODevice::ReadWrite), qPrintable(again.errorString()));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
