#pragma once
// Shared pieces of the listing-line parsers: blank-separated fields that remember
// where they stand in the line, and the small field readers both forms use.
// Internal to the listing parser.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/DateTime.h"
#include "platform/FindData.h"

namespace ftpprotocol {

namespace listing {

struct Field {
    size_t Begin = 0;  // offset in the line
    std::string_view Text;
};

// The fields of a line split at blanks (only ' '; a tab is part of a field). At
// most maxFields are taken; the rest of the line is never needed as fields, since
// the name is cut out of the line by position.
std::vector<Field> SplitFields(std::string_view line, size_t maxFields);

// Whole number of at most maxDigits digits, nothing else.
bool ReadUnsigned(std::string_view text, size_t maxDigits, uint64_t& value);

// "hh:mm" with hh 0-23 (one or two digits) and mm 00-59.
bool ReadClock(std::string_view text, int& hour, int& minute);

// Fills the size halves, times and the hidden/normal bits common to every form.
// Attributes may already hold the folder and read-only bits.
void FinishRecord(const CalendarTime& time, uint64_t size, platform::FindData& entry);

}  // namespace listing

// The two line forms; each returns false when the line is not of its form.
bool ParseUnixListingLine(std::string_view line, const CalendarTime& now,
                          platform::FindData& entry);
bool ParseDosListingLine(std::string_view line, platform::FindData& entry);

}  // namespace ftpprotocol
