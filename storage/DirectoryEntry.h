#pragma once
// One listed file or folder, as a device listed it.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FindData.h"

class VelDirectoryEntry {
public:
    VelDirectoryEntry() = default;

    // From one find record: the name up to its first NUL (at most 260 bytes), the
    // size halves, the attributes, and the last-write time in local time (the
    // creation time when the last-write time is zero).
    static std::unique_ptr<VelDirectoryEntry> CreateFromFindData(const platform::FindData& record);

    void Clear();

    bool IsDirectory() const;
    bool IsReadOnly() const;
    bool IsHidden() const;
    // Neither a regular file nor a folder (Attribute::Device): nothing to copy.
    bool IsSpecialFile() const;
    void SetDirectoryFlag(bool flag);
    void SetReadOnlyFlag(bool flag);
    void SetHiddenFlag(bool flag);
    bool IsDotEntry() const;  // exactly "." or ".."

    uint32_t Attributes = 0;
    double ModifiedTime = 0;  // local time; every comparison uses it
    double ListedTime = 0;    // as listed; copies are stamped with it
    uint32_t SizeHigh = 0;
    uint32_t SizeLow = 0;
    int64_t Size = 0;
    std::string Name;
    bool DateOnly = false;  // the listing gave no time of day
    // The listed time stands for any time up to this many seconds after it: 60
    // for a listing that gives minutes, 1 for one that gives whole seconds, 0 for
    // an exact time.
    uint32_t TimeResolution = 0;
};

// Date-time of a file time, milliseconds included, without a time-zone change.
double FileTimeToDateTime(const FileTime& fileTime);
// The same after converting the UTC file time to local time.
double FileTimeToLocalDateTime(const FileTime& fileTime);
