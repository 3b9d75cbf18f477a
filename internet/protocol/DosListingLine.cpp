// The DOS line form that IIS and other Windows servers send:
//   06-01-26  12:30PM       <DIR>          name
//   06-01-2026  12:30PM                 1024 name
//   06-01-26  14:30                     1024 name        (24-hour clock)

#include "internet/protocol/ListingFields.h"

namespace ftpprotocol {

namespace {

using listing::Field;

// IIS pads "<DIR>" to the column where a file's name starts: ten blanks follow
// it. Blanks beyond those belong to the name.
constexpr size_t DirPadding = 10;

bool IsDigits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return !text.empty();
}

// "MM-DD-YY", "MM-DD-YYYY" (also with "/"), or "YYYY-MM-DD".
bool ReadDosDate(std::string_view text, CalendarTime& time) {
    size_t first = text.find_first_of("-/");
    if (first == std::string_view::npos) return false;
    size_t second = text.find(text[first], first + 1);
    if (second == std::string_view::npos) return false;
    std::string_view a = text.substr(0, first), b = text.substr(first + 1, second - first - 1),
                     c = text.substr(second + 1);
    if (!IsDigits(a) || !IsDigits(b) || !IsDigits(c)) return false;
    uint64_t x = 0, y = 0, z = 0;
    bool isoOrder = a.size() == 4;
    if (isoOrder) {
        if (b.size() > 2 || c.size() > 2) return false;
        listing::ReadUnsigned(a, 4, z), listing::ReadUnsigned(b, 2, x),
            listing::ReadUnsigned(c, 2, y);
    } else {
        if (a.size() > 2 || b.size() > 2 || (c.size() != 2 && c.size() != 4)) return false;
        listing::ReadUnsigned(a, 2, x), listing::ReadUnsigned(b, 2, y),
            listing::ReadUnsigned(c, 4, z);
        // Two-digit years as POSIX reads them: 69-99 are 1969-1999, 00-68 are 2000-2068.
        if (c.size() == 2) z += z >= 69 ? 1900 : 2000;
    }
    time = CalendarTime{int(z), int(x), int(y), 0, 0, 0, 0};
    return true;
}

// "hh:mm" on a 24-hour clock, or "hh:mmAM"/"hh:mmPM" (the suffix may also stand as
// its own field, given in suffix).
bool ReadDosTime(std::string_view text, std::string_view suffix, CalendarTime& time,
                 bool& suffixUsed) {
    suffixUsed = false;
    auto isSuffix = [](std::string_view s) {
        return s.size() == 2 && (s[0] == 'A' || s[0] == 'P' || s[0] == 'a' || s[0] == 'p') &&
               (s[1] == 'M' || s[1] == 'm');
    };
    std::string_view half;
    if (text.size() > 2 && isSuffix(text.substr(text.size() - 2))) {
        half = text.substr(text.size() - 2);
        text = text.substr(0, text.size() - 2);
    } else if (isSuffix(suffix)) {
        half = suffix;
        suffixUsed = true;
    }
    if (!listing::ReadClock(text, time.Hour, time.Minute)) return false;
    if (half.empty()) return true;
    if (time.Hour < 1 || time.Hour > 12) return false;
    bool afternoon = half[0] == 'P' || half[0] == 'p';
    time.Hour = time.Hour % 12 + (afternoon ? 12 : 0);
    return true;
}

}  // namespace

bool ParseDosListingLine(std::string_view line, platform::FindData& entry) {
    std::vector<Field> fields = listing::SplitFields(line, 5);
    if (fields.size() < 4 || fields[0].Begin != 0) return false;
    CalendarTime time;
    bool suffixUsed = false;
    if (!ReadDosDate(fields[0].Text, time)) return false;
    if (!ReadDosTime(fields[1].Text, fields[2].Text, time, suffixUsed)) return false;
    if (!IsValidCalendarTime(time) || time.Year < 1601) return false;
    size_t at = suffixUsed ? 3 : 2;
    if (at >= fields.size()) return false;
    const Field& kind = fields[at];
    bool folder = kind.Text == "<DIR>";
    uint64_t size = 0;
    if (!folder && !listing::ReadUnsigned(kind.Text, 20, size)) return false;

    size_t nameBegin = kind.Begin + kind.Text.size() + 1;
    if (folder) {
        // Up to the padding, blanks are layout; a server with less padding has
        // names that start at the first non-blank.
        size_t blanks = 1;
        while (blanks < DirPadding && nameBegin < line.size() && line[nameBegin] == ' ') {
            ++nameBegin;
            ++blanks;
        }
    }
    if (nameBegin >= line.size()) return false;
    entry = platform::FindData();
    entry.Name.assign(line.substr(nameBegin));
    if (folder) entry.Attributes |= platform::Attribute::Directory;
    listing::FinishRecord(time, size, entry);
    return true;
}

}  // namespace ftpprotocol
