#include "platform/ftp/ListingParser.h"

bool ParseListingLine(const std::string&, const CalendarTime&, platform::FindData&) {
    return false;
}

std::vector<platform::FindData> ParseListing(const std::string&, const CalendarTime&) {
    return {};
}
