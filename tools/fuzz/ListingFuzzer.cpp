// libFuzzer target: the listing parser on a whole LIST reply. The first input
// bytes choose the clock the listing is read against.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/FileTimeCalendar.h"
#include "internet/protocol/ListingParser.h"

using namespace ftpprotocol;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    CalendarTime now{1990 + data[0] % 80, 1 + data[1] % 12, 1 + data[1] / 12 % 28, 12, 0, 0, 0};
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    std::vector<platform::FindData> entries = ParseListing(text, now);
    Require(entries.size() <= lines);

    // A link is listed with the reparse-point bit (the FTP device resolves it).
    const uint32_t known = platform::Attribute::Directory | platform::Attribute::ReadOnly |
                           platform::Attribute::Hidden | platform::Attribute::ReparsePoint |
                           platform::Attribute::Normal;
    for (const platform::FindData& entry : entries) {
        Require(!entry.Name.empty() && entry.Name.size() <= text.size());
        Require((entry.Attributes & ~known) == 0 && entry.Attributes != 0);
        bool normal = entry.Attributes & platform::Attribute::Normal;
        Require(!normal || entry.Attributes == platform::Attribute::Normal);
        Require(!entry.LastWriteTime.IsZero());
        Require(entry.CreationTime.Ticks() == entry.LastWriteTime.Ticks());
        CalendarTime listed = CalendarFromFileTime(entry.LastWriteTime);
        Require(IsValidCalendarTime(listed));
    }
    return 0;
}
