#pragma once
// A find record: what a folder enumeration (local or FTP listing) yields for one
// entry, in the shape of the Windows find-data record.

#include <cstdint>
#include <string>

namespace platform {

// File attribute bits, Windows numbering.
namespace Attribute {
constexpr uint32_t ReadOnly = 0x01;
constexpr uint32_t Hidden = 0x02;
constexpr uint32_t System = 0x04;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
constexpr uint32_t Normal = 0x80;
constexpr uint32_t ReparsePoint = 0x400;  // a symbolic link on POSIX
}  // namespace Attribute

// 100-nanosecond intervals since 1601-01-01 00:00 UTC, as two 32-bit halves.
struct FileTime {
    uint32_t Low = 0;
    uint32_t High = 0;

    uint64_t Ticks() const { return (uint64_t(High) << 32) | Low; }
    static FileTime FromTicks(uint64_t ticks) {
        return FileTime{uint32_t(ticks & 0xFFFFFFFFu), uint32_t(ticks >> 32)};
    }
    bool IsZero() const { return Low == 0 && High == 0; }
};

struct FindData {
    uint32_t Attributes = 0;
    FileTime CreationTime;
    FileTime LastAccessTime;
    FileTime LastWriteTime;
    uint32_t SizeHigh = 0;
    uint32_t SizeLow = 0;
    std::string Name;  // as listed; may hold any byte, NUL and separators included
};

}  // namespace platform
