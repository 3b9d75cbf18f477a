#pragma once
// Internal to the POSIX layer: file times to and from POSIX seconds and
// nanoseconds.

#include <cstdint>

#include "platform/FindData.h"

namespace platform::posix {

// 100-ns ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t UnixEpochTicks = 116444736000000000LL;
constexpr int64_t TicksPerSecond = 10000000LL;

// Times before 1601 give the zero file time.
FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
void UnixFromFileTime(const FileTime& fileTime, int64_t& seconds, int64_t& nanoseconds);

}  // namespace platform::posix
