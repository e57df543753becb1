// The measurement model: channels, rows of the right width, reading past the ends,
// clearing, descriptive texts and the date value of the file format.

#include <QtTest>

#include "measure/ObjMessungUnit.h"

class TestMeasure : public QObject {
    Q_OBJECT

private slots:
    void newAndAsTheMainWindowSetsItUp()
    {
        TMessungInfo m;
        QCOMPARE(m.ChannelCount(), 0);
        QCOMPARE(m.RowCount(), qsizetype(0));
        QCOMPARE(m.MarkerCount(), 0);
        QCOMPARE(m.Flags, quint8(0));
        QVERIFY(m.Title.isEmpty() && m.UserName.isEmpty() && m.Description.isEmpty() && m.Password.isEmpty());
        QVERIFY(qAbs(m.MeasDate - TMessungInfo::ToDateValue(QDateTime::currentDateTime())) < 1.0 / 24);
        m.SetFlag(true);
        m.SetChannelCount(1);
        QCOMPARE(m.Flags, quint8(2));
        QCOMPARE(m.ChannelCount(), 1);
        QCOMPARE(m.GetChannel(0)->Name, QString("Unknown"));
        QCOMPARE(m.GetChannel(0)->Code, qint16(-1));
        QCOMPARE(m.GetChannel(0)->Option, quint8(1));
        QVERIFY(m.GetChannel(1) == nullptr);
        m.Flags = 0xFF;
        m.SetFlag(false);
        QCOMPARE(m.Flags, quint8(0xFD)); // the other bits stay
    }

    void rowWidth_data()
    {
        QTest::addColumn<int>("elements");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("2") << 2 << false;
        QTest::addRow("3") << 3 << true;
        QTest::addRow("4") << 4 << false;
        QTest::addRow("0") << 0 << false;
    }

    void rowWidth()
    {
        QFETCH(int, elements);
        QFETCH(bool, accepted);
        TMessungInfo m;
        m.SetChannelCount(1);
        QCOMPARE(m.AddRow(TDataRow(static_cast<size_t>(elements), 7)), accepted);
        QCOMPARE(m.RowCount(), qsizetype(accepted ? 1 : 0));
    }

    // Rows cross the store's block boundaries without mixing up their values.
    void readingRows()
    {
        TMessungInfo m;
        m.SetChannelCount(2);
        const int n = 10000;
        for (int i = 0; i < n; ++i)
            QVERIFY(m.AddRow({quint32(i * 500), quint32(i), quint32(n - i), 1}));
        QCOMPARE(m.RowCount(), qsizetype(n));
        for (int i : {0, 4095, 4096, 8191, 8192, n - 1}) {
            QCOMPARE(m.GetTime(i), quint32(i * 500));
            QCOMPARE(m.GetValue(i, 0), quint32(i));
            QCOMPARE(m.GetValue(i, 1), quint32(n - i));
            QCOMPARE(m.GetFlag(i), quint32(1));
        }
        QCOMPARE(m.GetTime(n), quint32(0));
        QCOMPARE(m.GetTime(-1), quint32(0));
        QCOMPARE(m.GetValue(0, 5), quint32(0));
        QCOMPARE(m.GetValue(0, -1), quint32(0));
    }

    void clearRowsKeepsTheRest()
    {
        TMessungInfo m;
        m.SetFlag(true);
        m.SetChannelCount(1);
        m.GetChannel(0)->Name = "Probe";
        m.SetInfo(1, "Line 3");
        m.SetInfo(2, "Anna");
        m.SetInfo(3, "first line\r\nsecond line");
        m.SetInfo(4, "ignored");
        m.SetInfo(0, "ignored");
        const double date = m.MeasDate;
        QVERIFY(m.AddRow({1, 2, 1}));
        m.ClearRows();
        QCOMPARE(m.RowCount(), qsizetype(0));
        QCOMPARE(m.GetChannel(0)->Name, QString("Probe"));
        QCOMPARE(m.Title, QString("Line 3"));
        QCOMPARE(m.UserName, QString("Anna"));
        QCOMPARE(m.Description, QString("first line\r\nsecond line"));
        QCOMPARE(m.MeasDate, date);
        QCOMPARE(m.Flags, quint8(2));
        QVERIFY(m.AddRow({5, 6, 1}));
        QCOMPARE(m.GetTime(0), quint32(5));
    }

    // A change of width cannot keep rows of the old width.
    void channelCountChangeDropsRows()
    {
        TMessungInfo m;
        m.SetChannelCount(1);
        QVERIFY(m.AddRow({1, 2, 1}));
        m.SetChannelCount(1);
        QCOMPARE(m.RowCount(), qsizetype(1));
        m.SetChannelCount(2);
        QCOMPARE(m.RowCount(), qsizetype(0));
        QCOMPARE(m.ChannelCount(), 2);
        m.SetChannelCount(300);
        QCOMPARE(m.ChannelCount(), 255);
    }

    void dateValue_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<double>("value");
        QTest::addRow("day zero") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
        QTest::addRow("noon 1 January 1900") << QDateTime(QDate(1900, 1, 1), QTime(12, 0)) << 2.5;
        QTest::addRow("a working day") << QDateTime(QDate(2026, 12, 9), QTime(18, 0)) << 46365.75;
    }

    void dateValue()
    {
        QFETCH(QDateTime, when);
        QFETCH(double, value);
        QCOMPARE(TMessungInfo::ToDateValue(when), value);
        QCOMPARE(TMessungInfo::FromDateValue(value), when);
    }
};

QTEST_GUILESS_MAIN(TestMeasure)
#include "tst_measure.moc"
