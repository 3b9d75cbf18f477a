#pragma once
// A file time: 100-nanosecond intervals since 1601-01-01 00:00 UTC, kept as two
// 32-bit halves the way the Windows find-data record carries it. The disk side
// and the FTP side both speak in it; the calendar conversions live beside it.

#include <cstdint>

struct FileTime {
    uint32_t Low = 0;
    uint32_t High = 0;

    uint64_t Ticks() const { return (uint64_t(High) << 32) | Low; }
    static FileTime FromTicks(uint64_t ticks) {
        return FileTime{uint32_t(ticks & 0xFFFFFFFFu), uint32_t(ticks >> 32)};
    }
    bool IsZero() const { return Low == 0 && High == 0; }
};
