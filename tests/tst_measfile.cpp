// Measurement files: the binary layout byte for byte against fixtures written out by
// hand, the text export line by line, the file-name rules of the save dialog, and what
// a failed save leaves behind (the file saved before, untouched).

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "FileHelpers.h"
#include "ModalHelpers.h"
#include "measure/MeasCsv.h"
#include "measure/ObjMessungUnit.h"
#include "ui/MeasSaveUnit.h"

namespace {

// Spaces and line breaks in the fixtures are for the reader; fromHex skips them.
QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text)); }

const QByteArray kMagic = "TAVO 1.0";
const QByteArray kNoMarkers = hex("4D41 0000 01000000  00  FFFF");
const QByteArray kFlags2 = hex("4646 0000 01000000  02  FDFF");

// 45000.5 as a little-endian IEEE double: 0x40E5F91000000000 (noon, 15 March 2023).
constexpr double kDate = 45000.5;

// Information block of a measurement with that date and no texts.
const QByteArray kEmptyInformation = hex("4649 0000 26000000"
                                         "00000000 10F9E540"
                                         "00000000 00000000 00000000 00000000"
                                         "00000000 00000000 00000000"
                                         "D1FD");

// The measurement as the main window sets it up: flag bit 1 and one channel "Unknown".
void setUpAsRecorded(TMessungInfo &m)
{
    m.SetFlag(true);
    m.SetChannelCount(1);
    m.MeasDate = kDate;
}

// Three rows and every text: the degree sign must come out as the single byte B0.
void fillRecorded(TMessungInfo &m, const QString &description)
{
    setUpAsRecorded(m);
    m.SetInfo(1, QString::fromUtf8("Zone 2 250°"));
    m.SetInfo(2, "JD");
    m.SetInfo(3, description);
    QVERIFY(m.AddRow({520, 2150, 1}));
    QVERIFY(m.AddRow({1030, 2160, 1}));
    QVERIFY(m.AddRow({0x01020304, 2155, 1}));
}

const QByteArray kRecorded = kMagic
    + hex("4649 0000 40000000"               // information, length 38 + 11 + 2 + 13 + 0
          "00000000 10F9E540"                // date
          "0B000000 5A6F6E65 20322032 3530B0" // "Zone 2 250°"
          "02000000 4A44"                    // "JD"
          "0D000000 6669727374 0D0A 7365636F6E64" // "first" CR LF "second"
          "00000000"                         // no password
          "00000000 00000000 00000000"
          "19F5")
    + kNoMarkers
    + hex("4D45 0000 2D000000"               // measurement, length 4*3*2 + 7 + 7 + 7
          "01"                               // one channel
          "07000000 556E6B6E6F776E FFFF 01"  // "Unknown", code -1, option 1
          "03000000"                         // three rows of time and value
          "08020000 66080000"                // 520, 2150
          "06040000 70080000"                // 1030, 2160
          "04030201 6B080000"                // 0x01020304, 2155
          "8EF9")
    + kFlags2;

} // namespace

