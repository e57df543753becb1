#pragma once
// INI files the way the platform's private-profile functions see them: "[Section]"
// lines open a section, "key=value" lines set a key, section and key names match
// without regard to case, the first occurrence wins, and every line the program does
// not touch stays exactly as it was. Text is Windows-1252, new lines end in CR LF.
//
// Every call opens the file, does its one job and closes it again; a write replaces
// the whole file in one step (write-then-rename), so a crash never leaves a torn file,
// and a write that fails (a full disk) leaves the file as it was.
//
// Settings and profile files are a few kilobytes. A file larger than kMaxIniFileSize,
// or one the system refuses to read, is not read: every key of it gives nothing (its
// default), the operator is told once (SetReadProblemHandler), and a write to it is
// refused rather than replacing what could not be read.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

namespace vard {

inline constexpr qint64 kMaxIniFileSize = 1024 * 1024;

// A settings or profile file could not be written. what() names the file.
class SettingsFileError : public std::runtime_error {
public:
    SettingsFileError(const QString &filePath, const QString &reason);
    QString filePath() const { return m_filePath; }
    QString message() const { return m_message; }

private:
    QString m_filePath;
    QString m_message;
};

using IniKeyValues = QList<QPair<QString, QString>>;

// The value of the key (trimmed, one pair of enclosing quotes removed), or nothing when
// the file, the section or the key is missing.
std::optional<QString> iniRead(const QString &filePath, const QString &section, const QString &key);

// Every key=value line of the section, in file order (first section of that name).
IniKeyValues iniSectionKeys(const QString &filePath, const QString &section);

// The names of all sections, in file order, as written in the file (trimmed).
QStringList iniSections(const QString &filePath);

// Why a file that is there cannot be read (too large, refused by the system); nothing
// when it can be read or does not exist. Reports nothing.
std::optional<QString> iniReadProblem(const QString &filePath);

// Sets the keys of one section in one replacement of the file: an existing key's line
// is rewritten in place, a new key goes after the section's last key, a new section
// goes to the end. Throws SettingsFileError when the file is read-only or cannot be
// written, and, before touching the file, when a name or value cannot be stored as it
// is: a CR, LF or NUL in it (it would start a line of its own), a "]" in the section
// name, a "=" in the key name, or a character outside the file's code page.
void iniWrite(const QString &filePath, const QString &section, const IniKeyValues &values);

// Removes the section (its header and every line up to the next section). Nothing is
// written when the section is not there. Throws SettingsFileError like iniWrite.
void iniEraseSection(const QString &filePath, const QString &section);

// Receives the operator's message about a file that was not read, once per file and
// run; called on the thread that read (the start-up and the link thread read settings),
// so a handler that shows a window must hand the message over to the main thread.
// Messages found before a handler is set are handed to it when it is set.
using ReadProblemHandler = std::function<void(const QString &message)>;
void SetReadProblemHandler(ReadProblemHandler handler);

} // namespace vard
