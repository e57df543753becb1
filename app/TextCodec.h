#pragma once
// The one 8-bit code page of every file the program reads or writes: Windows-1252,
// whatever the platform, because the machine maker's tools that share these files run
// on Windows (the degree sign is byte 176 there). A character it cannot encode becomes
// '?', never a control character.

#include <QByteArray>
#include <QString>

namespace vard {

QString fromCp1252(const QByteArray &bytes);
QChar fromCp1252(unsigned char byte);
QByteArray toCp1252(const QString &text);
// The characters of the text that the code page cannot hold, each once, in order of
// appearance; empty when the text can be stored as it is.
QString uncodableInCp1252(const QString &text);

} // namespace vard
