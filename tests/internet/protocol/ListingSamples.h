#pragma once
// Real LIST lines, grouped by the server that sent them, each with the record it
// must give.

#include <cstdint>
#include <string>
#include <vector>

#include "common/DateTime.h"

struct ListingSample {
    std::string Line;
    bool IsEntry = false;  // false: "total N", blank or an unknown form; skipped
    std::string Name;
    uint32_t Attributes = 0;
    uint64_t Size = 0;
    CalendarTime Time;
};

// The clock all the samples were listed against: 2026-12-08 02:00.
CalendarTime ListingSampleNow();
const std::vector<ListingSample>& ListingSamples();
