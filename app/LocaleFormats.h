#pragma once
// Formats of the user's locale as the program shows them.

#include <QLocale>
#include <QString>

namespace vard {

// The locale's long time format (hours, minutes and seconds) without a time-zone
// name: "14:05:09", not "14:05:09 CET". A time of day on the workstation's clock needs
// no zone, and a file that somebody else reads should hold a plain time.
QString TimeOfDayFormat(const QLocale &locale);

// The user's locale for numbers on screen and paper, without thousands separators:
// 1234.50, never 1,234.50.
QLocale NumberLocale();

} // namespace vard
