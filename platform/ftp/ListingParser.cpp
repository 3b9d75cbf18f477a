#include "platform/ftp/ListingParser.h"

#include "platform/ftp/ListingFields.h"

bool ParseListingLine(const std::string& line, const CalendarTime& now, platform::FindData& entry) {
    if (line.empty()) return false;
    char first = line[0];
    if (first >= '0' && first <= '9') return ParseDosListingLine(line, entry);
    return ParseUnixListingLine(line, now, entry);
}

std::vector<platform::FindData> ParseListing(const std::string& text, const CalendarTime& now) {
    std::vector<platform::FindData> entries;
    platform::FindData entry;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        size_t length = end - pos;
        if (length > 0 && text[end - 1] == '\r') --length;
        if (ParseListingLine(text.substr(pos, length), now, entry)) entries.push_back(entry);
        pos = end + 1;
    }
    return entries;
}
