#pragma once
// The program's persistent settings: "Vard.ini" (serial line, refresh, language and
// paths), "Vard.pos" (window positions) and "MaxTemp.ini" (target limits per machine
// family and zone). Free functions; each call reads or writes one key (or one group of
// keys) and keeps no file open.

#include <QString>

#include "app/IniFile.h"

// Folder of the program's executable, always ending in the platform's separator.
QString ProgramDir();

// Folder of the files the program ships with (machine pictures, translations): its own
// folder when they lie beside it (a build, a portable or Windows copy), else the
// installed share folder next to it ("../share/vard"), else the one it was built for.
// Always ends in a separator.
QString ShippedDir();

// True for a copy that keeps every file beside itself: its shipped files lie in its own
// folder and it may write there. An installed copy (shipped files under share, or a
// folder it may not write) keeps the operator's files in the user's folders instead and
// never writes into the program's folder, not even when run as root.
bool IsPortableCopy();

// Folder of the settings files ("Vard.ini", "Vard.pos", "MaxTemp.ini"), always ending
// in a separator. In order: the folder given to UseSettingsFolder(); the environment
// variable VARD_HOME when it names one; ProgramDir() for a portable copy; else the
// user's configuration folder (~/.config/vard/), created when missing.
QString SettingsDir();
// Folder of the operator's data ("Profiles.vard" and the measurement folder "Data"):
// the same as SettingsDir() except for an installed copy, where it is the user's data
// folder (~/.local/share/vard/), created when missing.
QString DataDir();
// Points the settings folder, or the data folder, at `dir` for the rest of the run (a
// demo keeps its files apart). Call them before the machine object exists: the link
// thread reads settings.
void UseSettingsFolder(const QString &dir);
void UseDataFolder(const QString &dir);

QString SettingsFilePath(); // "Vard.ini"
QString WindowPosFilePath(); // "Vard.pos"
QString MaxTempFilePath();   // "MaxTemp.ini"

// An integer as the settings files write it: decimal with an optional sign, or
// hexadecimal after "0x"/"0X" (also after a sign). Anything that is not wholly such a
// number ("12abc", "0x 1", a NUL inside), or a number beyond 32 bits, gives def.
int ParseSettingInt(const QString &text, int def);

int ReadSettingInt(const QString &section, const QString &key, int def);
QString ReadSettingStr(const QString &section, const QString &key, const QString &def);
// Writes go to the file at once. They throw vard::SettingsFileError naming the file
// when the platform refuses the write.
void WriteSettingInt(const QString &section, const QString &key, int value);
void WriteSettingStr(const QString &section, const QString &key, const QString &value);

struct TWindowPos {
    int Top = 0;
    int Left = 0;
    int Width = 800;
    int Height = 600;
};

TWindowPos ReadWindowPos(const QString &windowName);
// Each value is cut to a signed 16-bit number before it is written; throws like
// WriteSettingInt.
void WriteWindowPos(const QString &windowName, const TWindowPos &pos);

// Highest target temperature of a zone (0-based position in its machine's set-up) for
// a machine family ("4QTR", "362.0x", "362.10"); 450 °C unless "MaxTemp.ini" says
// otherwise.
int ReadMaxTemp(const QString &section, int zonePosition);

// The number made of the digits and commas of the text, read in the user's locale
// (the comma is the decimal separator where the locale has one); 0 when that is not a
// number. "R:T4;" gives 4.
float ExtractNumber(const QString &text);
