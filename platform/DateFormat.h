#pragma once
// Reading a calendar date typed by the user, by a date format of the kind a
// locale gives (the strftime directives %d %e %m %y %Y %D %F; every other
// character is literal, a blank stands for one or more blanks). Pure functions:
// the locale's format is looked up by platform/Locale.h.

#include <string>

namespace platform {

// Reads `text` laid out as `format` and gives the date-time of that day at
// 00:00. Day and month take one or two digits; a year takes four digits, or one
// or two (00-68 mean 2000-2068, 69-99 mean 1969-1999). When the year is the last
// field of the format it may be left out, together with the separator before
// it, and `currentYear` is used. Blanks around the text are ignored. False for
// anything else, including dates the calendar does not have (31.02.2024).
bool ParseDateByFormat(const std::string& text, const std::string& format, int currentYear,
                       double& dateTime);

// A Windows date picture (d, dd, M, MM, y, yy, yyyy, 'quoted' text, the era g
// left out) as the directives above: "dd.MM.yyyy" gives "%d.%m.%Y". Empty when
// the picture shows day or month names, which cannot be typed as digits.
std::string ShortDatePictureAsFormat(const std::string& picture);

// ISO 8601 YYYY-MM-DD exactly (four, two and two digits).
bool ParseIsoDate(const std::string& text, double& dateTime);

}  // namespace platform
