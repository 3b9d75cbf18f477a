// The machine-readable listing line of MLSD and MLST (RFC 3659):
//   type=file;size=6;modify=20261208053500;UNIX.mode=0644; file.txt
//   type=cdir;sizd=4096;modify=20261208230255; .
//   type=OS.unix=slink:target;size=6;modify=20261208053500; link
// Facts are "name=value" pairs, each ended by ";", in any order and letter case;
// one blank separates them from the name, which is taken whole (blanks and ";"
// included). Times are UTC.

#include <cstring>

#include "common/FileTimeCalendar.h"
#include "internet/protocol/ListingFields.h"
#include "internet/protocol/ListingParser.h"

namespace ftpprotocol {

namespace {

bool SameLetters(std::string_view text, const char* word) {
    if (text.size() != std::strlen(word)) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

bool BeginsWith(std::string_view text, const char* head) {
    return text.size() >= std::strlen(head) && SameLetters(text.substr(0, std::strlen(head)), head);
}

struct Facts {
    std::string_view Type, Size, Modify, Perm, UnixMode;
};

// Splits "fact=value;...; " off the line; false when the line has no such part.
bool ReadFacts(std::string_view line, Facts& facts, std::string_view& name) {
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0 || line[blank - 1] != ';') return false;
    name = line.substr(blank + 1);
    std::string_view list = line.substr(0, blank);
    while (!list.empty()) {
        size_t end = list.find(';');
        std::string_view fact = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        size_t equals = fact.find('=');
        if (equals == std::string_view::npos || equals == 0) return false;
        std::string_view key = fact.substr(0, equals), value = fact.substr(equals + 1);
        if (SameLetters(key, "type"))
            facts.Type = value;
        else if (SameLetters(key, "size"))
            facts.Size = value;
        else if (SameLetters(key, "modify"))
            facts.Modify = value;
        else if (SameLetters(key, "perm"))
            facts.Perm = value;
        else if (SameLetters(key, "unix.mode"))
            facts.UnixMode = value;
    }
    return !facts.Type.empty();
}

// The attributes a type stands for; false for an entry that is no entry of the
// folder (an unknown type is kept as neither file nor folder).
uint32_t TypeAttributes(std::string_view type) {
    if (SameLetters(type, "file")) return 0;
    if (SameLetters(type, "dir") || SameLetters(type, "cdir") || SameLetters(type, "pdir"))
        return platform::Attribute::Directory;
    // ProFTPD writes OS.unix=symlink, Pure-FTPd OS.unix=slink:target.
    if (BeginsWith(type, "os.unix=symlink") || BeginsWith(type, "os.unix=slink"))
        return platform::Attribute::ReparsePoint;
    return platform::Attribute::Device;
}

bool OwnerMayWrite(const Facts& facts, bool folder) {
    uint64_t mode = 0;
    std::string_view octal = facts.UnixMode;
    // pyftpdlib writes the mode as Python does: "0o644".
    if (octal.size() > 2 && octal[0] == '0' && (octal[1] == 'o' || octal[1] == 'O'))
        octal.remove_prefix(2);
    if (!octal.empty()) {
        // Octal digits, the owner's write bit 0200.
        for (char c : octal) {
            if (c < '0' || c > '7') return true;
            mode = mode * 8 + uint64_t(c - '0');
        }
        return (mode & 0200) != 0;
    }
    // Without a mode, a file the user may not store over is read-only.
    return folder || facts.Perm.empty() || facts.Perm.find_first_of("wW") != std::string_view::npos;
}

}  // namespace

bool ParseFtpTimestamp(std::string_view text, CalendarTime& time) {
    uint64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (text.size() < 14 || !listing::ReadUnsigned(text.substr(0, 4), 4, year) ||
        !listing::ReadUnsigned(text.substr(4, 2), 2, month) ||
        !listing::ReadUnsigned(text.substr(6, 2), 2, day) ||
        !listing::ReadUnsigned(text.substr(8, 2), 2, hour) ||
        !listing::ReadUnsigned(text.substr(10, 2), 2, minute) ||
        !listing::ReadUnsigned(text.substr(12, 2), 2, second))
        return false;
    int millisecond = 0;
    std::string_view fraction = text.substr(14);
    if (!fraction.empty()) {
        uint64_t digits = 0;
        if (fraction[0] != '.' || !listing::ReadUnsigned(fraction.substr(1), 9, digits))
            return false;
        // The first three digits are the milliseconds.
        std::string_view ms = fraction.substr(1, 3);
        uint64_t value = 0;
        listing::ReadUnsigned(ms, 3, value);
        for (size_t i = ms.size(); i < 3; ++i) value *= 10;
        millisecond = int(value);
    }
    CalendarTime parsed{int(year),   int(month),  int(day),   int(hour),
                        int(minute), int(second), millisecond};
    if (!IsValidCalendarTime(parsed) || parsed.Year < 1601) return false;
    time = parsed;
    return true;
}

bool ParseMlsdListingLine(const std::string& line, const CalendarTime&, platform::FindData& entry) {
    Facts facts;
    std::string_view name;
    if (!ReadFacts(line, facts, name) || name.empty()) return false;
    entry = platform::FindData();
    entry.Attributes = TypeAttributes(facts.Type);
    // The folder itself and its parent may be listed under any name (a path).
    if (SameLetters(facts.Type, "cdir")) name = ".";
    if (SameLetters(facts.Type, "pdir")) name = "..";
    entry.Name.assign(name.data(), name.size());
    const bool folder = (entry.Attributes & platform::Attribute::Directory) != 0;
    if (!OwnerMayWrite(facts, folder)) entry.Attributes |= platform::Attribute::ReadOnly;
    uint64_t size = 0;
    if (!folder && !facts.Size.empty() && !listing::ReadUnsigned(facts.Size, 20, size))
        return false;
    CalendarTime time;
    if (!facts.Modify.empty() && !ParseFtpTimestamp(facts.Modify, time)) return false;
    listing::FinishRecord(time, size, entry);
    return true;
}

}  // namespace ftpprotocol
