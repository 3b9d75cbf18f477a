#pragma once
// Setting a local file's modification time from a date-time the way the disk
// device does: to the millisecond, for the dates an MS-DOS date can hold
// (1980-2107).

#include <cstdint>
#include <string>

// The MS-DOS date word (year - 1980 in bits 9-15, month in 5-8, day in 0-4) and
// time word (hour in 11-15, minute in 5-10, seconds / 2 in 0-4) of a local
// date-time. False, with both words 0, for a date before 1980 or after 2107 or a
// value that is no date at all.
bool DateTimeToDosDateTime(double dateTime, uint16_t& dosDate, uint16_t& dosTime);

// Sets the last-write time of the file at `path` (a local path) to the local date-time,
// milliseconds included (a time an exact listing gave must come back as it was,
// not on the even second before it); the creation and access times stay. False when the date cannot
// be set (ErrorCode::InvalidParameter) or the file cannot be opened for writing (FileNotFound,
// PathNotFound, AccessDenied for a folder or a read-only file, ...), the reason being
// the thread's last error code; the file's time is then unchanged.
bool SetFileDateOnDisk(const std::string& path, double dateTime);
