// The measurement journal: what a restore gives back after a normal run, after the file
// was cut off at any byte, after garbage, after failed writes, and after the process
// that wrote it was killed.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "FileHelpers.h"
#include "app/GlobalUnit.h"
#include "measure/MeasJournal.h"

using vard::MeasJournal;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text)); }

// The rows a test journals: row i of a measurement with `channels` channels. Values
// run through the 32-bit patterns that matter (a negative reading, all bits, the sign
// bit alone) and the flag alternates.
TDataRow rowAt(int i, int channels)
{
    static const quint32 patterns[] = {quint32(-50), 0xFFFFFFFFu, 0x80000000u, 0, 2155};
    TDataRow row;
    row.push_back(quint32(500 * i + 7));
    for (int ch = 0; ch < channels; ++ch)
        row.push_back(patterns[(i + ch) % 5] + quint32(ch * (i % 3)));
    row.push_back(i % 2 ? 0u : 1u);
    return row;
}

TDataRow rowOf(const TMessungInfo &m, qsizetype r)
{
    TDataRow row{m.GetTime(r)};
    for (int ch = 0; ch < m.ChannelCount(); ++ch)
        row.push_back(m.GetValue(r, ch));
    row.push_back(m.GetFlag(r));
    return row;
}

// True when m holds exactly rows 0..count-1 of rowAt; says which row differs otherwise.
bool holdsRows(const TMessungInfo &m, qsizetype count, int channels)
{
    if (m.ChannelCount() != channels || m.RowCount() != count) {
        qWarning("%d channels, %lld rows; expected %d, %lld", m.ChannelCount(), qlonglong(m.RowCount()), channels,
                 qlonglong(count));
        return false;
    }
    for (qsizetype r = 0; r < count; ++r) {
        if (rowOf(m, r) != rowAt(int(r), channels)) {
            qWarning("row %lld differs", qlonglong(r));
            return false;
        }
    }
    return true;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

quint32 crc32(const QByteArray &bytes)
{
    quint32 c = 0xFFFFFFFFu;
    for (char ch : bytes) {
        c ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

// A journal header with a body of our own making and a right CRC, for damage that a
// CRC cannot catch because whoever wrote it computed one.
QByteArray framedHeader(const QByteArray &body, quint32 version = 1)
{
    QByteArray out("VardJrnl");
    char b[4];
    qToLittleEndian<quint32>(version, b);
    out.append(b, 4);
    qToLittleEndian<quint32>(quint32(body.size()), b);
    out.append(b, 4);
    out.append(body);
    qToLittleEndian<quint32>(crc32(out), b);
    out.append(b, 4);
    return out;
}

QByteArray u32le(quint32 v)
{
    char b[4];
    qToLittleEndian<quint32>(v, b);
    return QByteArray(b, 4);
}

// What a restore that failed must leave alone.
void fillSentinel(TMessungInfo &m)
{
    m.SetChannelCount(1);
    m.MeasDate = 1.25;
    m.SetInfo(1, "before");
    m.AddRow({1, 2, 3});
}

bool sentinelIntact(const TMessungInfo &m)
{
    return m.ChannelCount() == 1 && m.RowCount() == 1 && m.GetValue(0, 0) == 2 && m.Title == "before"
           && m.MeasDate == 1.25;
}

void setUp(TMessungInfo &m, int channels, const QString &title = "Zone 2 250°")
{
    m.SetChannelCount(channels);
    m.MeasDate = 45000.123456789;
    m.SetInfo(1, title);
    m.SetInfo(2, "JD");
    m.SetInfo(3, QString::fromUtf8("first\r\nsecond ✓ \xF0\x9F\x94\xA5"));
}

// The helper process of the crash test: journals rows with a flush every third row and
// says on its standard output how many rows each flush made safe, until it is killed.
int runWriter(const QString &folder)
{
    TMessungInfo m;
    setUp(m, 2);
    MeasJournal journal(folder);
    QString error;
    if (!journal.begin(m, &error)) {
        std::fprintf(stderr, "begin: %s\n", qPrintable(error));
        return 1;
    }
    for (int i = 0;; ++i) {
        if (!journal.append(rowAt(i, 2)))
            return 2;
        if (i == 30) {
            m.SetInfo(1, "renamed");
            if (!journal.updateTexts(m, &error))
                return 3;
        }
        if (i % 3 == 2) {
            if (!journal.flush(&error)) {
                std::fprintf(stderr, "flush: %s\n", qPrintable(error));
                return 4;
            }
            std::printf("flushed %d\n", i + 1);
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_dir; // a fresh folder for each test function

    // A journal of `rows` rows on disk, flushed; returns its bytes and its header size.
    QByteArray smallJournal(const QString &folder, int channels, int rows, qsizetype *headerSize)
    {
        TMessungInfo m;
        setUp(m, channels);
        MeasJournal journal(folder);
        if (!journal.begin(m))
            return {};
        *headerSize = QFileInfo(journal.filePath()).size();
        for (int i = 0; i < rows; ++i)
            journal.append(rowAt(i, channels));
        if (!journal.flush())
            return {};
        return contents(MeasJournal::journalPath(folder));
    }

private slots:
    void initTestCase()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("VARD_HOME", m_home->path().toLocal8Bit());
    }

    void cleanupTestCase() { qunsetenv("VARD_HOME"); }

    void init()
    {
        static int n = 0;
        m_dir = m_home->path() + "/case" + QString::number(++n);
        QVERIFY(QDir().mkpath(m_dir));
    }

    // Rows that m held before begin and rows appended after it come back value for
    // value, with the date to the last bit and the texts as they were; on disk each
    // row is its values and nothing else.
    void roundTrip_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rowsBefore");
        QTest::addColumn<int>("rowsAfter");
        QTest::addRow("one channel") << 1 << 0 << 7;
        QTest::addRow("three channels, rows before and after") << 3 << 5000 << 4;
        QTest::addRow("no channel") << 0 << 2 << 2;
        QTest::addRow("nothing recorded") << 2 << 0 << 0;
    }

    void roundTrip()
    {
        QFETCH(int, channels);
        QFETCH(int, rowsBefore);
        QFETCH(int, rowsAfter);
        // The folder the program uses; it does not exist yet.
        const QString folder = DataDir() + "Data";
        QDir(folder).removeRecursively();

        TMessungInfo m;
        setUp(m, channels);
        for (int i = 0; i < rowsBefore; ++i)
            QVERIFY(m.AddRow(rowAt(i, channels)));
        {
            MeasJournal journal(folder);
            QString error;
            QVERIFY2(journal.begin(m, &error), qPrintable(error));
            QVERIFY(journal.isOpen());
            const qint64 headerSize = QFileInfo(journal.filePath()).size() - qint64(rowsBefore) * (channels + 2) * 4;
            for (int i = rowsBefore; i < rowsBefore + rowsAfter; ++i)
                QVERIFY(journal.append(rowAt(i, channels)));
            QVERIFY2(journal.flush(&error), qPrintable(error));

            const QByteArray bytes = contents(MeasJournal::journalPath(folder));
            QCOMPARE(bytes.size(), headerSize + qint64(rowsBefore + rowsAfter) * (channels + 2) * 4);
            if (channels == 3 && rowsAfter > 0) {
                // Row 5003 of rowAt: time 2501507, then 0, 2155 + 2, -50 + 4, flag 0.
                QCOMPARE(bytes.right(20).toHex(' '), hex("83 2b 26 00 00000000 6d080000 d2ffffff 00000000").toHex(' '));
            }
        }
        QVERIFY(MeasJournal::exists(folder));

        TMessungInfo back;
        fillSentinel(back);
        QString error;
        QVERIFY2(MeasJournal::restore(folder, back, &error), qPrintable(error));
        QVERIFY(holdsRows(back, rowsBefore + rowsAfter, channels));
        QVERIFY(sameBits(back.MeasDate, m.MeasDate));
        QCOMPARE(back.Title, m.Title);
        QCOMPARE(back.UserName, m.UserName);
        QCOMPARE(back.Description, m.Description);
    }

    // A row is in the file only once a flush has put it there; what the journal says is
    // safe, is.
    void unflushedRowsAreNotInTheFile()
    {
        TMessungInfo m;
        setUp(m, 3);
        MeasJournal journal(m_dir);
        QVERIFY(journal.begin(m));
        const QByteArray header = contents(journal.filePath());
        for (int i = 0; i < 3; ++i)
            QVERIFY(journal.append(rowAt(i, 3)));
        QCOMPARE(contents(journal.filePath()), header);
        TMessungInfo back;
        QVERIFY(MeasJournal::restore(m_dir, back));
        QCOMPARE(back.RowCount(), 0);

        QVERIFY(journal.flush());
        QVERIFY(MeasJournal::restore(m_dir, back));
        QVERIFY(holdsRows(back, 3, 3));

        // A row of another width is refused and leaves no trace.
        QVERIFY(!journal.append(rowAt(3, 2)));
        QVERIFY(journal.flush());
        QVERIFY(MeasJournal::restore(m_dir, back));
        QVERIFY(holdsRows(back, 3, 3));

        // A caller that does not flush for a long while still gets its rows out in
        // whole rows once the queue is large.
        const int rowBytes = 5 * 4;
        for (int i = 3; i < 10000; ++i)
            QVERIFY(journal.append(rowAt(i, 3)));
        const qint64 grown = QFileInfo(journal.filePath()).size() - header.size();
        QVERIFY(grown > 3 * rowBytes);
        QCOMPARE(grown % rowBytes, 0);
        QVERIFY(MeasJournal::restore(m_dir, back));
        QVERIFY(holdsRows(back, grown / rowBytes, 3));
    }

    // Texts changed while measuring reach the restore; a new measurement starts with
    // its own texts, even beside a text file of the one before.
    void textsChangedWhileMeasuring()
    {
        TMessungInfo m;
        setUp(m, 1, "first title");
        MeasJournal journal(m_dir);
        QVERIFY(journal.begin(m));
        QVERIFY(journal.append(rowAt(0, 1)));
        QVERIFY(journal.flush());
        const QByteArray journalBytes = contents(journal.filePath());

        m.SetInfo(1, "second title");
        m.SetInfo(2, "");
        m.SetInfo(3, "line 1\r\nline 2");
        QString error;
        QVERIFY2(journal.updateTexts(m, &error), qPrintable(error));
        QCOMPARE(contents(journal.filePath()), journalBytes);

        TMessungInfo back;
        QVERIFY(MeasJournal::restore(m_dir, back));
        QCOMPARE(back.Title, "second title");
        QCOMPARE(back.UserName, "");
        QCOMPARE(back.Description, "line 1\r\nline 2");
        QVERIFY(holdsRows(back, 1, 1));

        const QByteArray oldTexts = contents(MeasJournal::textsPath(m_dir));
        TMessungInfo next;
        setUp(next, 1, "next measurement");
        QVERIFY(journal.begin(next));
        writeFile(MeasJournal::textsPath(m_dir), oldTexts);
        QVERIFY(MeasJournal::restore(m_dir, back));
        QCOMPARE(back.Title, "next measurement");
        QCOMPARE(back.UserName, "JD");
        QCOMPARE(back.RowCount(), 0);

        journal.remove();
        QVERIFY(!journal.isOpen());
        QVERIFY(!MeasJournal::exists(m_dir));
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(!MeasJournal::restore(m_dir, back, &error));
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
    }

    // A power cut may leave the journal ending at any byte: a restore then gives every
    // whole row before the cut, and a header cut short is an error, not a crash.
    void cutAtEveryLength()
    {
        qsizetype headerSize = 0;
        const QByteArray full = smallJournal(m_dir + "/full", 2, 4, &headerSize);
        QCOMPARE(full.size(), headerSize + 4 * 16);
        const QString folder = m_dir + "/cut";
        QVERIFY(QDir().mkpath(folder));
        for (qsizetype length = 0; length <= full.size(); ++length) {
            writeFile(MeasJournal::journalPath(folder), full.left(length));
            TMessungInfo back;
            fillSentinel(back);
            QString error;
            const bool restored = MeasJournal::restore(folder, back, &error);
            if (length < headerSize) {
                QVERIFY2(!restored, qPrintable(QString::number(length)));
                QVERIFY(!error.isEmpty());
                QVERIFY(sentinelIntact(back));
            } else {
                QVERIFY2(restored, qPrintable(QString::number(length) + ": " + error));
                QVERIFY(holdsRows(back, (length - headerSize) / 16, 2));
                QCOMPARE(back.Title, "Zone 2 250°");
            }
        }
    }

    // Headers that are not a journal of this program, or a damaged one, are refused
    // with the reason, and the measurement in memory stays as it was.
    void badHeader_data()
    {
        qsizetype headerSize = 0;
        const QByteArray good = smallJournal(m_dir + "/good", 1, 2, &headerSize);
        QVERIFY(!good.isEmpty());
        const QString notJournal = "the file is not a measurement journal";
        const QString damaged = "the header of the measurement journal is damaged";
        const QString cutOff = "the measurement journal ends inside its header";
        // Journal id, date, channel count, three texts.
        const QByteArray fields = QByteArray(16, '\1');

        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::addRow("empty file") << QByteArray() << cutOff;
        QTest::addRow("another file") << QByteArray("TAVO 1.0") + good.mid(8) << notJournal;
        QTest::addRow("short foreign file") << QByteArray("PK") << notJournal;
        QTest::addRow("later format") << good.left(8) + u32le(2) + good.mid(12)
                                      << "the measurement journal was written by another version of the program";
        QByteArray flipped = good;
        flipped[headerSize - 6] = char(flipped[headerSize - 6] ^ 0x20);
        QTest::addRow("a text byte changed") << flipped << damaged;
        QByteArray crc = good;
        crc[headerSize - 1] = char(crc[headerSize - 1] ^ 0x01);
        QTest::addRow("CRC changed") << crc << damaged;
        QTest::addRow("huge body length") << good.left(12) + u32le(0xFFFFFFF0u) + good.mid(16) << damaged;
        QTest::addRow("body length past the end") << good.left(12) + u32le(100000) + good.mid(16) << cutOff;
        QTest::addRow("256 channels") << framedHeader(fields + u32le(256) + u32le(0) + u32le(0) + u32le(0)) << damaged;
        QTest::addRow("text longer than the body")
            << framedHeader(fields + u32le(1) + u32le(0) + u32le(0) + u32le(40) + "abc") << damaged;
        QTest::addRow("bytes after the texts")
            << framedHeader(fields + u32le(1) + u32le(0) + u32le(0) + u32le(0) + "x") << damaged;
        QTest::addRow("body too short") << framedHeader(QByteArray(10, '\0')) << damaged;
    }

    void badHeader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        writeFile(MeasJournal::journalPath(m_dir), bytes);
        QVERIFY(MeasJournal::exists(m_dir));
        TMessungInfo back;
        fillSentinel(back);
        QString error;
        QVERIFY(!MeasJournal::restore(m_dir, back, &error));
        QCOMPARE(error, reason);
        QVERIFY(sentinelIntact(back));
    }

    // Random bytes, some behind a right magic and version so that they reach the
    // deeper checks, and random damage to a real journal: never a crash, and never a
    // restore of rows from a header that was changed.
    void garbage()
    {
        qsizetype headerSize = 0;
        const QByteArray good = smallJournal(m_dir + "/good", 2, 3, &headerSize);
        QRandomGenerator random(20240601);
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            if (round % 3 == 2) {
                bytes = good;
                const int changes = 1 + int(random.bounded(4));
                for (int k = 0; k < changes; ++k) {
                    const qsizetype at = random.bounded(int(headerSize));
                    bytes[at] = char(bytes[at] ^ char(1 + random.bounded(255)));
                }
            } else {
                bytes.resize(random.bounded(200));
                for (char &c : bytes)
                    c = char(random.bounded(256));
                if (round % 3 == 1)
                    bytes = good.left(12) + bytes.mid(12);
            }
            writeFile(MeasJournal::journalPath(m_dir), bytes);
            TMessungInfo back;
            fillSentinel(back);
            QString error;
            if (!MeasJournal::restore(m_dir, back, &error)) {
                QVERIFY(!error.isEmpty());
                QVERIFY(sentinelIntact(back));
            } else {
                QVERIFY2(round % 3 != 2, "a changed header was taken");
            }
        }
    }

    // A begin that cannot write its header (a full disk, stood for by a file-size
    // limit) says why and leaves no journal that a later start would offer.
    void beginFails_data()
    {
        QTest::addColumn<int>("rowsBefore");
        QTest::addColumn<int>("limit");
        QTest::addRow("inside the header") << 0 << 20;
        QTest::addRow("inside the rows already recorded") << 20000 << 100000;
    }

    void beginFails()
    {
        QFETCH(int, rowsBefore);
        QFETCH(int, limit);
        TMessungInfo m;
        setUp(m, 2);
        for (int i = 0; i < rowsBefore; ++i)
            QVERIFY(m.AddRow(rowAt(i, 2)));
        MeasJournal journal(m_dir);
        QString error;
        bool begun = true;
        {
            FileSizeLimit sizeLimit{rlim_t(limit)};
            QVERIFY(sizeLimit.ok());
            begun = journal.begin(m, &error);
        }
        QVERIFY(!begun);
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EFBIG)));
        QVERIFY(!journal.isOpen());
        QVERIFY(!MeasJournal::exists(m_dir));
        QVERIFY(!journal.append(rowAt(0, 2)));
        QVERIFY(!journal.flush(&error));
        QVERIFY(!error.isEmpty());
    }

    // A flush onto a full disk keeps the rows that fitted, ends the file on a whole
    // row, says why, and hands the rest to the next flush once there is room again.
    void flushOnFullDisk()
    {
        TMessungInfo m;
        setUp(m, 2);
        MeasJournal journal(m_dir);
        QVERIFY(journal.begin(m));
        const qint64 headerSize = QFileInfo(journal.filePath()).size();
        for (int i = 0; i < 2; ++i)
            QVERIFY(journal.append(rowAt(i, 2)));
        QVERIFY(journal.flush());
        for (int i = 2; i < 8; ++i)
            QVERIFY(journal.append(rowAt(i, 2)));

        QString error;
        bool flushed = true;
        {
            // Room for two and a half more rows of 16 bytes.
            FileSizeLimit limit(rlim_t(headerSize + 4 * 16 + 8));
            QVERIFY(limit.ok());
            flushed = journal.flush(&error);
            QVERIFY(!journal.flush()); // still full: nothing changes
        }
        QVERIFY(!flushed);
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EFBIG)));
        QCOMPARE(QFileInfo(journal.filePath()).size(), headerSize + 4 * 16);
        TMessungInfo back;
        QVERIFY(MeasJournal::restore(m_dir, back));
        QVERIFY(holdsRows(back, 4, 2));

        QVERIFY2(journal.flush(&error), qPrintable(error));
        QVERIFY(journal.append(rowAt(8, 2)));
        QVERIFY(journal.flush());
        QVERIFY(MeasJournal::restore(m_dir, back));
        QVERIFY(holdsRows(back, 9, 2));
    }

    // A folder the operator may not write: no journal can begin there. One begun before
    // the folder was locked keeps taking rows, since its file stays writable; only its
    // texts, which are replaced as a whole file, are refused, with the reason.
    void readOnlyFolder()
    {
        const QString locked = m_dir + "/locked";
        QVERIFY(QDir().mkpath(locked));
        const QString running = m_dir + "/running";
        QVERIFY(QDir().mkpath(running));

        TMessungInfo m;
        setUp(m, 1);
        MeasJournal journal(running);
        QVERIFY(journal.begin(m));
        QVERIFY(journal.append(rowAt(0, 1)));
        QVERIFY(journal.flush());

        QVERIFY(lockFolder(locked, {m_home->path(), m_dir}));
        QVERIFY(lockFolder(running, {}));
        const bool held = withPermissionsInForce([&] {
            MeasJournal refused(locked);
            QString error;
            if (refused.begin(m, &error) || error != QString::fromLocal8Bit(std::strerror(EACCES))) {
                qWarning("begin in a locked folder: %s", qPrintable(error));
                return false;
            }
            if (MeasJournal::exists(locked))
                return false;
            if (!journal.append(rowAt(1, 1)) || !journal.flush(&error)) {
                qWarning("flush beside a locked folder: %s", qPrintable(error));
                return false;
            }
            TMessungInfo renamed;
            setUp(renamed, 1, "renamed");
            error.clear();
            if (journal.updateTexts(renamed, &error) || error.isEmpty()) {
                qWarning("texts in a locked folder: %s", qPrintable(error));
                return false;
            }
            return true;
        });
        QFile::setPermissions(locked, kOpenFolder);
        QFile::setPermissions(running, kOpenFolder);
        QVERIFY(held);

        TMessungInfo back;
        QVERIFY(MeasJournal::restore(running, back));
        QVERIFY(holdsRows(back, 2, 1));
        QCOMPARE(back.Title, m.Title);
        journal.remove();
    }

    // The real thing: the writing process is killed outright, and every row it had
    // flushed before the kill is back, with the texts it had changed.
    void killedWriter()
    {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QCoreApplication::applicationFilePath(), {"--journal-writer", m_dir});
        QVERIFY(writer.waitForStarted());
        int safe = 0;
        QByteArray pending;
        QDeadlineTimer deadline(60000);
        while (safe < 300 && !deadline.hasExpired()) {
            if (!writer.waitForReadyRead(1000) && writer.state() != QProcess::Running)
                break;
            pending += writer.readAllStandardOutput();
            qsizetype end;
            while ((end = pending.indexOf('\n')) >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 1);
                if (line.startsWith("flushed "))
                    safe = line.mid(8).toInt();
            }
        }
        QCOMPARE(writer.state(), QProcess::Running);
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        QVERIFY(safe >= 300);

        QVERIFY(MeasJournal::exists(m_dir));
        TMessungInfo back;
        QString error;
        QVERIFY2(MeasJournal::restore(m_dir, back, &error), qPrintable(error));
        QVERIFY2(back.RowCount() >= safe, qPrintable(QString("%1 of %2").arg(back.RowCount()).arg(safe)));
        QVERIFY(holdsRows(back, back.RowCount(), 2));
        QCOMPARE(back.Title, "renamed");
        QCOMPARE(back.UserName, "JD");
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--journal-writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    TestJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
