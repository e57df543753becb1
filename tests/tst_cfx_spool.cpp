// The broker link's on-disk message spool: the order of its entries through appends,
// acceptances and a restart, the byte bound, what an earlier run left behind, and
// writes that fail.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "FileHelpers.h"
#include "cfx/CfxSpool.h"

namespace {

// The names in the folder, sorted: what a restart would find.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList namesOf(const QList<quint64> &ids)
{
    QStringList names;
    for (const quint64 id : ids)
        names << TCfxSpool::FileName(id);
    return names;
}

QList<quint64> idsOf(const TCfxSpool &s)
{
    QList<quint64> ids;
    for (qsizetype i = 0; i < s.Count(); ++i)
        ids << s.IdAt(i);
    return ids;
}

QList<QByteArray> payloadsOf(const TCfxSpool &s)
{
    QList<QByteArray> payloads;
    for (qsizetype i = 0; i < s.Count(); ++i)
        payloads << s.PayloadAt(i);
    return payloads;
}

// A message of `size` bytes that tells which one it is.
QByteArray message(int index, int size)
{
    QByteArray m = QByteArray::number(index).rightJustified(4, '0') + ':';
    m = m.left(size);
    while (m.size() < size)
        m += char('a' + (index + m.size()) % 26);
    return m;
}

// Fails with the reason on stderr: the permission check runs in a child process that
// can report through its exit code only.
bool expect(bool held, const char *what)
{
    if (!held)
        std::fprintf(stderr, "FAILED: %s\n", what);
    return held;
}

// What every failing write must come to: the messages are still there, in order, to be
// sent; the failure is reported with the first of them and not again with the next;
// and no file of theirs, whole or half, is left in the folder.
bool failedWritesAreKept(const QString &folder, bool folderUsable)
{
    TCfxSpool s(folder, 1 << 20);
    QString openError;
    bool ok = expect(s.Open(&openError) == folderUsable, "Open's outcome");
    ok &= expect(folderUsable == openError.isEmpty(), "Open's error text");

    const auto first = s.Append("{\"first\":1}");
    const auto second = s.Append("{\"second\":2}");
    ok &= expect(!first.stored && !first.error.isEmpty(), "first failure stored=false with an error");
    ok &= expect(!second.stored && second.error.isEmpty(), "second failure not reported again");
    ok &= expect(first.id != 0 && second.id > first.id, "ids ascend");
    ok &= expect(s.Count() == 2 && s.PayloadAt(0) == "{\"first\":1}" && s.PayloadAt(1) == "{\"second\":2}",
                 "messages kept in memory, in order");
    ok &= expect(s.Bytes() == 23, "their bytes counted");
    ok &= expect(!QFileInfo::exists(folder) || filesIn(folder).isEmpty(), "no file left in the folder");
    ok &= expect(s.Remove(first.id) && s.Count() == 1 && s.IdAt(0) == second.id, "an entry without a file removed");
    return ok;
}

} // namespace

class TestCfxSpool : public QObject {
    Q_OBJECT

private slots:
    void orderKeptThroughRemoveAndRestart()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString folder = tmp.filePath(QStringLiteral("cfx/spool")); // made by Open
        const QList<QByteArray> sent{
            "{\"a\":1}", QByteArray("b\0\r\n\xff", 5), "{\"c\":3}", "d", "{\"e\":\"five\"}",
        };

        QList<quint64> ids;
        {
            TCfxSpool s(folder, 1000);
            QString error;
            QVERIFY2(s.Open(&error), qPrintable(error));
            QVERIFY(s.IsEmpty());
            for (const QByteArray &m : sent) {
                const auto r = s.Append(m);
                QVERIFY(r.stored);
                QVERIFY(r.error.isEmpty());
                QCOMPARE(r.dropped, 0);
                QVERIFY(ids.isEmpty() || r.id > ids.last());
                ids << r.id;
            }
            QCOMPARE(payloadsOf(s), sent);
            // One file per message, named by its id, holding exactly its bytes.
            QCOMPARE(filesIn(folder), namesOf(ids));
            QCOMPARE(TCfxSpool::FileName(42), QStringLiteral("00000000000000000042.msg"));
            for (int i = 0; i < sent.size(); ++i)
                QCOMPARE(contents(folder + u'/' + TCfxSpool::FileName(ids[i])), sent[i]);

            // The broker accepts the oldest, and then one out of order.
            QVERIFY(s.Remove(ids[0]));
            QVERIFY(s.Remove(ids[2]));
            QVERIFY(!s.Remove(ids[2]));
            QCOMPARE(idsOf(s), (QList<quint64>{ids[1], ids[3], ids[4]}));
            QCOMPARE(s.IndexOf(ids[3]), 1);
            QCOMPARE(s.IndexOf(ids[2]), -1);
            QCOMPARE(s.IndexOf(ids[4] + 1), -1);
            QCOMPARE(s.Bytes(), sent[1].size() + sent[3].size() + sent[4].size());
            QCOMPARE(filesIn(folder), namesOf({ids[1], ids[3], ids[4]}));
        }

