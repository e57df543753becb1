#pragma once
// What every CSV file the program writes has in common: separator and decimal sign
// from the language (comma and point where the decimal sign is a point, semicolon and
// comma where it is a comma, so a German spreadsheet splits the columns by itself),
// quoted header cells and numbers written without the locale machinery (this runs once
// per cell of a million-row file).

#include <QByteArray>
#include <QLatin1String>
#include <QLocale>
#include <QString>

namespace vard::csv {

struct Format {
    char separator;
    char decimal;
};

inline Format formatFor(const QLocale &locale)
{
    const bool commaDecimal = locale.decimalPoint() == QLatin1String(",");
    return commaDecimal ? Format{';', ','} : Format{',', '.'};
}

// Two decimals of a value given in hundredths.
inline void putHundredths(QByteArray &out, qint64 hundredths, char decimal)
{
    if (hundredths < 0) {
        out += '-';
        hundredths = -hundredths;
    }
    out += QByteArray::number(hundredths / 100);
    out += decimal;
    const int rest = static_cast<int>(hundredths % 100);
    out += static_cast<char>('0' + rest / 10);
    out += static_cast<char>('0' + rest % 10);
}

// A header cell is quoted when it holds the separator, a quote or a line break (the
// names are the operator's to choose).
inline QByteArray headerCell(const QString &text, char separator)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(separator) || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

// The date-time column: local time, ISO 8601 with milliseconds.
inline constexpr const char *kDateTimeFormat = "yyyy-MM-ddTHH:mm:ss.zzz";

} // namespace vard::csv
