#pragma once
// The copy decision's pure rules: the time rule with its drift allowance and
// the two size rules with the texts that explain them. Pure functions.

#include <cstdint>
#include <string>

#include "storage/DirectoryEntry.h"

// Whether the source entry counts as newer than the destination entry: only when
// the earliest time the source's listed time may stand for is later than the
// latest the destination's may (a listing with minutes only stands for the whole
// minute). With a date-only entry on either side whole days are compared;
// otherwise a drift of k seconds (0 to 3) adds k + 0.5 seconds to that.
bool IsNewerEntry(const VelDirectoryEntry& source, const VelDirectoryEntry& destination,
                  uint32_t driftSeconds);

// A size rule's answer and, when it says copy, the reason in words.
struct SizeVerdict {
    bool Copy = false;
    std::string Explanation;
};

// For text files sent in text mode: copy when the destination is larger, or when
// the source is more than twice the destination's size.
SizeVerdict TextSizeRule(const VelDirectoryEntry& source, const VelDirectoryEntry& destination);

// For every other file: copy when the sizes differ, unless a size half on either
// side is 0xFFFFFFFF (the size is not known there).
SizeVerdict BinarySizeRule(const VelDirectoryEntry& source, const VelDirectoryEntry& destination);

// The high half in upper-case hex without leading zeros, then the low half padded
// to eight digits, after "0x": 26 bytes give 0x00000001A.
std::string FormatSizeHalves(uint32_t high, uint32_t low);
