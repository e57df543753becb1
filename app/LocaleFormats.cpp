#include "app/LocaleFormats.h"

namespace vard {

QString TimeOfDayFormat(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == u't')
            continue;
        result += c;
    }
    result.remove(QLatin1String("()"));
    result = result.simplified();
    return result.isEmpty() ? QStringLiteral("HH:mm:ss") : result;
}

QLocale NumberLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace vard
