// The UNIX "ls -l" line form:
//   drwxr-xr-x    2 1000     1000         4096 Dec 08 01:37 name
//   -rw-r--r--+   1 owner    12345 Mar  4  2019 name        (no group, ACL mark)
//   crw-r--r--    1 0        0          4,   5 Dec  8 01:37 device
//   lrwxrwxrwx    1 0        0              9 Dec 08 01:37 link -> target

#include <cstring>

#include "common/FileTimeCalendar.h"
#include "internet/protocol/ListingFields.h"

namespace ftpprotocol {

namespace {

using listing::Field;

// Servers whose clock runs ahead of ours (time zones span 26 hours) list a file
// made a moment ago with a time later than our now. Such a date still belongs to
// this year; only beyond this slack is it taken as last year's.
constexpr uint64_t FutureSlackTicks = 2ull * 24 * 3600 * 10000000;

// The month normally stands at field 5 (mode, links, owner, group, size) or 4 (no
// group). A little room is left for odd owner and group fields, but no more, so a
// date-like run of words inside a name is never taken for the date.
constexpr size_t LastMonthField = 7;
constexpr size_t MaxFields = LastMonthField + 3;

bool IsModeField(std::string_view mode) {
    auto oneOf = [](const char* set, char c) { return c != '\0' && std::strchr(set, c); };
    if (mode.size() < 10 || !oneOf("-dlcbpsDn", mode[0])) return false;
    for (size_t i = 1; i < 10; ++i) {
        if (!oneOf("rwxsStTlL-", mode[i])) return false;
    }
    // One mark may follow: "+" (ACL), "." (security context), "@" (extended attributes).
    return mode.size() == 10 || (mode.size() == 11 && oneOf("+.@", mode[10]));
}

int MonthNumber(std::string_view text) {
    static const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3) return 0;
    for (int m = 0; m < 12; ++m) {
        bool same = true;
        for (size_t i = 0; i < 3; ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
            same = same && c == names[m][i];
        }
        if (same) return m + 1;
    }
    return 0;
}

bool IsDayField(std::string_view text) {
    uint64_t day = 0;
    return listing::ReadUnsigned(text, 2, day) && day >= 1 && day <= 31;
}

bool IsYearOrClock(std::string_view text) {
    uint64_t year = 0;
    int hour = 0, minute = 0;
    return (text.size() == 4 && listing::ReadUnsigned(text, 4, year)) ||
           listing::ReadClock(text, hour, minute);
}

// The size: digits; for a device ("4, 5", "4,5", "0x1c") anything, counted as 0.
bool ReadSize(const std::vector<Field>& fields, size_t at, bool device, uint64_t& size) {
    size = 0;
    if (device) return true;
    return listing::ReadUnsigned(fields[at].Text, 20, size);
}

// Index of the month field: the first month that is followed by a day and a year
// or clock time and preceded by a size. 0 when there is none.
size_t FindMonth(const std::vector<Field>& fields, bool device) {
    uint64_t size = 0;
    for (size_t i = 2; i <= LastMonthField && i + 2 < fields.size(); ++i) {
        if (MonthNumber(fields[i].Text) && IsDayField(fields[i + 1].Text) &&
            IsYearOrClock(fields[i + 2].Text) && ReadSize(fields, i - 1, device, size)) {
            return i;
        }
    }
    return 0;
}

// A date without a year: this year unless that lies beyond now (with the slack
// above), then the year before; a 29 February goes back to the last leap year.
void PickYear(CalendarTime& time, const CalendarTime& now) {
    uint64_t limit = FileTimeFromCalendar(now).Ticks() + FutureSlackTicks;
    time.Year = now.Year;
    if (IsValidCalendarTime(time) && FileTimeFromCalendar(time).Ticks() <= limit) return;
    for (int back = 1; back <= 8; ++back) {
        time.Year = now.Year - back;
        if (IsValidCalendarTime(time)) return;
    }
}

bool ReadDate(const std::vector<Field>& fields, size_t month, const CalendarTime& now,
              CalendarTime& time) {
    uint64_t day = 0, year = 0;
    listing::ReadUnsigned(fields[month + 1].Text, 2, day);
    time = CalendarTime{0, MonthNumber(fields[month].Text), int(day), 0, 0, 0, 0};
    std::string_view last = fields[month + 2].Text;
    if (listing::ReadClock(last, time.Hour, time.Minute)) {
        PickYear(time, now);
    } else {
        listing::ReadUnsigned(last, 4, year);
        time.Year = int(year);
    }
    return IsValidCalendarTime(time) && time.Year >= 1601;
}

}  // namespace

bool ParseUnixListingLine(std::string_view line, const CalendarTime& now,
                          platform::FindData& entry) {
    std::vector<Field> fields = listing::SplitFields(line, MaxFields);
    if (fields.size() < 5 || fields[0].Begin != 0 || !IsModeField(fields[0].Text)) return false;
    char type = fields[0].Text[0];
    bool device = type == 'c' || type == 'b';
    size_t month = FindMonth(fields, device);
    if (month == 0) return false;
    CalendarTime time;
    uint64_t size = 0;
    if (!ReadDate(fields, month, now, time)) return false;
    ReadSize(fields, month - 1, device, size);

    // The name starts after the one blank that ends the time field; any further
    // blanks belong to the name.
    const Field& last = fields[month + 2];
    size_t nameBegin = last.Begin + last.Text.size() + 1;
    if (nameBegin >= line.size()) return false;
    std::string_view name = line.substr(nameBegin);
    if (type == 'l') {
        size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos && arrow > 0) name = name.substr(0, arrow);
    }
    entry = platform::FindData();
    entry.Name.assign(name.data(), name.size());
    if (type == 'd') entry.Attributes |= platform::Attribute::Directory;
    // A link's size and time are its own, not those of what it leads to.
    if (type == 'l') entry.Attributes |= platform::Attribute::ReparsePoint;
    if (fields[0].Text[2] != 'w') entry.Attributes |= platform::Attribute::ReadOnly;
    listing::FinishRecord(time, size, entry);
    return true;
}

}  // namespace ftpprotocol
