#pragma once
// The user's date conventions: reading the /D date and writing the "c"
// date-time of the error log. On POSIX they come from the LC_TIME locale.
// Main thread only (the locale is process-wide).

#include <string>

namespace platform {

// Takes the date conventions from the user's environment (LC_ALL, LC_TIME,
// LANG). Until this is called the program uses the C locale's.
void UseUserLocale();

// Reads a date in the user's short date format, and also as ISO 8601
// YYYY-MM-DD, giving that day at 00:00. False when the text is neither, or
// names a day the calendar does not have.
bool ParseShortDate(const std::string& text, double& dateTime);

// The "c" format: the short date, and, unless the time is exactly midnight, a
// blank and the long time. In the C/POSIX locale: YYYY-MM-DD HH:MM:SS.
std::string FormatDateTimeC(double dateTime);

}  // namespace platform