        // The next run finds what was left, in order, and numbers on after it.
        TCfxSpool again(folder, 1000);
        QVERIFY(again.Open());
        QCOMPARE(idsOf(again), (QList<quint64>{ids[1], ids[3], ids[4]}));
        QCOMPARE(payloadsOf(again), (QList<QByteArray>{sent[1], sent[3], sent[4]}));
        QCOMPARE(again.Bytes(), sent[1].size() + sent[3].size() + sent[4].size());
        QCOMPARE(again.DroppedTotal(), 0u);
        const auto next = again.Append("{\"f\":6}");
        QVERIFY(next.id > ids[4]);
        QCOMPARE(idsOf(again).last(), next.id);
        QCOMPARE(again.Folder(), folder);
    }

    void boundDropsOldestFirst_data()
    {
        QTest::addColumn<QList<int>>("sizes");     // appended in this order
        QTest::addColumn<qint64>("bound");
        QTest::addColumn<QList<int>>("dropped");   // Append's count, per append
        QTest::addColumn<QList<int>>("kept");      // which of the appended are left

        QTest::newRow("filled exactly") << QList<int>{10, 10, 10} << qint64(30) << QList<int>{0, 0, 0}
                                        << QList<int>{0, 1, 2};
        QTest::newRow("one byte over") << QList<int>{10, 10, 10, 1} << qint64(30) << QList<int>{0, 0, 0, 1}
                                       << QList<int>{1, 2, 3};
        QTest::newRow("large one needs several") << QList<int>{10, 10, 10, 25} << qint64(30)
                                                 << QList<int>{0, 0, 0, 3} << QList<int>{3};
        QTest::newRow("larger than the bound, kept alone") << QList<int>{10, 10, 50, 5} << qint64(30)
                                                           << QList<int>{0, 0, 2, 1} << QList<int>{3};
        QTest::newRow("larger than the bound, first") << QList<int>{50} << qint64(30) << QList<int>{0}
                                                      << QList<int>{0};
        QTest::newRow("one-byte messages") << QList<int>(8, 1) << qint64(3) << QList<int>{0, 0, 0, 1, 1, 1, 1, 1}
                                           << QList<int>{5, 6, 7};
        QTest::newRow("bound of one byte") << QList<int>{1, 1, 2, 1} << qint64(1) << QList<int>{0, 1, 1, 1}
                                           << QList<int>{3};
        QTest::newRow("1.5 KB messages, 16 KB") << QList<int>(14, 1536) << qint64(16384)
                                                << (QList<int>(10, 0) << 1 << 1 << 1 << 1)
                                                << QList<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    }

    void boundDropsOldestFirst()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(qint64, bound);
        QFETCH(QList<int>, dropped);
        QFETCH(QList<int>, kept);

        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        TCfxSpool s(tmp.path(), bound);
        QVERIFY(s.Open());
        QCOMPARE(s.MaxBytes(), bound);

        QList<quint64> ids;
        QList<int> droppedSeen;
        for (int i = 0; i < sizes.size(); ++i) {
            const auto r = s.Append(message(i, sizes[i]));
            QVERIFY(r.stored);
            ids << r.id;
            droppedSeen << r.dropped;
            QVERIFY2(s.Bytes() <= bound || s.Count() == 1, "over the bound with more than one entry");
        }
        QCOMPARE(droppedSeen, dropped);

        QList<quint64> keptIds;
        QList<QByteArray> keptPayloads;
        qint64 keptBytes = 0;
        for (const int i : kept) {
            keptIds << ids[i];
            keptPayloads << message(i, sizes[i]);
            keptBytes += sizes[i];
        }
        QCOMPARE(idsOf(s), keptIds);
        QCOMPARE(payloadsOf(s), keptPayloads);
        QCOMPARE(s.Bytes(), keptBytes);
        QCOMPARE(s.DroppedTotal(), quint64(sizes.size() - kept.size()));
        // A dropped message is gone from the disk too, or a restart would send it.
        QCOMPARE(filesIn(tmp.path()), namesOf(keptIds));

        TCfxSpool again(tmp.path(), bound);
        QVERIFY(again.Open());
        QCOMPARE(payloadsOf(again), keptPayloads);
        QCOMPARE(again.DroppedTotal(), 0u);
    }

    // The broker's acceptance can come for a message the full spool already dropped.
    void acceptanceOfDroppedMessage()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        TCfxSpool s(tmp.path(), 20);
        QVERIFY(s.Open());
        const quint64 a = s.Append(message(0, 10)).id;
        const quint64 b = s.Append(message(1, 10)).id;
        const quint64 c = s.Append(message(2, 10)).id;
        QCOMPARE(idsOf(s), (QList<quint64>{b, c}));

        QVERIFY(!s.Remove(a));
        QVERIFY(!s.Remove(0));
        QCOMPARE(idsOf(s), (QList<quint64>{b, c}));
        QCOMPARE(s.Bytes(), 20);
        QCOMPARE(filesIn(tmp.path()), namesOf({b, c}));

        // The room the bound keeps is measured on what is left after acceptances.
        QVERIFY(s.Remove(b));
        QCOMPARE(s.Append(message(3, 10)).dropped, 0);
        QCOMPARE(s.Count(), 2);
    }

    // What a crash or a power cut leaves: a file still being written, an empty file under
    // a real name. Neither is sent; files that are not the spool's are left alone.
    void openSkipsLeftovers()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dir = tmp.path();
        writeFile(dir + u'/' + TCfxSpool::FileName(1), "{\"one\":1}");
        writeFile(dir + u'/' + TCfxSpool::FileName(2), "");
        writeFile(dir + u'/' + TCfxSpool::FileName(3) + QStringLiteral(".tmp"), "{\"thr");
        writeFile(dir + u'/' + TCfxSpool::FileName(5), "{\"five\":5}");
        writeFile(dir + QStringLiteral("/notes.txt"), "mine");
        writeFile(dir + QStringLiteral("/7.msg"), "not a spool name");
        QVERIFY(QDir(dir).mkdir(TCfxSpool::FileName(4)));

        TCfxSpool s(dir, 1000);
        QVERIFY(s.Open());
        QCOMPARE(idsOf(s), (QList<quint64>{1, 5}));
        QCOMPARE(payloadsOf(s), (QList<QByteArray>{"{\"one\":1}", "{\"five\":5}"}));
        QCOMPARE(s.Bytes(), 19);
        QCOMPARE(filesIn(dir), (QStringList{TCfxSpool::FileName(1), TCfxSpool::FileName(5),
                                            QStringLiteral("7.msg"), QStringLiteral("notes.txt")}));
        QCOMPARE(s.Append("{\"six\":6}").id, 6u);
    }

    // A smaller bound than the last run had: the newest are kept and sent.
    void openHoldsTheBound()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QList<quint64> ids;
        {
            TCfxSpool s(tmp.path(), 100);
            QVERIFY(s.Open());
            for (int i = 0; i < 5; ++i)
                ids << s.Append(message(i, 20)).id;
        }
        TCfxSpool smaller(tmp.path(), 50);
        QVERIFY(smaller.Open());
        QCOMPARE(idsOf(smaller), (QList<quint64>{ids[3], ids[4]}));
        QCOMPARE(smaller.DroppedTotal(), 3u);
        QCOMPARE(filesIn(tmp.path()), namesOf({ids[3], ids[4]}));
    }

    void writeFailureKeepsMessages_data()
    {
        QTest::addColumn<bool>("readOnly"); // else a file stands where the folder should be
        QTest::newRow("file in the folder's place") << false;
        QTest::newRow("read-only folder") << true;
    }

    void writeFailureKeepsMessages()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        if (!readOnly) {
            // Refused to root as well: no folder can be made below a file.
            writeFile(tmp.filePath(QStringLiteral("blocker")), "x");
            QVERIFY(failedWritesAreKept(tmp.filePath(QStringLiteral("blocker/spool")), false));
            return;
        }
        const QString folder = tmp.filePath(QStringLiteral("spool"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(lockFolder(folder, {tmp.path()}));
        const bool held = withPermissionsInForce([&] { return failedWritesAreKept(folder, true); });
        QVERIFY(QFile::setPermissions(folder, kOpenFolder));
        QVERIFY(held);
    }

    // A full disk comes and goes: each spell of failures is reported once, the messages
    // whose files failed stay in memory in their place, and no half file is left.
    void fullDiskReportedOncePerSpell()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        TCfxSpool s(tmp.path(), 1 << 20);
        QVERIFY(s.Open());

        const QList<int> sizes{500, 2000, 3000, 100, 2000};
        QList<TCfxSpool::AppendResult> results;
        {
            // Nothing that could print is called while the limit holds: a test log
            // written to a file would be held to it too.
            FileSizeLimit limit(1000);
            QVERIFY(limit.ok());
            for (int i = 0; i < sizes.size(); ++i)
                results << s.Append(message(i, sizes[i]));
        }
        QCOMPARE(results.size(), sizes.size());
        QVERIFY(results[0].stored);
        QVERIFY(results[0].error.isEmpty());
        QVERIFY(!results[1].stored);
        // The file and the system's reason, not a shrug.
        QVERIFY2(results[1].error.contains(TCfxSpool::FileName(results[1].id)), qPrintable(results[1].error));
        QVERIFY2(results[1].error.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(results[1].error));
        QVERIFY(!results[2].stored);
        QVERIFY(results[2].error.isEmpty());
        QVERIFY(results[3].stored);
        QVERIFY(!results[4].stored);
        QVERIFY(!results[4].error.isEmpty());

        QList<QByteArray> all;
        for (int i = 0; i < sizes.size(); ++i)
            all << message(i, sizes[i]);
        QCOMPARE(payloadsOf(s), all);
        QCOMPARE(s.Bytes(), 7600);
        QCOMPARE(filesIn(tmp.path()), namesOf({results[0].id, results[3].id}));

        // A restart has only what reached the disk.
        TCfxSpool again(tmp.path(), 1 << 20);
        QVERIFY(again.Open());
        QCOMPARE(payloadsOf(again), (QList<QByteArray>{all[0], all[3]}));
    }
};

QTEST_GUILESS_MAIN(TestCfxSpool)
#include "tst_cfx_spool.moc"
