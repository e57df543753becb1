#include "app/GlobalUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <limits>

using vard::iniRead;
using vard::iniWrite;

namespace {

QString withSeparator(QString dir)
{
    if (dir.isEmpty())
        return QString(QDir::separator());
    if (!dir.endsWith(u'/') && !dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    return dir;
}

qint16 cut16(int v)
{
    return static_cast<qint16>(static_cast<quint16>(static_cast<unsigned>(v) & 0xFFFFu));
}

} // namespace

QString ProgramDir()
{
    QString file;
    if (QCoreApplication::instance())
        file = QCoreApplication::applicationFilePath();
    else
        file = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const qsizetype slash = file.lastIndexOf(u'/');
    return withSeparator(slash < 0 ? QString() : QDir::toNativeSeparators(file.left(slash)));
}

namespace {

QString &settingsFolderOverride()
{
    static QString folder;
    return folder;
}

QString &dataFolderOverride()
{
    static QString folder;
    return folder;
}

bool hasShippedFiles(const QString &dir) { return QFileInfo(dir + QStringLiteral("LMImages")).isDir(); }

QString userFolder(QStandardPaths::StandardLocation location)
{
    QString dir = QStandardPaths::writableLocation(location);
    if (dir.isEmpty()) // no home folder at all: the program's folder is all there is
        return ProgramDir();
    QDir().mkpath(dir); // a failure shows at the first write, which names the file
    return withSeparator(QDir::toNativeSeparators(dir));
}

QString chosenFolder(QStandardPaths::StandardLocation installedLocation, const QString &chosen)
{
    if (!chosen.isEmpty())
        return chosen;
    const QString home = qEnvironmentVariable("VARD_HOME");
    if (!home.isEmpty())
        return withSeparator(home);
    return IsPortableCopy() ? ProgramDir() : userFolder(installedLocation);
}

} // namespace

QString ShippedDir()
{
    const QString own = ProgramDir();
    if (hasShippedFiles(own))
        return own;
    const QString share = withSeparator(QDir::cleanPath(own + QStringLiteral("../share/vard")));
    if (hasShippedFiles(share))
        return share;
#ifdef VARD_INSTALLED_DATADIR
    return withSeparator(QStringLiteral(VARD_INSTALLED_DATADIR));
#else
    return own;
#endif
}

bool IsPortableCopy()
{
    const QString own = ProgramDir();
    return hasShippedFiles(own) && QFileInfo(own).isWritable();
}

QString SettingsDir() { return chosenFolder(QStandardPaths::AppConfigLocation, settingsFolderOverride()); }

QString DataDir() { return chosenFolder(QStandardPaths::AppDataLocation, dataFolderOverride()); }

void UseSettingsFolder(const QString &dir) { settingsFolderOverride() = dir.isEmpty() ? QString() : withSeparator(dir); }

void UseDataFolder(const QString &dir)
{
    if (!dir.isEmpty())
        QDir().mkpath(dir);
    dataFolderOverride() = dir.isEmpty() ? QString() : withSeparator(dir);
}

QString SettingsFilePath() { return SettingsDir() + QStringLiteral("Vard.ini"); }
QString WindowPosFilePath() { return SettingsDir() + QStringLiteral("Vard.pos"); }
QString MaxTempFilePath() { return SettingsDir() + QStringLiteral("MaxTemp.ini"); }

int ParseSettingInt(const QString &text, int def)
{
    const QString whole = text.trimmed();
    QStringView t(whole);
    bool negative = false;
    if (!t.isEmpty() && (t.front() == u'-' || t.front() == u'+')) {
        negative = t.front() == u'-';
        t = t.mid(1);
    }
    int base = 10;
    if (t.size() >= 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        base = 16;
        t = t.mid(2);
    }
    if (t.isEmpty())
        return def;
    // Every character must be a digit: the library conversions skip blanks after "0x"
    // and stop at a NUL, which would make "0x 1" a 1 and "12<NUL>abc" a 12.
    quint64 v = 0;
    for (QChar ch : t) {
        const char16_t c = ch.unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return def;
        v = v * static_cast<quint64>(base) + static_cast<quint64>(digit);
        if (v > 0xFFFFFFFFull)
            return def;
    }
    // Hexadecimal holds a 32-bit pattern: 0xFFFFFFFF is -1.
    qint64 value = static_cast<qint64>(v);
    if (base == 16)
        value = static_cast<qint32>(static_cast<quint32>(v));
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return def;
    return static_cast<int>(value);
}

int ReadSettingInt(const QString &section, const QString &key, int def)
{
    const auto text = iniRead(SettingsFilePath(), section, key);
    return text ? ParseSettingInt(*text, def) : def;
}

QString ReadSettingStr(const QString &section, const QString &key, const QString &def)
{
    return iniRead(SettingsFilePath(), section, key).value_or(def);
}

void WriteSettingInt(const QString &section, const QString &key, int value)
{
    iniWrite(SettingsFilePath(), section, {{key, QString::number(value)}});
}

void WriteSettingStr(const QString &section, const QString &key, const QString &value)
{
    iniWrite(SettingsFilePath(), section, {{key, value}});
}

TWindowPos ReadWindowPos(const QString &windowName)
{
    const QString file = WindowPosFilePath();
    auto read = [&](const char *key, int def) {
        const auto text = iniRead(file, windowName, QString::fromLatin1(key));
        return text ? ParseSettingInt(*text, def) : def;
    };
    TWindowPos pos;
    pos.Top = read("Top", pos.Top);
    pos.Left = read("Left", pos.Left);
    pos.Width = read("Width", pos.Width);
    pos.Height = read("Height", pos.Height);
    return pos;
}

void WriteWindowPos(const QString &windowName, const TWindowPos &pos)
{
    iniWrite(WindowPosFilePath(), windowName,
             {{QStringLiteral("Top"), QString::number(cut16(pos.Top))},
              {QStringLiteral("Left"), QString::number(cut16(pos.Left))},
              {QStringLiteral("Width"), QString::number(cut16(pos.Width))},
              {QStringLiteral("Height"), QString::number(cut16(pos.Height))}});
}

int ReadMaxTemp(const QString &section, int zonePosition)
{
    constexpr int kDefaultMaxTemp = 450;
    const auto text = iniRead(MaxTempFilePath(), section, QString::number(zonePosition));
    return text ? ParseSettingInt(*text, kDefaultMaxTemp) : kDefaultMaxTemp;
}

float ExtractNumber(const QString &text)
{
    constexpr qsizetype kMaxExamined = 255;
    QString collected;
    for (QChar c : QStringView(text).left(kMaxExamined)) {
        if ((c >= u'0' && c <= u'9') || c == u',')
            collected.append(c);
    }
    if (collected.isEmpty())
        return 0.0f;
    // Strict: the comma is accepted only as the locale's decimal separator, never as a
    // group separator, so "1,5" in an English locale is not a number.
    const QLocale locale;
    if (collected.contains(u',')) {
        if (locale.decimalPoint() != QStringLiteral(","))
            return 0.0f;
        collected.replace(u',', u'.');
    }
    bool ok = false;
    const float v = QLocale::c().toFloat(collected, &ok);
    return ok ? v : 0.0f;
}
