#pragma once
// INI files the way the platform's private-profile functions see them: "[Section]"
// lines open a section, "key=value" lines set a key, section and key names match
// without regard to case, the first occurrence wins, and every line the program does
// not touch stays exactly as it was. Text is Windows-1252, new lines end in CR LF.
//
// Every call opens the file, does its one job and closes it again; a write replaces
// the whole file in one step (write-then-rename), so a crash never leaves a torn file.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace vard {

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

// Sets the keys of one section in one replacement of the file: an existing key's line
// is rewritten in place, a new key goes after the section's last key, a new section
// goes to the end. Throws SettingsFileError when the file is read-only or cannot be
// written.
void iniWrite(const QString &filePath, const QString &section, const IniKeyValues &values);

// Removes the section (its header and every line up to the next section). Nothing is
// written when the section is not there. Throws SettingsFileError like iniWrite.
void iniEraseSection(const QString &filePath, const QString &section);

} // namespace vard
