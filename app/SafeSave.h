#pragma once
// The one way the program writes a file: into a temporary file beside the target,
// renamed over it only once every byte has reached the disk, so a save that fails at
// any point (a full disk, a file-size limit, a folder that refuses the rename) leaves
// the file saved before exactly as it was and says why.
//
// QSaveFile alone is not enough on Qt 6.4: its commit() reports success although the
// flush of its write buffer failed, which turns every small save on a full disk into
// an empty target and no message. Here the file is written unbuffered and every write
// is checked, so commit() is reached only when the whole content is out.

#include <QSaveFile>
#include <QString>

namespace vard {

class SafeSave {
public:
    enum class Fallback {
        // A folder that refuses the temporary file refuses the save.
        None,
        // A folder that refuses the temporary file, with a target the program may
        // write, gets the target written in place. The save is then no longer one
        // atomic replacement: a failure half-way leaves the target cut off.
        DirectWrite,
    };

    SafeSave(const QString &filePath, Fallback fallback);
    ~SafeSave(); // throws away what was not committed
    SafeSave(const SafeSave &) = delete;
    SafeSave &operator=(const SafeSave &) = delete;

    // False when neither the temporary file nor (with the fallback) the target can be
    // created; errorString() says why.
    bool open();
    // Writes all of it or fails. After the first failure nothing more is written.
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Puts the content in place of the target. False, with the target untouched (unless
    // written in place), when any write failed or the replacement itself fails.
    bool commit();

    bool failed() const { return !m_error.isEmpty(); }
    // The system's word on the first failure.
    QString errorString() const { return m_error; }
    QString filePath() const { return m_path; }

private:
    void fail(const QString &reason);

    QString m_path;
    QSaveFile m_file;
    QString m_error;
};

// What a whole-file save ended in.
struct SaveResult {
    enum Kind { Ok, CannotCreate, WriteFailed } kind = Ok;
    QString reason; // the system's word on a failure
    explicit operator bool() const { return kind == Ok; }
};

// Writes bytes as the file's whole new content through SafeSave.
SaveResult SaveWholeFile(const QString &filePath, const QByteArray &bytes, SafeSave::Fallback fallback);

// Removes what saves killed half-way left behind (on file systems where the temporary
// file has a name until it is renamed): the temporary files beside the
// program's settings files in settingsDir ("Vard.ini.TfaLyq") and beside its
// measurement files in settingsDir/Data ("run.tavo.DYqnAQ"). Nothing else is touched,
// and a temporary file written to in the last minute is left alone, since another
// running copy of the program may be saving through it. Returns how many were removed.
int RemoveLeftoverTemporaries(const QString &settingsDir);

} // namespace vard
