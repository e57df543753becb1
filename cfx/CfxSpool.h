#pragma once
// What waits for the broker: a bounded first-in-first-out store of messages, one file per
// message in a folder of its own, so that what the broker has not accepted survives a
// restart and goes out first. Every entry is held in memory as well: sending never reads
// the disk, and a message whose file could not be written (a full disk, a read-only
// folder) is still sent while the program runs.
//
// Used from one thread only, the broker link's; nothing here is locked.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <deque>

class TCfxSpool {
    Q_DECLARE_TR_FUNCTIONS(TCfxSpool)

public:
    // `maxBytes` bounds the payload bytes held (below 1 it is taken as 1).
    TCfxSpool(const QString &folder, qint64 maxBytes);

    // Call once, before the first Append. Creates the folder when missing, loads what an
    // earlier run left (in sequence order; unreadable or empty files are skipped and
    // removed, half-written ones too), holds it to the bound (the oldest dropped first)
    // and makes the next id follow the highest one seen. False, with `error` in words,
    // when the folder cannot be made or read: the spool then works in memory only.
    bool Open(QString *error = nullptr);

    struct AppendResult {
        quint64 id = 0;      // the new entry's id; ids ascend from 1 and are never reused
        int dropped = 0;     // oldest entries dropped to keep within the bound
        bool stored = true;  // false: no file for this entry, it lives in memory only
        // Why the file could not be written, given once for a run of failures: on the
        // first one after Open or after a write that worked; empty on the failures that
        // follow it, so that a full disk is reported once and not per message.
        QString error;
    };
    // Appends at the tail. When the bound would be passed the oldest entries go first; a
    // single message larger than the bound is kept alone rather than lost.
    AppendResult Append(const QByteArray &message);

    bool IsEmpty() const { return m_entries.empty(); }
    qsizetype Count() const { return static_cast<qsizetype>(m_entries.size()); }
    qint64 Bytes() const { return m_bytes; } // payload bytes held
    qint64 MaxBytes() const { return m_maxBytes; }
    // Entries dropped by the bound since the spool was made, on Open and on Append.
    quint64 DroppedTotal() const { return m_droppedTotal; }

    // The entry at position i from the head (0 = oldest). i must be in [0, Count()).
    quint64 IdAt(qsizetype i) const { return m_entries[static_cast<size_t>(i)].id; }
    const QByteArray &PayloadAt(qsizetype i) const { return m_entries[static_cast<size_t>(i)].payload; }
    // Position of an id, or -1.
    qsizetype IndexOf(quint64 id) const;

    // Removes an entry at any position and deletes its file. An id that is not there (the
    // bound dropped it before the broker's acceptance came) changes nothing. Returns
    // whether it was there.
    bool Remove(quint64 id);

    QString Folder() const { return m_folder; }

    // The file name an entry with this id has in the folder.
    static QString FileName(quint64 id);

private:
    struct Entry {
        quint64 id;
        QByteArray payload;
        bool onDisk;
    };

    QString PathOf(quint64 id) const;
    bool WriteFile(quint64 id, const QByteArray &payload, QString *error) const;
    int DropToFit(qint64 incoming);
    void Forget(const Entry &entry);

    QString m_folder;
    qint64 m_maxBytes;
    std::deque<Entry> m_entries; // ids ascending
    qint64 m_bytes = 0;
    quint64 m_nextId = 1;
    quint64 m_droppedTotal = 0;
    bool m_writeFailing = false; // the last write failed; the next failure is not reported again
};
