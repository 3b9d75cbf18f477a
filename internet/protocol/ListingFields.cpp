#include "internet/protocol/ListingFields.h"

#include "common/FileTimeCalendar.h"

namespace ftpprotocol {

namespace listing {

std::vector<Field> SplitFields(std::string_view line, size_t maxFields) {
    std::vector<Field> fields;
    size_t pos = 0;
    while (fields.size() < maxFields) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        if (pos == line.size()) break;
        size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(Field{pos, line.substr(pos, end - pos)});
        pos = end;
    }
    return fields;
}

bool ReadUnsigned(std::string_view text, size_t maxDigits, uint64_t& value) {
    if (text.empty() || text.size() > maxDigits) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        uint64_t digit = uint64_t(c - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool ReadClock(std::string_view text, int& hour, int& minute) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2) return false;
    uint64_t h = 0, m = 0;
    if (!ReadUnsigned(text.substr(0, colon), 2, h)) return false;
    std::string_view minutes = text.substr(colon + 1);
    if (minutes.size() != 2 || !ReadUnsigned(minutes, 2, m)) return false;
    if (h > 23 || m > 59) return false;
    hour = int(h);
    minute = int(m);
    return true;
}

void FinishRecord(const CalendarTime& time, uint64_t size, platform::FindData& entry) {
    entry.SizeHigh = uint32_t(size >> 32);
    entry.SizeLow = uint32_t(size & 0xFFFFFFFFu);
    entry.LastWriteTime = FileTimeFromCalendar(time);
    entry.CreationTime = entry.LastWriteTime;
    entry.LastAccessTime = entry.LastWriteTime;
    const std::string& name = entry.Name;
    if (name.size() > 1 && name[0] == '.' && name != "..") {
        entry.Attributes |= platform::Attribute::Hidden;
    }
    if (entry.Attributes == 0) entry.Attributes = platform::Attribute::Normal;
}

}  // namespace listing

}  // namespace ftpprotocol
