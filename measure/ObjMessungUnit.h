#pragma once
// The program's one temperature measurement: its channels, its sample rows, its
// markers and the texts that describe it.
//
// A row is N + 2 unsigned 32-bit values: the time since Start in ms, one value per
// channel in tenths of a degree, and the genuine-value flag (1 for measured values).
// Rows live in one flat store of fixed-size blocks, so a million one-channel rows take
// 12 MB and adding one never copies the others.

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <stdexcept>
#include <vector>

#include "measure/ObjKanalUnit.h"

using TDataRow = std::vector<quint32>;

namespace vard {

// A measurement file could not be written. what() is the operator's message, which
// names the file; reason() is the system's own word on it.
class MeasFileError : public std::runtime_error {
public:
    MeasFileError(const QString &filePath, const QString &message, const QString &reason);
    QString filePath() const { return m_filePath; }
    QString message() const { return m_message; }
    QString reason() const { return m_reason; }

private:
    QString m_filePath;
    QString m_message;
    QString m_reason;
};

} // namespace vard

class TMessungInfo {
public:
    TMessungInfo();
    ~TMessungInfo();
    TMessungInfo(const TMessungInfo &) = delete;
    TMessungInfo &operator=(const TMessungInfo &) = delete;

    double MeasDate;   // days since 30 December 1899, the fraction is the time of day
    QString Title;
    QString UserName;
    QString Description;
    QString Password;  // never set by the program; written as an empty text
    QString FileName;  // path last chosen for saving
    quint8 Flags = 0;

    void SetFlag(bool on); // bit 1 (value 2); the other bits stay

    int ChannelCount() const { return static_cast<int>(m_channels.size()); }
    // Appends channels with their initial values or drops the last ones. Rows of the old
    // width cannot stay beside the new one, so a change of width drops the rows.
    void SetChannelCount(int n);
    TKanalInfo *GetChannel(int index);
    const TKanalInfo *GetChannel(int index) const;

    int MarkerCount() const { return static_cast<int>(m_markers.size()); }
    const TMarkerInfo &GetMarker(int index) const { return m_markers.at(index); }
    void AddMarker(const TMarkerInfo &marker) { m_markers.push_back(marker); }

    // False, and nothing changes, unless the row has ChannelCount() + 2 elements.
    bool AddRow(const TDataRow &row);
    qsizetype RowCount() const { return m_rowCount; }
    quint32 GetTime(qsizetype row) const; // 0 past the last row
    // 0 for a channel past the last one (and for a row that does not exist).
    quint32 GetValue(qsizetype row, int channel) const;
    quint32 GetFlag(qsizetype row) const; // the genuine-value flag
    void ClearRows();

    // 1 title, 2 user name, 3 description; any other kind stores nothing.
    void SetInfo(int kind, const QString &text);

    // Bytes the rows take, for the benchmark and the curious.
    qsizetype RowMemoryBytes() const;

    // The files. Both replace the target only once every byte has reached the disk, so
    // a failed save leaves the file saved before exactly as it was; only in a folder
    // that refuses a temporary file is an existing, writable target written in place.
    enum class WriteResult {
        Ok,
        CannotAccess, // the file (or its temporary beside it) could not be created
        WriteFailed,  // created, but a write or the final replacement failed
    };
    // The binary layout of ".tavo" and ".mref" files; reason, when given, receives the
    // system's word on a failure.
    WriteResult WriteBinary(const QString &path, QString *reason = nullptr) const;
    // The semicolon-separated text export; throws vard::MeasFileError on failure.
    void ExportText(const QString &path) const;
    // The operator's message for a failed write to path ("" for Ok), with the system's
    // reason on a line of its own when there is one.
    static QString WriteErrorText(WriteResult result, const QString &path, const QString &reason = QString());

    static double ToDateValue(const QDateTime &local);
    static QDateTime FromDateValue(double value);

private:
    static constexpr qsizetype kRowsPerBlock = 4096;
    const quint32 *rowData(qsizetype row) const;
    WriteResult writeText(const QString &path, QString *reason) const;

    std::vector<TKanalInfo> m_channels;
    std::vector<TMarkerInfo> m_markers;
    std::vector<std::unique_ptr<quint32[]>> m_blocks;
    qsizetype m_rowCount = 0;
};
