#pragma once
// How one record of an FTP listing becomes a directory entry, and which listed
// entries the device does not hand on. Pure functions: the current time is passed
// in.

#include <memory>
#include <string>

#include "common/FileTime.h"
#include "platform/FindData.h"
#include "storage/DirectoryList.h"

struct ListingTime {
    double DateTime = 0;
    bool DateOnly = false;  // the listing gave a date without a time of day
};

// The date-time of a listed file time, read as the server's clock time (no time
// zone change). now is the local date-time of the machine. Entries younger than
// 180 days are taken as they stand. Older ones count as date-only when their time
// of day is exactly midnight (servers list old files with a year instead of a
// time); one that is between 364 and 366 days old has its year corrected by one
// (a year-less listing date placed in the wrong year), a 29 February becoming
// 28 February when the next year has none.
ListingTime ConvertListingTime(const FileTime& fileTime, double now);

// How a listing's times read: a machine-readable listing (MLSD) gives UTC to the
// second; LIST gives the server's clock time to the minute, in a zone
// UtcOffsetMinutes east of UTC.
struct ListingClock {
    bool Utc = false;
    int UtcOffsetMinutes = 0;
};

// The entry for one listed record: the name (at most 260 bytes; see
// IsListableName), the time as both listed and modified time in local time (a
// LIST time through ConvertListingTime, and one that is date-only as the server
// dated it), with the resolution of the listing, the size, and of the attributes
// folder, read-only, hidden, link (ReparsePoint) and neither-file-nor-folder
// (Device).
std::unique_ptr<VelDirectoryEntry> EntryFromListing(const platform::FindData& record, double now,
                                                    const ListingClock& clock);

// The local date-time of a UTC time the server gave exactly (MDTM, MLSD).
double ServerUtcToLocal(const FileTime& utc);

// A name the device can hand on: a plain name (see IsPlainName) of at most 260
// bytes, or "." and ".." for folders (which the engine passes over).
bool IsListableName(const std::string& name, bool isFolder);

// Some servers answer the listing of an empty folder with the single line
// "total 1", which reads as a file of that name. Removes such an entry when it is
// the list's only one: named exactly "total 1", size 0, and neither folder,
// read-only nor hidden. true when it was removed.
bool RemovePseudoEntry(VelDirectoryList& list);
