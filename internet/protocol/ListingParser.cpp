#include "internet/protocol/ListingParser.h"

#include "internet/protocol/ListingFields.h"
#include "internet/protocol/ListingReader.h"

namespace ftpprotocol {

bool ParseListingLine(const std::string& line, const CalendarTime& now, platform::FindData& entry) {
    if (line.empty()) return false;
    char first = line[0];
    if (first >= '0' && first <= '9') return ParseDosListingLine(line, entry);
    return ParseUnixListingLine(line, now, entry);
}

std::vector<platform::FindData> ParseListing(const std::string& text, const CalendarTime& now) {
    std::vector<platform::FindData> entries;
    ListingReader reader(
        now, [&](platform::FindData& entry) { entries.push_back(entry); }, text.size() + 1,
        text.size());
    reader.Feed(text.data(), text.size());
    // A text given whole may leave out the last line end.
    if (!text.empty() && text.back() != '\n') reader.Feed("\n", 1);
    reader.Finish();
    return entries;
}

std::vector<platform::FindData> ParseStatusListing(const std::string& reply,
                                                   const CalendarTime& now) {
    std::vector<platform::FindData> entries;
    std::vector<std::string> lines;
    for (size_t start = 0; start < reply.size();) {
        size_t end = reply.find('\n', start);
        if (end == std::string::npos) end = reply.size();
        std::string line = reply.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    platform::FindData entry;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string& line = lines[i];
        if (!line.empty() && line[0] == ' ') line.erase(0, 1);
        if (ParseListingLine(line, now, entry)) entries.push_back(entry);
    }
    return entries;
}

}  // namespace ftpprotocol
