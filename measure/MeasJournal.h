#pragma once
// The measurement journal: while a measurement runs, every recorded row is appended to
// "measurement.journal" in the measurement folder, so that a crash or a power cut
// loses at most the rows recorded since the last flush(). The next start finds the
// journal (exists()) and can restore the measurement from it (restore()). A normal
// save or a Clear ends it with remove().
//
// The journal file, all numbers little-endian:
//   "VardJrnl"  u32 format version (1)  u32 body length B
//   body: u64 journal id, f64 MeasDate, u32 channel count N (0..255),
//         Title, UserName, Description (each u32 byte count + UTF-8)
//   u32 CRC-32 of everything before it
//   rows: N + 2 u32 each (time in ms, the N values as stored, the genuine-value flag)
// Rows carry nothing but their values, so the file grows by exactly 4 (N + 2) bytes a
// row; a row cut off by the crash is simply not restored.
//
// The texts may change while measuring. Rewriting them inside the header would risk
// the header itself, so updateTexts() writes them to a small side file,
// "measurement.journal.texts" ("VardJtxt", version, body length, then journal id and
// the three texts, CRC-32), which replaces the earlier one in one step. The journal id
// ties it to its journal: a side file left from an earlier measurement is ignored, and
// a damaged one only costs the newer texts, never the rows.
//
// One thread uses a journal at a time.

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include "measure/ObjMessungUnit.h"

namespace vard {

class MeasJournal {
    Q_DECLARE_TR_FUNCTIONS(MeasJournal)

public:
    explicit MeasJournal(const QString &folder);
    // Writes out what was appended but not flushed yet, and closes the journal without
    // removing it: only remove() says the measurement is safe elsewhere.
    ~MeasJournal();
    MeasJournal(const MeasJournal &) = delete;
    MeasJournal &operator=(const MeasJournal &) = delete;

    // Starts the journal afresh for m (its header and the rows m already holds),
    // creating the folder when it is missing, and waits until that is on the disk.
    // False with the system's reason when the journal cannot be written; no journal is
    // left behind then.
    bool begin(const TMessungInfo &m, QString *error = nullptr);

    // Queues one row (time, ChannelCount() values, flag, as in TMessungInfo::AddRow).
    // False, and nothing is queued, when no journal is open or the row has another
    // width than the journal's. Once some tens of KB are queued they are flushed at once.
    bool append(const TDataRow &row);

    // Writes every queued row and waits until they are on the disk. On a failure (a
    // full disk, a file-size limit) the file keeps the whole rows that could be made
    // safe and is cut back to them; the other rows stay queued for the next flush, and
    // the reason is given.
    bool flush(QString *error = nullptr);

    // Replaces the journal's texts with m's title, user name and description.
    bool updateTexts(const TMessungInfo &m, QString *error = nullptr);

    // Closes the journal and deletes its files.
    void remove();

    bool isOpen() const { return m_file.isOpen(); }
    QString filePath() const { return m_file.fileName(); }

    static QString journalPath(const QString &folder);
    static QString textsPath(const QString &folder);
    static bool exists(const QString &folder);
    // Fills m with the journal's measurement: channel count, MeasDate, texts and every
    // whole row (a row cut off at the end is left out). A missing, foreign, damaged or
    // unsupported journal gives false with the reason and leaves m as it was; a read
    // failure among the rows gives false with m holding the rows read before it.
    static bool restore(const QString &folder, TMessungInfo &m, QString *error = nullptr);

private:
    bool writeAll(const char *data, qsizetype size, QString *error, qsizetype *written = nullptr);
    bool syncFile(QString *error);
    bool cutBack();
    void discardFile();

    QString m_folder;
    QFile m_file;
    QByteArray m_queue;        // whole rows not yet written
    qint64 m_safeSize = 0;     // bytes of the file known to be on the disk
    quint64 m_id = 0;
    int m_rowWidth = 0;        // values per row
    bool m_failing = false;    // the last flush failed: no automatic flushes until one works
    bool m_needsCutBack = false; // the file may hold bytes past m_safeSize
};

} // namespace vard