class TestMeasFile : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_dir; // a fresh folder for each test function's files

    QString at(const QString &name) const { return m_dir + "/" + name; }

    // Saves through the same path the Save button takes and returns the message the
    // operator got: a message box for the binary layout, the exception that the
    // application's top-level handler shows for the text export.
    void saveAndCatchMessage(TMessungInfo &m, const QString &path, bool *saved, QString *seen)
    {
        const bool text = QFileInfo(path).suffix() == "txt" || QFileInfo(path).suffix() == "csv";
        if (!text)
            answerBox(QMessageBox::Ok, seen, true);
        try {
            *saved = SaveMeasurementTo(nullptr, m, path, 0);
        } catch (const vard::MeasFileError &e) {
            *saved = false;
            *seen = "exception|" + QString::fromUtf8(e.what());
        }
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
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        static int n = 0;
        m_dir = m_home->path() + "/case" + QString::number(++n);
        QVERIFY(QDir().mkpath(m_dir));
    }

    // A description typed in the window arrives with CR LF; one set some other way may
    // hold bare LF. Both reach the file as CR LF, never doubled.
    void recordedMeasurement_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addRow("CR LF") << QString("first\r\nsecond");
        QTest::addRow("LF") << QString("first\nsecond");
    }

    void recordedMeasurement()
    {
        QFETCH(QString, description);
        TMessungInfo m;
        fillRecorded(m, description);
        QCOMPARE(m.WriteBinary(at("run.tavo")), TMessungInfo::WriteResult::Ok);
        QCOMPARE(contents(at("run.tavo")), kRecorded);
    }

    // Blocks whose length field and checksum are easy to get wrong: no rows, no channel
    // (length 5), a marker record, two channels with their code and option.
    void blocks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("markers");
        QTest::addColumn<QByteArray>("measurement");
        QTest::addColumn<QByteArray>("flags");
        QTest::addRow("no rows") << "no rows" << kNoMarkers
                                 << hex("4D45 0000 15000000 01 07000000 556E6B6E6F776E FFFF 01 00000000 08FB")
                                 << kFlags2;
        QTest::addRow("no channel") << "no channel" << kNoMarkers
                                    << hex("4D45 0000 05000000 00 00000000 FFFF")
                                    << hex("4646 0000 01000000 00 FFFF");
        QTest::addRow("one marker") << "one marker"
                                    << hex("4D41 0000 0A000000 01 FEFFFFFF 01000000 41 C1FB")
                                    << hex("4D45 0000 15000000 01 07000000 556E6B6E6F776E FFFF 01 00000000 08FB")
                                    << kFlags2;
        QTest::addRow("two channels") << "two channels" << kNoMarkers
                                      << hex("4D45 0000 23000000 02"
                                             "01000000 41 3412 07"
                                             "01000000 42 FFFF 01"
                                             "01000000 0A000000 14000000 1E000000"
                                             "EFFC")
                                      << kFlags2;
        // The file holds the stored 32-bit pattern of -5.0 °C, as the measuring program
        // reads it.
        QTest::addRow("reading below zero") << "below zero" << kNoMarkers
                                            << hex("4D45 0000 1D000000 01 07000000 556E6B6E6F776E FFFF 01"
                                                   "01000000 08020000 CEFFFFFF 32F7")
                                            << kFlags2;
    }

    void blocks()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, markers);
        QFETCH(QByteArray, measurement);
        QFETCH(QByteArray, flags);
        TMessungInfo m;
        m.MeasDate = kDate;
        if (kind != "no channel")
            setUpAsRecorded(m);
        if (kind == "one marker")
            m.AddMarker(TMarkerInfo{-2, "A"});
        if (kind == "two channels") {
            m.SetChannelCount(2);
            m.GetChannel(0)->Name = "A";
            m.GetChannel(0)->Code = 0x1234;
            m.GetChannel(0)->Option = 7;
            m.GetChannel(1)->Name = "B";
            QVERIFY(m.AddRow({10, 20, 30, 1}));
        }
        if (kind == "below zero")
            QVERIFY(m.AddRow({520, quint32(-50), 1}));
        QCOMPARE(m.WriteBinary(at("blocks.tavo")), TMessungInfo::WriteResult::Ok);
        QCOMPARE(contents(at("blocks.tavo")), kMagic + kEmptyInformation + markers + measurement + flags);
    }

    void textExport_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("german");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = "[Measurement info]\r\n"
                                "Date=3/15/23\r\n"
                                "Time=12:00:00 PM\r\n"
                                "Labeling=Zone 2 250\xB0\r\n"
                                "User sign=JD\r\n"
                                "Info=first\r\nsecond\r\n"
                                "\r\n"
                                "[Measurement data]\r\n";
        const QByteArray columns = "Time;Unknown;Genuine value;\r\n";
        QTest::addRow("no channel") << -1 << false << head;
        QTest::addRow("no rows") << 0 << false << head + columns;
        QTest::addRow("one row") << 1 << false << head + columns + "520;2150;1;\r\n";
        QTest::addRow("two rows") << 2 << false << head + columns + "520;2150;1;\r\n1030;2160;1;\r\n";
        QTest::addRow("unsigned extremes") << 3 << false
                                           << head + columns + "520;2150;1;\r\n1030;2160;1;\r\n4294967295;0;1;\r\n";
        // A value is a signed reading; the time stamp and the flag stay unsigned.
        QTest::addRow("reading below zero") << 4 << false
                                            << head + columns
                                                   + "520;2150;1;\r\n1030;2160;1;\r\n4294967295;0;1;\r\n"
                                                     "2500;-50;1;\r\n";
        QByteArray german = head;
        german.replace("Date=3/15/23", "Date=15.03.23").replace("Time=12:00:00 PM", "Time=12:00:00");
        QTest::addRow("date and time follow the language") << 0 << true << german + columns;
    }

    void textExport()
    {
        QFETCH(int, rows);
        QFETCH(bool, german);
        QFETCH(QByteArray, expected);
        if (german)
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TMessungInfo m;
        if (rows >= 0)
            setUpAsRecorded(m);
        m.MeasDate = kDate;
        m.SetInfo(1, QString::fromUtf8("Zone 2 250°"));
        m.SetInfo(2, "JD");
        m.SetInfo(3, "first\r\nsecond");
        const TDataRow all[] = {{520, 2150, 1}, {1030, 2160, 1}, {4294967295u, 0, 1}, {2500, quint32(-50), 1}};
        for (int i = 0; i < rows; ++i)
            QVERIFY(m.AddRow(all[i]));
        m.ExportText(at("run.txt"));
        QCOMPARE(contents(at("run.txt")), expected);
    }

    // The name as typed, the filter entry chosen, and what lands where. Binary files
    // must match the fixture whatever their extension, so ".tavo" and ".mref" are the
    // same bytes.
    void fileNameRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("text");
        QTest::addRow("no extension, Tavo files") << "run" << 0 << "run.tavo" << false;
        QTest::addRow("no extension, Reference files") << "run" << 1 << "run.mref" << false;
        QTest::addRow("no extension, Text files") << "run" << 2 << "run.txt" << true;
        QTest::addRow("extension kept over the filter") << "run.mref" << 0 << "run.mref" << false;
        QTest::addRow("unknown extension is binary") << "run.dat" << 2 << "run.dat" << false;
        QTest::addRow("run.txt is text") << "run.txt" << 0 << "run.txt" << true;
        QTest::addRow("run.TXT is binary") << "run.TXT" << 2 << "run.TXT" << false;
        QTest::addRow("dot in the folder only") << "a.b/run" << 1 << "a.b/run.mref" << false;
    }

    void fileNameRules()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, written);
        QFETCH(bool, text);
        QVERIFY(QDir().mkpath(at("a.b")));
        TMessungInfo m;
        fillRecorded(m, "first\r\nsecond");
        QVERIFY(SaveMeasurementTo(nullptr, m, at(typed), filter));
        QCOMPARE(m.FileName, at(written));
        const QByteArray bytes = contents(at(written));
        if (text)
            QVERIFY2(bytes.startsWith("[Measurement info]\r\n"), bytes.left(40).constData());
        else
            QCOMPARE(bytes, kRecorded);
        QCOMPARE(QDir(m_dir).entryList(QDir::Files).size(), written.contains('/') ? 0 : 1);
    }

    // The spreadsheet export, byte for byte: UTF-8, the sample's own local time, two
    // decimals, a reading below zero, and the separators of the interface language.
    void csvExport_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("expected");
        QTest::addRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << QByteArray("Date and time,Time (s),Temperature (\xC2\xB0" "C)\r\n"
                                               "2016-02-01T09:30:00.520,0.52,215.00\r\n"
                                               "2016-02-01T09:30:01.030,1.03,-5.00\r\n"
                                               "2016-02-01T13:25:30.500,14130.50,0.70\r\n");
        QTest::addRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QByteArray("Date and time;Time (s);Temperature (\xC2\xB0" "C)\r\n"
                                              "2016-02-01T09:30:00.520;0,52;215,00\r\n"
                                              "2016-02-01T09:30:01.030;1,03;-5,00\r\n"
                                              "2016-02-01T13:25:30.500;14130,50;0,70\r\n");
    }

    void csvExport()
    {
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, expected);
        QLocale::setDefault(locale);
        TMessungInfo m;
        setUpAsRecorded(m);
        m.MeasDate = TMessungInfo::ToDateValue(QDateTime(QDate(2016, 2, 1), QTime(9, 30)));
        QVERIFY(m.AddRow({520, 2150, 1}));
        QVERIFY(m.AddRow({1030, quint32(-50), 1}));
        QVERIFY(m.AddRow({14130500, 7, 1}));
        QCOMPARE(vard::MeasurementCsv(m, locale), expected);
        // Saved through the dialog's path, with the extension added from the filter.
        QVERIFY(SaveMeasurementTo(nullptr, m, at("run"), 3));
        QCOMPARE(m.FileName, at("run.csv"));
        QCOMPARE(contents(at("run.csv")), expected);
    }

    // The channel's own name heads its column; only the program's default name (which
    // says nothing) gives way to what it measures.
    void csvColumnName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("column");
        QTest::addRow("default name") << "Unknown" << QByteArray("Temperature (\xC2\xB0" "C)");
        QTest::addRow("own name") << "Zone 3 board" << QByteArray("Zone 3 board (\xC2\xB0" "C)");
        QTest::addRow("no name") << "" << QByteArray("Channel 1 (\xC2\xB0" "C)");
    }

    void csvColumnName()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, column);
        TMessungInfo m;
        setUpAsRecorded(m);
        m.GetChannel(0)->Name = name;
        QVERIFY(m.AddRow({520, 2150, 1}));
        const QByteArray csv = vard::MeasurementCsv(m, QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(csv.left(csv.indexOf("\r\n")), "Date and time,Time (s)," + column);
    }

    // The real dialog: where it opens, what it offers, and that choosing a file that
    // exists replaces it without a question.
    void saveDialog_data()
    {
        QTest::addColumn<QString>("typed"); // empty: Cancel
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("written");
        QTest::addRow("cancel") << QString() << 0 << QString();
        QTest::addRow("name and Reference files") << "run" << 1 << "run.mref";
        QTest::addRow("existing file replaced") << "old.tavo" << 0 << "old.tavo";
    }

    void saveDialog()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, written);
        const QString data = QDir(m_home->path()).filePath("Data");
        QDir(data).removeRecursively();
        TMessungInfo m;
        fillRecorded(m, "first\r\nsecond");
        if (written == "old.tavo") {
            QVERIFY(QDir().mkpath(data));
            writeFile(data + "/old.tavo", "old contents");
        }

        QStringList filters;
        QString selectedFilter, folder, nameAtStart;
        bool noOverwriteQuestion = false, builtIn = false, saveMode = false;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return;
            filters = dialog->nameFilters();
            selectedFilter = dialog->selectedNameFilter();
            folder = dialog->directory().absolutePath();
            if (auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit"))
                nameAtStart = edit->text();
            noOverwriteQuestion = dialog->testOption(QFileDialog::DontConfirmOverwrite);
            builtIn = dialog->testOption(QFileDialog::DontUseNativeDialog);
            saveMode = dialog->acceptMode() == QFileDialog::AcceptSave;
            // Without the option the dialog would ask, and nobody would answer.
            if (typed.isEmpty() || !noOverwriteQuestion) {
                dialog->reject();
                return;
            }
            dialog->selectNameFilter(filters.value(filter));
            // As the operator types it (selectFile leaves a focused edit alone).
            if (auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit"))
                edit->setText(typed);
            static_cast<QDialog *>(dialog)->accept();
            // A dialog that refused the name would wait for ever; fail instead.
            QTimer::singleShot(5000, dialog, &QFileDialog::reject);
        });
        const bool saved = SaveMeasurement(nullptr, m);

        QCOMPARE(filters, QStringList({"Tavo files (*.tavo)", "Reference files (*.mref)", "Text files (*.txt)",
                                       "CSV (*.csv)"}));
        QCOMPARE(selectedFilter, filters.first());
        QCOMPARE(folder, QFileInfo(data).absoluteFilePath());
        QCOMPARE(nameAtStart, QString());
        QVERIFY(noOverwriteQuestion);
        QVERIFY(builtIn);
        QVERIFY(saveMode);
        QCOMPARE(saved, !written.isEmpty());
        if (written.isEmpty()) {
            QCOMPARE(m.FileName, QString());
            QVERIFY(QDir(data).isEmpty());
        } else {
            QCOMPARE(QFileInfo(m.FileName).absoluteFilePath(), QFileInfo(data + "/" + written).absoluteFilePath());
            QCOMPARE(contents(data + "/" + written), kRecorded);
        }
    }

    // A file that cannot be created: the operator is told, nothing is written, and
    // whatever was at the path before stays as it was.
    void cannotAccess_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("extension");
        for (const char *ext : {".tavo", ".txt", ".csv"}) {
            QTest::addRow("parent is a file, %s", ext) << "parent is a file" << ext;
            QTest::addRow("target is a folder, %s", ext) << "target is a folder" << ext;
        }
    }

    void cannotAccess()
    {
        QFETCH(QString, where);
        QFETCH(QString, extension);
        QString path;
        if (where == "parent is a file") {
            writeFile(at("plain"), "a file, not a folder");
            path = at("plain/run" + extension);
        } else {
            path = at("run" + extension);
            QVERIFY(QDir().mkpath(path + "/inside"));
        }
        const QStringList before = QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        TMessungInfo m;
        fillRecorded(m, "first\r\nsecond");
        bool saved = true;
        QString seen;
        saveAndCatchMessage(m, path, &saved, &seen);

        QVERIFY(!saved);
        const QString message = QString("Cannot access file \"%1\" !").arg(path);
        const bool textual = extension == ".txt" || extension == ".csv";
        QVERIFY2(seen.startsWith((textual ? "exception|" : "Error|") + message + "\n"), qPrintable(seen));
        if (!textual)
            QVERIFY2(seen.endsWith("|3"), qPrintable(seen));
        QCOMPARE(m.FileName, path);
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        if (where == "target is a folder")
            QVERIFY(QFileInfo(path + "/inside").isDir());
    }

    // A folder the operator cannot write, holding a file the operator may write: the
    // save goes into that file in place rather than failing for want of a temporary
    // file. Without such a file, or with a read-only one, nothing is written.
    void readOnlyFolder_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("previous"); // "writable", "read-only" or "none"
        for (const char *ext : {".tavo", ".txt", ".csv"}) {
            QTest::addRow("writable file, %s", ext) << ext << "writable";
            QTest::addRow("read-only file, %s", ext) << ext << "read-only";
            QTest::addRow("no file, %s", ext) << ext << "none";
        }
    }

    void readOnlyFolder()
    {
        QFETCH(QString, extension);
        QFETCH(QString, previous);
        const QString folder = at("locked");
        const QString path = folder + "/run" + extension;
        QVERIFY(QDir().mkpath(folder));
        const QByteArray before = "saved before";
        if (previous != "none") {
            writeFile(path, before);
            const auto readAll = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
            const auto writeAll = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
            QVERIFY(QFile::setPermissions(path, previous == "writable" ? readAll | writeAll : readAll));
        }
        QVERIFY(lockFolder(folder, {m_home->path(), m_dir}));

        TMessungInfo m;
        fillRecorded(m, "first\r\nsecond");
        const bool expectSaved = previous == "writable";
        const bool held = withPermissionsInForce([&] {
            bool saved = false;
            if (extension == ".txt" || extension == ".csv") {
                try {
                    if (extension == ".csv")
                        vard::ExportCsv(m, path);
                    else
                        m.ExportText(path);
                    saved = true;
                } catch (const vard::MeasFileError &e) {
                    if (!e.message().contains(path))
                        qWarning("message without the file: %s", qPrintable(e.message()));
                }
            } else {
                saved = m.WriteBinary(path) == TMessungInfo::WriteResult::Ok;
            }
            if (saved != expectSaved)
                qWarning("saved: %d, expected %d", saved, expectSaved);
            return saved == expectSaved;
        });
        QFile::setPermissions(folder, kOpenFolder);
        QVERIFY(held);

        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files, previous == "none" ? QStringList() : QStringList({"run" + extension}));
        if (expectSaved) {
            const QByteArray written = contents(path);
            if (extension == ".txt")
                QVERIFY(written.startsWith("[Measurement info]\r\n"));
            else if (extension == ".csv")
                QCOMPARE(written, vard::MeasurementCsv(m));
            else
                QCOMPARE(written, kRecorded);
        } else if (previous != "none") {
            QCOMPARE(contents(path), before);
        }
    }

    // The disk fills up half-way, in a file of a few rows (smaller than any write
    // buffer) or of many: the operator is told why, and the measurement saved before
    // under that name is still there, byte for byte, with no scraps beside it.
    void writeFails_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rows");
        for (const char *name : {"run.tavo", "run.txt", "run.csv"}) {
            QTest::addRow("%s, 1 KiB", name) << name << 120;    // ~1 KiB binary, ~1.5 KiB text
            QTest::addRow("%s, 12 KiB", name) << name << 1500;  // below the 16 KiB buffer
            QTest::addRow("%s, 160 KiB", name) << name << 20000;
        }
    }

    void writeFails()
    {
        QFETCH(QString, name);
        QFETCH(int, rows);
        const QString path = at(name);
        const QByteArray before = "the measurement saved before\r\n";
        writeFile(path, before);

        TMessungInfo m;
        setUpAsRecorded(m);
        for (quint32 i = 0; i < quint32(rows); ++i)
            QVERIFY(m.AddRow({i * 500, 2000 + i % 100, 1}));
        bool saved = true;
        QString seen;
        {
            FileSizeLimit limit(512);
            QVERIFY(limit.ok());
            saveAndCatchMessage(m, path, &saved, &seen);
        }

        QVERIFY(!saved);
        const QString message = QString("Error writing to file \"%1\".").arg(path);
        const QString reason = QString::fromLocal8Bit(strerror(EFBIG));
        QCOMPARE(seen, name.endsWith(".txt") || name.endsWith(".csv") ? "exception|" + message + "\n" + reason
                                             : "Error|" + message + "\n" + reason + "|3");
        QCOMPARE(contents(path), before);
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({name}));

        // With room again the same measurement saves in full.
        QVERIFY(SaveMeasurementTo(nullptr, m, path, 0));
        QVERIFY(contents(path).size() > rows * 8);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestMeasFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_measfile.moc"
