#pragma once
// A find record: what a folder enumeration (local or FTP listing) yields for one
// entry, in the shape of the Windows find-data record.

#include <cstdint>
#include <string>

#include "common/FileTime.h"

namespace platform {

// File attribute bits, Windows numbering.
namespace Attribute {
constexpr uint32_t ReadOnly = 0x01;
constexpr uint32_t Hidden = 0x02;
constexpr uint32_t System = 0x04;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
// Neither a regular file nor a folder, links followed: a named pipe, a socket,
// a device, or a link that leads nowhere. Such an entry has no content to copy.
constexpr uint32_t Device = 0x40;
constexpr uint32_t Normal = 0x80;
constexpr uint32_t ReparsePoint = 0x400;  // a symbolic link on POSIX
}  // namespace Attribute

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
