// The daily log files: the bytes of each line as the log window's "Save" writes them,
// read back the moment append() returns; the change of file at midnight by the lines'
// own time; what a full disk or a read-only folder does to the lines (kept, in order,
// written once there is room), the backlog's bound, and the clean-up of old days.

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

#include "FileHelpers.h"
#include "app/GlobalUnit.h"
#include "machine/LogFiles.h"

using vard::LogFiles;

namespace {

QDateTime at(int y, int m, int d, int h, int min, int s, int ms = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s, ms));
}

const QDateTime kMorning = at(2024, 3, 15, 8, 15, 2);

} // namespace

class TestLogFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_logs;

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
        m_logs = m_home->filePath("Logs");
    }

    void cleanup()
    {
        QFile::setPermissions(m_logs, kOpenFolder);
        qunsetenv("VARD_HOME");
        m_home.reset();
    }

    // Each line as the window's Save stores it: the text as shown, Windows-1252 (the
    // degree sign is the byte B0, the euro sign 80), a character the code page lacks as
    // '?', CR LF after every line; a break inside a line makes two lines.
    void lineBytes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("stamped") << QString("[08:15:02] Machine 4QTR connected")
                                 << QByteArray("[08:15:02] Machine 4QTR connected\r\n");
        QTest::addRow("degree, euro, umlaut")
            << QString::fromUtf8("Zone 2 250°C 5€ Lüfter") << QByteArray("Zone 2 250\xB0" "C 5\x80 L\xFC" "fter\r\n");
        QTest::addRow("outside the code page")
            << QString::fromUtf8("Ω ok ✓") << QByteArray("? ok ?\r\n");
        QTest::addRow("empty") << QString() << QByteArray("\r\n");
        QTest::addRow("breaks inside") << QString("a\nb\r\nc\rd") << QByteArray("a\r\nb\r\nc\r\nd\r\n");
    }

    void lineBytes()
    {
        QFETCH(QString, line);
        QFETCH(QByteArray, bytes);
        LogFiles log(m_logs);
        const QString path = m_logs + "/vard-2024-03-15.log";
        QVERIFY(log.append("first", kMorning));
        QCOMPARE(contents(path), QByteArray("first\r\n"));
        QVERIFY(log.append(line, kMorning.addSecs(1)));
        QCOMPARE(contents(path), "first\r\n" + bytes);
        QCOMPARE(log.backlog(), 0);
        QVERIFY(log.lastError().isEmpty());
    }

    // A file already there (an earlier run of the day) is appended to, never replaced;
    // a folder that is missing, also further down, is made.
    void appendsToTheDayOfAnEarlierRun()
    {
        const QString folder = m_home->filePath("deeper/Logs");
        writeFile(m_home->filePath("keep"), "x");
        {
            LogFiles first(folder);
            QVERIFY(QFileInfo(folder).isDir());
            QVERIFY(first.append("[08:00:00] Application started", kMorning));
        }
        LogFiles second(folder);
        QVERIFY(second.append("[09:00:00] Application started", kMorning.addSecs(3600)));
        QCOMPARE(contents(folder + "/vard-2024-03-15.log"),
                 QByteArray("[08:00:00] Application started\r\n[09:00:00] Application started\r\n"));
    }

    // The line's own time picks the file, so a line late in the day and one just after
    // midnight land in different files, also over a month's and a year's end; a line
    // stamped for the earlier day after that still goes to the earlier day.
    void midnight_data()
    {
        QTest::addColumn<QDateTime>("before");
        QTest::addColumn<QString>("beforeFile");
        QTest::addColumn<QString>("afterFile");
        QTest::addRow("day") << at(2024, 3, 15, 23, 59, 59, 999) << "vard-2024-03-15.log" << "vard-2024-03-16.log";
        QTest::addRow("leap day") << at(2024, 2, 28, 23, 59, 59, 999) << "vard-2024-02-28.log"
                                  << "vard-2024-02-29.log";
        QTest::addRow("year") << at(2023, 12, 31, 23, 59, 59, 999) << "vard-2023-12-31.log" << "vard-2024-01-01.log";
    }

    void midnight()
    {
        QFETCH(QDateTime, before);
        QFETCH(QString, beforeFile);
        QFETCH(QString, afterFile);
        LogFiles log(m_logs);
        QVERIFY(log.append("late", before));
        QVERIFY(log.append("early", before.addMSecs(1)));
        QVERIFY(log.append("stamped before midnight", before.addMSecs(-5)));
        QCOMPARE(QDir(m_logs).entryList(QDir::Files), QStringList({beforeFile, afterFile}));
        QCOMPARE(contents(m_logs + '/' + beforeFile), QByteArray("late\r\nstamped before midnight\r\n"));
        QCOMPARE(contents(m_logs + '/' + afterFile), QByteArray("early\r\n"));
    }

    // The disk fills up in the middle of a line: the line is not half on disk, it waits
    // with the ones after it (across midnight, too), the operator is told once, and
    // once there is room every line is written in the order it came.
    void diskFull()
    {
        LogFiles log(m_logs);
        const QString day1 = m_logs + "/vard-2024-03-15.log";
        const QString day2 = m_logs + "/vard-2024-03-16.log";
        QVERIFY(log.append("0123456789", at(2024, 3, 15, 23, 0, 0))); // 12 bytes
        QString message;
        QVERIFY(!log.takeNewProblem(&message));
        {
            FileSizeLimit limit(20);
            QVERIFY(limit.ok());
            QVERIFY(!log.append("a line that does not fit", at(2024, 3, 15, 23, 30, 0)));
            QCOMPARE(log.backlog(), 1);
            QCOMPARE(contents(day1), QByteArray("0123456789\r\n"));
            const QString reason = QString::fromLocal8Bit(strerror(EFBIG));
            QVERIFY2(log.lastError().contains(QDir::toNativeSeparators(day1)), qPrintable(log.lastError()));
            QVERIFY2(log.lastError().contains(reason), qPrintable(log.lastError()));

            QVERIFY(log.takeNewProblem(&message));
            QCOMPARE(message, log.lastError());
            QVERIFY(!log.append("second", at(2024, 3, 15, 23, 45, 0)));
            QVERIFY(!log.append("after midnight", at(2024, 3, 16, 0, 0, 1)));
            QCOMPARE(log.backlog(), 3);
            QVERIFY(!log.takeNewProblem(&message));
            QCOMPARE(contents(day1), QByteArray("0123456789\r\n"));
            QVERIFY(!QFileInfo::exists(day2) || contents(day2).isEmpty());
        }
        QVERIFY(log.append("room again", at(2024, 3, 16, 0, 0, 2)));
        QCOMPARE(log.backlog(), 0);
        QCOMPARE(log.dropped(), 0);
        QVERIFY(!log.takeNewProblem(&message));
        QCOMPARE(contents(day1), QByteArray("0123456789\r\na line that does not fit\r\nsecond\r\n"));
        QCOMPARE(contents(day2), QByteArray("after midnight\r\nroom again\r\n"));

        // After a success the next failure is a new problem to tell.
        {
            FileSizeLimit limit(0);
            QVERIFY(limit.ok());
            QVERIFY(!log.append("again", at(2024, 3, 16, 0, 0, 3)));
        }
        QVERIFY(log.takeNewProblem(&message));
        QVERIFY(!log.takeNewProblem(&message));
    }

    // A folder nobody but root may write (the file of the day not there yet).
    void readOnlyFolder()
    {
        LogFiles log(m_logs);
        QVERIFY(lockFolder(m_logs, {m_home->path()}));
        const bool held = withPermissionsInForce([&] {
            const bool written = log.append("[08:15:02] refused", kMorning);
            QString message;
            const bool told = log.takeNewProblem(&message);
            if (written || log.backlog() != 1 || !told || !message.contains("vard-2024-03-15.log")) {
                qWarning("written %d, backlog %lld, told %d: %s", written, qlonglong(log.backlog()), told,
                         qPrintable(message));
                return false;
            }
            return true;
        });
        QFile::setPermissions(m_logs, kOpenFolder);
        QVERIFY(held);
        QCOMPARE(QDir(m_logs).entryList(QDir::Files), QStringList());
    }

    // With the backlog full the oldest lines give way and are counted; the newest
    // reach the file in order.
    void backlogBound()
    {
        LogFiles log(m_logs, 3);
        const QString path = m_logs + "/vard-2024-03-15.log";
        {
            FileSizeLimit limit(0);
            QVERIFY(limit.ok());
            for (int i = 1; i <= 5; ++i)
                QVERIFY(!log.append(QString("line %1").arg(i), kMorning.addSecs(i)));
            QCOMPARE(log.backlog(), 3);
            QCOMPARE(log.dropped(), 2);
        }
        QVERIFY(log.append("line 6", kMorning.addSecs(6)));
        QCOMPARE(contents(path), QByteArray("line 3\r\nline 4\r\nline 5\r\nline 6\r\n"));
        QCOMPARE(log.backlog(), 0);
        QCOMPARE(log.dropped(), 2);
    }

    // Switched off, no line reaches a file and none is kept; the lines that were waiting
    // stay and go out first once it is on again.
    void disabled()
    {
        LogFiles log(m_logs);
        const QString path = m_logs + "/vard-2024-03-15.log";
        {
            FileSizeLimit limit(0);
            QVERIFY(limit.ok());
            QVERIFY(!log.append("waiting", kMorning));
        }
        QString message;
        QVERIFY(log.takeNewProblem(&message));
        log.setEnabled(false);
        QVERIFY(!log.isEnabled());
        QVERIFY(!log.append("while off", kMorning.addSecs(1)));
        QCOMPARE(log.backlog(), 1);
        QVERIFY(!log.takeNewProblem(&message));
        QVERIFY(contents(path).isEmpty());
        log.setEnabled(true);
        QVERIFY(log.append("on again", kMorning.addSecs(2)));
        QCOMPARE(contents(path), QByteArray("waiting\r\non again\r\n"));
    }

    // Day files more than `days` days before today go; a file exactly that old stays,
    // and nothing that is not a day file is touched, however close its name.
    void removeOlderThan_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QStringList>("removed");
        const QStringList old = {"vard-2023-03-01.log", "vard-2020-01-01.log"};
        QTest::addRow("90") << 90 << QStringList({"vard-2024-01-01.log"}) + old;
        QTest::addRow("89") << 89 << QStringList({"vard-2024-01-01.log", "vard-2024-01-02.log"}) + old;
        QTest::addRow("91") << 91 << old;
        QTest::addRow("long ago only") << 1000 << QStringList({"vard-2020-01-01.log"});
        QTest::addRow("0") << 0 << QStringList();
        QTest::addRow("negative") << -1 << QStringList();
    }

    void removeOlderThan()
    {
        QFETCH(int, days);
        QFETCH(QStringList, removed);
        const QDate today(2024, 4, 1);
        LogFiles log(m_logs);
        const QStringList days89to91 = {"vard-2024-01-01.log", "vard-2024-01-02.log", "vard-2024-01-03.log"};
        QCOMPARE(QDate(2024, 1, 2).daysTo(today), 90);
        const QStringList dayFiles = days89to91 + QStringList({"vard-2023-03-01.log", "vard-2020-01-01.log",
                                                               "vard-2024-04-01.log", "vard-2024-05-01.log"});
        const QStringList foreign = {"vard-2019-01-01.log.bak", "Vard-2019-01-01.log", "vard-2019-1-01.log",
                                     "vard-2019-02-30.log",     "vard-2019-01-01.txt", "old-vard-2019-01-01.log",
                                     "notes.txt",               "vard-２０１９-01-01.log"};
        for (const QString &name : dayFiles + foreign)
            writeFile(m_logs + '/' + name, name.toUtf8());
        QVERIFY(QDir(m_logs).mkdir("vard-2018-01-01.log"));

        QCOMPARE(log.removeOlderThan(days, today), removed.size());
        QStringList left = dayFiles + foreign + QStringList({"vard-2018-01-01.log"});
        for (const QString &name : removed)
            left.removeOne(name);
        left.sort();
        QStringList found = QDir(m_logs).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        found.sort();
        QCOMPARE(found, left);
        for (const QString &name : foreign)
            QCOMPARE(contents(m_logs + '/' + name), name.toUtf8());
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("keepDays");
        QTest::addRow("no file") << QByteArray() << true << 90;
        QTest::addRow("no keys") << QByteArray("[Log]\r\nOther=3\r\n") << true << 90;
        QTest::addRow("off, 30 days") << QByteArray("[Log]\r\nWriteFiles=0\r\nKeepDays=30\r\n") << false << 30;
        QTest::addRow("on, keep all") << QByteArray("[Log]\r\nWriteFiles=1\r\nKeepDays=0\r\n") << true << 0;
        QTest::addRow("other section") << QByteArray("[General]\r\nWriteFiles=0\r\nKeepDays=7\r\n") << true << 90;
    }

    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, enabled);
        QFETCH(int, keepDays);
        if (!ini.isEmpty())
            writeFile(m_home->filePath("Vard.ini"), ini);
        QCOMPARE(LogFiles::EnabledSetting(), enabled);
        QCOMPARE(LogFiles::KeepDaysSetting(), keepDays);
        QCOMPARE(contents(m_home->filePath("Vard.ini")), ini.isEmpty() ? QByteArray("<unreadable>") : ini);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestLogFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logfiles.moc"
