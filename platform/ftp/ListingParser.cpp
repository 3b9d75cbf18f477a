#include "platform/ftp/ListingParser.h"

#include "platform/ftp/ListingFields.h"
#include "platform/ftp/ListingReader.h"

bool ParseListingLine(const std::string& line, const CalendarTime& now, platform::FindData& entry) {
    if (line.empty()) return false;
    char first = line[0];
    if (first >= '0' && first <= '9') return ParseDosListingLine(line, entry);
    return ParseUnixListingLine(line, now, entry);
}

std::vector<platform::FindData> ParseListing(const std::string& text, const CalendarTime& now) {
    std::vector<platform::FindData> entries;
    ListingReader reader(
        now, [&](platform::FindData& entry) { entries.push_back(entry); }, text.size(),
        text.size());
    reader.Feed(text.data(), text.size());
    reader.Finish();
    return entries;
}
